#include "chart/chart_area.h"
#include "chart/image_surface.h"
#include "chart/viewport.h"
#include "flow/window/fault.h"
#include "test_support.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <vector>

using namespace chart;

class ChartTest : public OffscreenTest {
    Q_OBJECT
private slots:
    void mappingUsesTheInnerRectangle();
    void clippingKeepsThePartInside();
    void singlePrecisionConversionRefusesWhatItCannotHold();
    void currentPointRules();
    void faultDrawsNothingAndKeepsTheCurrentPoint();
    void colourEncodingIsBlueGreenRed();
    void linesStopAtTheBorder();
    void circleRadiusIsInXUnits();
    void copyModePaintsOver();
    void scaledScreenGetsItsOwnPixels();
    void drawingSurvivesHideAndShow();
    void captionsKeepTheirClicks();
};

void ChartTest::mappingUsesTheInnerRectangle()
{
    const Viewport v {-0.5, -1.5, 3.5, 0.3, 229, 149};
    QCOMPARE(v.toPixelX(0), 0.125 * 229);
    QCOMPARE(v.toPixelY(0), 1.5 / 1.8 * 149);
    QCOMPARE(v.toPixelX(-0.5), 0.0);
    QCOMPARE(v.toPixelX(3.5), 229.0);
    QCOMPARE(v.toPixelY(0.3), 149.0);
    QCOMPARE(v.toPixelLength(4.0), 229.0);

    ChartArea area(QRect(8, 184, 233, 153), kPaleYellow);
    QCOMPARE(area.contentsRect(), QRect(2, 2, 229, 149));
    QCOMPARE(area.image().size(), QSize(229, 149));
}

void ChartTest::clippingKeepsThePartInside()
{
    PixelSegment inside {1, 1, 5, 5};
    QVERIFY(clipSegment(inside, 0, 0, 10, 10));
    QCOMPARE(inside.x2, 5.0);

    PixelSegment across {-10, 5, 20, 5};
    QVERIFY(clipSegment(across, 0, 0, 10, 10));
    QCOMPARE(across.x1, 0.0);
    QCOMPARE(across.x2, 10.0);

    PixelSegment outside {-10, -10, -1, 20};
    QVERIFY(!clipSegment(outside, 0, 0, 10, 10));

    PixelSegment huge {-3e38, 5, 3e38, 5};
    QVERIFY(clipSegment(huge, 0, 0, 10, 10));
    QCOMPARE(huge.x1, 0.0);
    QCOMPARE(huge.x2, 10.0);
}

void ChartTest::singlePrecisionConversionRefusesWhatItCannotHold()
{
    QCOMPARE(toSingle(0.1), 0.1f);
    QCOMPARE(toSingle(-3.0e38), -3.0e38f);
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, toSingle(3.5e38));
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, toSingle(-1e300));
    QCOMPARE(toSingle(1e-60), 0.0f); // too small is zero, not a fault
}

void ChartTest::currentPointRules()
{
    RecordingSurface s;
    s.SetPoint(1, 2);
    s.DrawLine(3, 4, kRed);
    const auto lines = [&s] { return s.only(QStringLiteral("line")); };
    QCOMPARE(lines().size(), 1u);
    QCOMPARE(lines()[0].x1, 1.0);
    QCOMPARE(lines()[0].y1, 2.0);
    QCOMPARE(lines()[0].colour, kRed);
    s.DrawLine(0, 0, 5, 6);
    QCOMPARE(s.currentPoint().x, 5.0f);
    QCOMPARE(lines()[1].colour, kForeground);
    s.DrawCircle(7, 8, 0.05, kBlue);
    QCOMPARE(s.currentPoint().y, 8.0f);
    s.Clear();
    QCOMPARE(s.currentPoint().x, 0.0f);
    QCOMPARE(s.currentPoint().y, 0.0f);
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, s.SetScale(1, 0, 1, 2));
}

void ChartTest::faultDrawsNothingAndKeepsTheCurrentPoint()
{
    RecordingSurface s;
    s.SetPoint(1, 2);
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, s.DrawLine(1e39, 0));
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, s.DrawCircle(0, 0, 1e300, kBlue));
    QCOMPARE(s.ops(), QStringList {QStringLiteral("point")});
    QCOMPARE(s.currentPoint().x, 1.0f);
}

void ChartTest::colourEncodingIsBlueGreenRed()
{
    QCOMPARE(toQColor(255), QColor(255, 0, 0));
    QCOMPARE(toQColor(0xFF0000), QColor(0, 0, 255));
    QCOMPARE(toQColor(0x00C0FF), QColor(255, 192, 0));
}

void ChartTest::linesStopAtTheBorder()
{
    ImageSurface s(20, 10, kPaleYellow);
    s.SetScale(0, 0, 20, 10); // one unit per pixel
    s.DrawLine(-1000, 5.5, 1e30, 5.5, kRed);
    for (int x = 0; x < 20; ++x)
        QCOMPARE(s.image().pixelColor(x, 5), QColor(Qt::red));
    QCOMPARE(countOf(s.image(), Qt::red), 20);

    s.Clear();
    s.DrawLine(-5, -5, -1, 20); // wholly outside
    s.SetPoint(25, 5);
    QCOMPARE(countOf(s.image(), kPaleYellow), 200);

    s.SetPoint(3.9, 4.1, kBlue); // a coordinate falls in the pixel that contains it
    QCOMPARE(s.image().pixelColor(3, 4), QColor(Qt::blue));
}

void ChartTest::circleRadiusIsInXUnits()
{
    ImageSurface s(100, 50, kPaleYellow);
    s.SetScale(0, 0, 10, 1); // x: 10 px a unit, y: 50 px a unit
    s.DrawCircle(5, 0.5, 2, kBlue);
    const QImage &img = s.image();
    // Round on screen: 20 px to each side and up and down.
    QCOMPARE(img.pixelColor(70, 25), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(30, 25), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(50, 5), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(50, 45), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(50, 25), kPaleYellow); // an outline, not filled
}

void ChartTest::copyModePaintsOver()
{
    ImageSurface s(10, 10, kPaleYellow);
    s.SetScale(0, 0, 10, 10);
    s.DrawLine(0, 5.5, 10, 5.5, kRed);
    s.DrawLine(0, 5.5, 10, 5.5, kBlue);
    QCOMPARE(s.image().pixelColor(4, 5), QColor(Qt::blue));
    s.Clear();
    QCOMPARE(countOf(s.image(), kPaleYellow), 100);
}

void ChartTest::scaledScreenGetsItsOwnPixels()
{
    ImageSurface s(20, 10, kPaleYellow, 2.0);
    QCOMPARE(s.image().size(), QSize(40, 20));
    s.SetScale(0, 0, 20, 10);
    s.DrawLine(0, 5.25, 20, 5.25, kRed);
    // Two device pixels thick, not one pixel blown up.
    QCOMPARE(countOf(s.image(), Qt::red), 80);
    QCOMPARE(s.image().pixelColor(39, 10), QColor(Qt::red));
}

void ChartTest::drawingSurvivesHideAndShow()
{
    ChartArea area(QRect(0, 0, 60, 40), kPaleYellow);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    area.surface().SetScale(0, 0, 56, 36);
    area.surface().DrawLine(0, 10.5, 56, 10.5, kRed);
    area.hide();
    area.showMinimized();
    area.showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    const QImage shown = area.grab().toImage();
    QCOMPARE(shown.pixelColor(30, 12), QColor(Qt::red)); // 2 px of frame
}

void ChartTest::captionsKeepTheirClicks()
{
    ChartArea area(QRect(0, 0, 100, 60), kPaleYellow);
    auto *caption = new QLabel(QStringLiteral("M "), &area);
    caption->setGeometry(60, 40, 17, 17);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QSignalSpy clicks(&area, &ChartArea::clicked);
    QTest::mouseClick(caption, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 0);
    QTest::mouseClick(&area, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(clicks.count(), 1);
    QTest::mouseClick(&area, Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(ChartTest)
#include "chart_test.moc"

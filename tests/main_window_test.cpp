#include "chart/chart_area.h"
#include "flow/window/fault.h"
#include "flow/window/number_text.h"
#include "flow/window/rayleigh.h"
#include "ui/about_window.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/wrapping_button.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <cmath>

class MainWindowTest : public OffscreenTest {
    Q_OBJECT
private slots:
    void initTestCase() { ui::setUpApplication(); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void controlsStandWhereTheLayoutPutsThem_data();
    void controlsStandWhereTheLayoutPutsThem();
    void windowAndLooks();
    void everyCaptionFits();
    void initialState();
    void tabOrderAndInitialFocus();
    void focusFollowsTheChosenMode();

    void returnKeyCalculates_data();
    void returnKeyCalculates();
    void aboutHasAnAccessKey();
    void screenReaderSaysWhatTheEyeReads_data();
    void screenReaderSaysWhatTheEyeReads();

    void oranlarWritesTheFiveRatios();
    void oranlarWritesTheLocaleSeparator();
    void oranlarFaultLeavesTheBoxesAsTheyWere();

    void graphWritesTheBoxesForItsLastPoint();
    void graphStoppedByAFaultShowsItsLastPoint();
    void chartClickDrawsTheCurveAndTheSonicPoint();
    void chartShowsItsColoursOnScreen();
    void chartClickBeforeAnyCalculationDrawsForTheBoxGama();
    void chartClickFaultIsReportedAndKeepsTheDrawing();

    void aboutIsOneWindowThatOutlivesTheMainWindow();
};

void MainWindowTest::controlsStandWhereTheLayoutPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");

    auto row = [](const char *name, const char *container, QRect twips, const QString &text, bool visible = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container) << twips << text << visible;
    };
    row("Frame3", "", {120, 120, 1335, 615}, "");
    row("Label_gama", "Frame3", {120, 240, 495, 255}, "γ =");
    row("Text_gama", "Frame3", {480, 240, 495, 285}, "1.4");
    row("Frame2", "", {120, 840, 1335, 1095}, "Input Options");
    row("Option_M", "Frame2", {240, 360, 495, 255}, "M");
    row("Option_ToToStar", "Frame2", {240, 720, 855, 255}, "To/To*");
    row("Command1", "", {120, 2040, 1335, 615}, "Coose an Input Option");
    row("Picture1", "", {120, 2760, 3495, 2295}, "");
    row("Label8", "Picture1", {480, 120, 495, 255}, "To/To*");
    row("Label7", "Picture1", {2040, 1920, 255, 255}, "M ");
    row("Frame1", "", {1560, 120, 2055, 2535}, "");
    row("Label_M", "Frame1", {120, 240, 375, 255}, "M =");
    row("Text_M", "Frame1", {600, 240, 615, 285}, "1");
    row("Text_Msup", "Frame1", {1200, 240, 615, 285}, "", false);
    row("Label_PPstar", "Frame1", {120, 600, 495, 255}, "p/p*  =");
    row("Text_PPstar", "Frame1", {960, 600, 855, 285}, "1");
    row("Label_TTstar", "Frame1", {120, 960, 615, 255}, "T/T*  =");
    row("Text_TTstar", "Frame1", {960, 960, 855, 285}, "1");
    row("Label_RoRoStar", "Frame1", {120, 1320, 495, 255}, "ρ/ρ*    =");
    row("Text_RoRoStar", "Frame1", {960, 1320, 855, 285}, "1");
    row("Label_ToToStar", "Frame1", {120, 1680, 735, 255}, "To/To*=");
    row("Text_ToToStar", "Frame1", {960, 1680, 855, 285}, "1");
    row("Label_PoPoStar", "Frame1", {120, 2040, 735, 255}, "Po/Po*=");
    row("Text_PoPoStar", "Frame1", {960, 2040, 855, 285}, "1");
}

void MainWindowTest::controlsStandWhereTheLayoutPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(bool, visible);

    MainWindow w;
    w.show();
    auto *control = w.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), container.isEmpty() ? QString() : container);
    if (container.isEmpty())
        QCOMPARE(control->parentWidget(), w.centralWidget());
    QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    if (container == QStringLiteral("Picture1")) // inside the chart's border
        expected.translate(w.Picture1->contentsRect().topLeft());
    QCOMPARE(control->geometry(), expected);
    QCOMPARE(control->isVisible(), visible);

    QString shown;
    if (auto *l = qobject_cast<QLabel *>(control))
        shown = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(control))
        shown = e->text();
    else if (auto *b = qobject_cast<QAbstractButton *>(control))
        shown = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(control))
        shown = g->title();
    QCOMPARE(shown, text);
}

void MainWindowTest::windowAndLooks()
{
    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Bir-boyutlu kalvenorlar"));
    QCOMPARE(w.centralWidget()->size(), QSize(255, 372));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.menuBar()->actions().size(), 1);
    QCOMPARE(w.menuBar()->actions().first()->text().remove(QLatin1Char('&')), QStringLiteral("About"));
    // Every window carries the program's icon, each size rendered for itself,
    // and only the small sizes: each one more slows the start.
    ui::AboutWindow about;
    const QList<QSize> iconSizes {QSize(16, 16), QSize(32, 32), QSize(48, 48)};
    for (const QWidget *window : {static_cast<QWidget *>(&w), static_cast<QWidget *>(&about)})
        QCOMPARE(window->windowIcon().availableSizes(), iconSizes);
    QCOMPARE(QDir(QStringLiteral(":/icons")).entryList().size(), iconSizes.size()); // none left unused
    for (QSize size : w.windowIcon().availableSizes())
        QCOMPARE(w.windowIcon().pixmap(size).toImage().size(), size);

    for (QLabel *caption : {w.Label8, w.Label7}) {
        QVERIFY(caption->font().italic());
        QCOMPARE(QFontInfo(caption->font()).pointSizeF(), 8.25);
        QCOMPARE(caption->palette().color(QPalette::Window), kPaleYellow);
        QVERIFY(caption->autoFillBackground());
    }
    QCOMPARE(w.Picture1->palette().color(QPalette::Window), kPaleYellow);
    // The Greek letters must exist in the font that draws them.
    QVERIFY(w.Label_gama->fontMetrics().inFont(QChar(0x03B3)));
    QVERIFY(w.Label_RoRoStar->fontMetrics().inFont(QChar(0x03C1)));
    // The box lies on top of the caption it overlaps.
    QVERIFY(w.Frame3->children().indexOf(w.Text_gama) > w.Frame3->children().indexOf(w.Label_gama));
}

void MainWindowTest::everyCaptionFits()
{
    MainWindow w;
    w.show();
    ui::AboutWindow about;
    // A caption fits when its ink does; a trailing blank may run over.
    const auto fits = [](const QWidget *owner, QString text, int room) {
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        const QFontMetricsF fm(owner->font());
        const qreal need
            = text.isEmpty() ? 0 : fm.horizontalAdvance(text) - std::max<qreal>(0, fm.rightBearing(text.back()));
        if (need > room)
            qWarning("%s: \"%s\" needs %.2f px of %d", qPrintable(owner->objectName()), qPrintable(text), need, room);
        return need <= room;
    };
    for (QLabel *l : w.findChildren<QLabel *>() + about.findChildren<QLabel *>()) {
        int room = l->contentsRect().width();
        if (l == w.Label_gama) // the γ box covers its right part
            room = w.Text_gama->x() - l->x();
        QVERIFY(fits(l, l->text(), room));
        QVERIFY(l->fontMetrics().height() <= l->height() + 2);
    }
    for (QLineEdit *e : w.findChildren<QLineEdit *>()) {
        QVERIFY(fits(e, e->text(), e->width() - 6));
    }
    for (QLineEdit *e : {w.Text_PPstar, w.Text_TTstar, w.Text_RoRoStar, w.Text_PoPoStar, w.Text_ToToStar})
        QVERIFY(fits(e, QStringLiteral("0.52893"), e->width() - 6));
    for (QLineEdit *e : {w.Text_M, w.Text_Msup})
        QVERIFY(fits(e, QStringLiteral("0.68844"), e->width() - 6));
    for (QRadioButton *r : w.findChildren<QRadioButton *>()) {
        const QStyle *style = r->style();
        const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, r)
            + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, r);
        QVERIFY(fits(r, r->text(), r->width() - indicator));
    }
    QVERIFY(fits(w.Frame2, w.Frame2->title(), w.Frame2->width()));
    for (const char *caption : {"Coose an Input Option", "Input value then CLICK"}) {
        const QRect room = w.Command1->captionRect();
        const QRect need
            = w.Command1->fontMetrics().boundingRect(room, ui::WrappingButton::kTextFlags, QString::fromUtf8(caption));
        QVERIFY2(room.contains(need), caption);
    }
}

void MainWindowTest::initialState()
{
    MainWindow w;
    w.show();
    QVERIFY(!w.calculator.gama.has_value());
    QCOMPARE(w.calculator.M, 1.0);
    QCOMPARE(w.calculator.ToToStar, 1.0);
    QCOMPARE(w.Text_gama->text(), QStringLiteral("1.4"));
    QCOMPARE(w.Text_M->text(), QStringLiteral("1"));
    QCOMPARE(ratioTexts(w), QStringList(5, QStringLiteral("1")));
    QVERIFY(!w.Text_Msup->isVisible());
    QVERIFY(!w.Option_M->isChecked());
    QVERIFY(!w.Option_ToToStar->isChecked());
    const QImage &chart = w.Picture1->image();
    QCOMPARE(countOf(chart, kPaleYellow), chart.width() * chart.height());
    for (QLineEdit *e : w.findChildren<QLineEdit *>())
        QCOMPARE(base(e), kWhite);
}

void MainWindowTest::tabOrderAndInitialFocus()
{
    MainWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.Text_TTstar);

    // The boxes and buttons that take focus, by their place in the tab
    // order; the two option buttons are one stop, arrows move between them.
    const QWidget *expected[] = {w.Text_TTstar, w.Text_PPstar, w.Text_RoRoStar, w.Text_PoPoStar, w.Text_M,
        w.Text_ToToStar, w.Option_M, w.Command1, w.Text_gama, w.Text_TTstar};
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected[i]);
    }
}

void MainWindowTest::focusFollowsTheChosenMode()
{
    MainWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::mouseClick(w.Option_M, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), w.Text_M);
    QCOMPARE(w.Text_M->selectedText(), QStringLiteral(" "));
    QTest::keyClicks(w.Text_M, QStringLiteral("2"));
    QCOMPARE(w.Text_M->text(), QStringLiteral("2"));

    // An arrow key selects the other mode and moves the focus to its button
    // first; the focus still ends in the chosen mode's box.
    w.Option_M->setFocus();
    QTest::keyClick(w.Option_M, Qt::Key_Down);
    QVERIFY(w.Option_ToToStar->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), w.Text_ToToStar);
    QCOMPARE(w.Text_ToToStar->selectedText(), QStringLiteral(" "));
}

void MainWindowTest::returnKeyCalculates_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("calculates");
    QTest::newRow("Text_gama") << "Text_gama" << true;
    QTest::newRow("Text_M") << "Text_M" << true;
    QTest::newRow("Text_ToToStar") << "Text_ToToStar" << true;
    QTest::newRow("an output box") << "Text_TTstar" << false;
}

void MainWindowTest::returnKeyCalculates()
{
    QFETCH(QString, box);
    QFETCH(bool, calculates);
    Fixture f;
    f.w.show();
    QTest::keyClick(f.w.findChild<QLineEdit *>(box), Qt::Key_Return);
    QCOMPARE(f.messages, calculates ? QStringList {QStringLiteral("choose an input parameter")} : QStringList());
}

void MainWindowTest::aboutHasAnAccessKey()
{
    MainWindow w;
    QCOMPARE(w.Mn_About->text(), QStringLiteral("&About")); // Alt+A
}

void MainWindowTest::screenReaderSaysWhatTheEyeReads_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    const char *rows[][2] = {{"Text_gama", "γ"}, {"Text_M", "M"}, {"Text_PPstar", "p/p*"}, {"Text_TTstar", "T/T*"},
        {"Text_RoRoStar", "ρ/ρ*"}, {"Text_ToToStar", "To/To*"}, {"Text_PoPoStar", "Po/Po*"},
        {"Command1", "Coose an Input Option"}, {"Option_M", "M"}};
    for (const auto &[control, name] : rows)
        QTest::newRow(control) << QString::fromLatin1(control) << QString::fromUtf8(name);
}

void MainWindowTest::screenReaderSaysWhatTheEyeReads()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    MainWindow w;
    w.show();
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w.findChild<QWidget *>(control));
    QVERIFY(face);
    QCOMPARE(face->text(QAccessible::Name), name);
}

void MainWindowTest::oranlarWritesTheFiveRatios()
{
    MainWindow w;
    w.calculator.gama = 1.4;
    w.calculator.M = 2;
    w.oranlar();
    QCOMPARE(ratioTexts(w), (QStringList {"0.52893", "0.36364", "0.6875", "1.5031", "0.79339"}));
    w.calculator.M = 0.5;
    w.oranlar();
    QCOMPARE(ratioTexts(w), (QStringList {"0.79012", "1.77778", "2.25", "1.11405", "0.69136"}));

    // An empty gama counts as 0.
    MainWindow empty;
    empty.calculator.M = 1;
    empty.Text_TTstar->setText(QStringLiteral("x"));
    empty.oranlar();
    QCOMPARE(ratioTexts(empty), QStringList(5, QStringLiteral("1")));

    // No ratios for M at or below 0: the boxes keep their text.
    w.Text_TTstar->setText(QStringLiteral("kept"));
    w.calculator.M = 0;
    w.oranlar();
    QCOMPARE(w.Text_TTstar->text(), QStringLiteral("kept"));
}

void MainWindowTest::oranlarWritesTheLocaleSeparator()
{
    const QLocale before;
    const auto restore = qScopeGuard([before] { QLocale::setDefault(before); });
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    MainWindow w;
    w.calculator.gama = 1.4;
    w.calculator.M = 0.5;
    w.oranlar();
    QCOMPARE(w.Text_TTstar->text(), QStringLiteral("0,79012"));
    QCOMPARE(w.Text_RoRoStar->text(), QStringLiteral("2,25"));
}

void MainWindowTest::oranlarFaultLeavesTheBoxesAsTheyWere()
{
    MainWindow w;
    w.calculator.gama = 1.0; // g / (g - 1)
    w.calculator.M = 2;
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, w.oranlar());
    QCOMPARE(ratioTexts(w), QStringList(5, QStringLiteral("1")));
}

void MainWindowTest::graphWritesTheBoxesForItsLastPoint()
{
    Fixture f;
    f.w.calculator.gama = 1.4;
    f.w.Text_M->setText(QStringLiteral("2"));
    f.w.Graph();
    QCOMPARE(f.w.Text_M->text(), QStringLiteral("2"));
    QCOMPARE(f.w.Text_ToToStar->text(), QStringLiteral("0.65398"));
    QCOMPARE(f.drawing.ops().size(), 35);
}

void MainWindowTest::graphStoppedByAFaultShowsItsLastPoint()
{
    Fixture f;
    f.w.calculator.gama = 0.4; // f turns negative past M = 1.83, under a fractional power
    QVERIFY_THROWS_EXCEPTION(flow::ArithmeticFault, f.w.Graph());
    const flow::RayleighRatios last = flow::RatiosFromMach(0.4, f.w.calculator.M - 0.1);
    QCOMPARE(f.w.Text_ToToStar->text(), QString::fromStdString(flow::FormatResult(last.ToToStar, ".")));
    QCOMPARE(f.w.Text_PoPoStar->text(), QString::fromStdString(flow::FormatResult(last.PoPoStar, ".")));
}

void MainWindowTest::chartClickDrawsTheCurveAndTheSonicPoint()
{
    Fixture f;
    f.w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    f.w.calculator.gama = 1.4;
    QTest::mouseClick(f.w.Picture1, Qt::LeftButton, {}, QPoint(120, 60));
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(ratioTexts(f.w), QStringList(5, QStringLiteral("1")));
    QCOMPARE(f.w.calculator.M, 1.0);
    QCOMPARE(f.w.calculator.ToToStar, 1.0);
    // The whole chart, then the blue circle at the sonic point.
    QCOMPARE(f.drawing.ops().size(), 36);
    QCOMPARE(f.drawing.ops().first(), QStringLiteral("clear"));
    const RecordingSurface::Call &circle = f.drawing.calls.back();
    QCOMPARE(circle.op, QStringLiteral("circle"));
    QCOMPARE(circle.x1, 1.0);
    QCOMPARE(circle.y1, -1.0);
    QCOMPARE(circle.colour, chart::kBlue);

    // A click on an axis caption runs nothing.
    f.drawing.calls.clear();
    QTest::mouseClick(f.w.Label7, Qt::LeftButton);
    QVERIFY(f.drawing.calls.empty());
}

void MainWindowTest::chartShowsItsColoursOnScreen()
{
    MainWindow w;
    w.Text_gama->setText(QStringLiteral("1.4"));
    w.Option_M->setChecked(true);
    w.Text_M->setText(QStringLiteral("2"));
    w.Command1_Click();
    const QImage img = w.Picture1->image();
    const auto at = [&img](double x, double y) { return pixelOf(img, x, y); };
    // Black axes from the origin.
    QCOMPARE(img.pixelColor(at(1.5, 0)), kBlackPixel);
    QCOMPARE(img.pixelColor(at(0, -0.7)), kBlackPixel);
    // The red curve through its sampled points, rising to the peak and falling.
    QVERIFY(near(img, at(0.1, -0.0468), kRedPixel));
    QVERIFY(near(img, at(0.5, -0.69136), kRedPixel));
    QVERIFY(near(img, at(1.0, -1.0), kRedPixel));
    QVERIFY(near(img, at(3.0, -0.65398), kRedPixel));
    // The blue circle of radius 0.05 (about 3 px) and the blue guides.
    const QPoint point = at(2, -0.79339);
    QVERIFY(near(img, point + QPoint(3, 0), kBluePixel));
    QVERIFY(near(img, point - QPoint(0, 3), kBluePixel));
    QCOMPARE(img.pixelColor(at(0.5, -0.79339)), kBluePixel);
    QCOMPARE(img.pixelColor(at(2, -0.3)), kBluePixel);
    // Background elsewhere: above the peak and below the axis.
    QCOMPARE(img.pixelColor(at(2.5, -1.3)), kPaleYellow);
    QCOMPARE(img.pixelColor(at(2.5, 0.2)), kPaleYellow);
}

void MainWindowTest::chartClickBeforeAnyCalculationDrawsForTheBoxGama()
{
    Fixture f;
    const double lastM = 3.0000000000000013;
    const auto curveEnd = [&f] { return f.drawing.only(QStringLiteral("line")).back().y2; };
    f.w.Picture1_Click();
    QVERIFY(!f.w.calculator.gama.has_value()); // only a calculation sets it
    QCOMPARE(curveEnd(), single(-flow::RatiosFromMach(1.4, lastM).ToToStar));

    // Each click reads the box anew.
    f.w.Text_gama->setText(QStringLiteral("1.2"));
    f.w.Picture1_Click();
    QCOMPARE(curveEnd(), single(-flow::RatiosFromMach(1.2, lastM).ToToStar));
    QVERIFY(!f.w.calculator.gama.has_value());

    // Once a calculation has set gama, a changed box is not read again
    // until the next calculation.
    f.w.Text_gama->setText(QStringLiteral("1.4"));
    f.w.Command1_Click(); // no mode: a message, but gama is read
    f.w.Text_gama->setText(QStringLiteral("1"));
    f.w.Picture1_Click();
    QCOMPARE(f.messages, QStringList {QStringLiteral("choose an input parameter")});
    QCOMPARE(*f.w.calculator.gama, 1.4);
}

void MainWindowTest::chartClickFaultIsReportedAndKeepsTheDrawing()
{
    Fixture f;
    f.w.calculator.gama = 1.0; // as after a calculation that read "1,4"
    f.w.Picture1_Click();
    QCOMPARE(f.messages, QStringList {QStringLiteral("Division by zero: the calculation was stopped.")});
    // The axes drawn before the fault stay; neither curve nor circle follows.
    QCOMPARE(f.drawing.ops(), (QStringList {"clear", "scale", "line", "line"}));
    QCOMPARE(f.w.calculator.M, 0.3); // stopped at the start point
    QCOMPARE(ratioTexts(f.w), QStringList(5, QStringLiteral("1")));
}

void MainWindowTest::aboutIsOneWindowThatOutlivesTheMainWindow()
{
    auto *w = new MainWindow;
    w->show();
    w->Mn_About->trigger();
    QPointer<ui::AboutWindow> about = w->aboutWindow();
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About"));
    QCOMPARE(about->size(), QSize(240, 118));
    QVERIFY(!(about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    w->Mn_About_Click();
    QCOMPARE(w->aboutWindow(), about.data());
    QCOMPARE(QApplication::topLevelWidgets().count(about.data()), 1);

    w->close();
    delete w;
    QVERIFY(about && about->isVisible());

    // The program runs until the About window, the last one, closes too.
    QTimer::singleShot(0, about, &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(about.isNull());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

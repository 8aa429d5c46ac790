#include "flow/window/rayleigh.h"
#include "test_support.h"
#include "ui/calculator.h"

#include <QTest>

#include <cmath>

using Kind = flow::ArithmeticFault::Kind;
using ui::Calculator;

namespace {

// A coordinate as it reaches the surface.
double single(double value) { return double(float(value)); }

double toToStarAt(double gama, double M) { return flow::RatiosFromMach(gama, M).ToToStar; }

// Where the curve's loop ends: 30 steps of 0.1, summed in double.
constexpr double kLastM = 3.0000000000000013;

Calculator at(std::optional<double> gama, double M)
{
    Calculator c;
    c.gama = gama;
    c.M = M;
    c.ToToStar = 1;
    return c;
}

} // namespace

class CalculatorTest : public OffscreenTest {
    Q_OBJECT
private slots:
    void oranlarFindsTheRatiosAndKeepsToToStar();
    void oranlarIgnoresMachAtOrBelowZero_data();
    void oranlarIgnoresMachAtOrBelowZero();
    void oranlarFaultChangesNothing();

    void graphDrawsAxesStartPointAndThirtyRedSteps();
    void graphStoppedByAFaultKeepsWhatItDrew_data();
    void graphStoppedByAFaultKeepsWhatItDrew();

    void graphWithPointMarksItWithGuides();
    void graphWithPointFaultKeepsTheChartsLastRatios();
    void graphWithSonicPointUsesTheGivenGamaAndKeepsNone();
};

void CalculatorTest::oranlarFindsTheRatiosAndKeepsToToStar()
{
    Calculator c = at(1.4, 2);
    const auto r = c.oranlar();
    QVERIFY(r);
    QCOMPARE(c.ToToStar, r->ToToStar);
    QVERIFY(std::fabs(c.ToToStar - 0.793388) < 1e-6);

    // An empty gama counts as 0: every ratio at M = 1 is 1.
    Calculator empty = at(std::nullopt, 1);
    QCOMPARE(empty.oranlar()->PoPoStar, 1.0);
}

void CalculatorTest::oranlarIgnoresMachAtOrBelowZero_data()
{
    QTest::addColumn<double>("M");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -2.0;
}

void CalculatorTest::oranlarIgnoresMachAtOrBelowZero()
{
    QFETCH(double, M);
    Calculator c = at(1.4, M);
    c.ToToStar = 0.25;
    QVERIFY(!c.oranlar());
    QCOMPARE(c.ToToStar, 0.25);
}

void CalculatorTest::oranlarFaultChangesNothing()
{
    Calculator c = at(1.0, 2); // g / (g - 1)
    QCOMPARE(faultOf([&] { c.oranlar(); }), Kind::DivisionByZero);
    QCOMPARE(c.ToToStar, 1.0);
    QCOMPARE(c.M, 2.0);
}

void CalculatorTest::graphDrawsAxesStartPointAndThirtyRedSteps()
{
    Calculator c = at(1.4, 2);
    RecordingSurface s;
    const Calculator::Drawn drawn = c.Graph(s);
    QVERIFY(!drawn.fault);

    QStringList expected {"clear", "scale", "line", "line", "point"};
    for (int i = 0; i < 30; ++i)
        expected << QStringLiteral("line");
    QCOMPARE(s.ops(), expected);
    const auto &calls = s.calls;
    QCOMPARE(calls[1].x1, -0.5);
    QCOMPARE(calls[1].y1, -1.5);
    QCOMPARE(calls[1].x2, 3.5);
    QCOMPARE(calls[1].y2, 0.3);
    // The axes, in the foreground colour, from the origin.
    QCOMPARE(calls[2].x2, single(3.2));
    QCOMPARE(calls[2].y2, 0.0);
    QCOMPARE(calls[3].x2, 0.0);
    QCOMPARE(calls[3].y2, single(-1.4));
    QCOMPARE(calls[2].colour, chart::kForeground);
    QCOMPARE(calls[3].colour, chart::kForeground);
    // The start point at M = 0.3; the curve goes back to 0.1 from it, then on
    // in steps of 0.1, each line from where the last one ended.
    QCOMPARE(calls[4].x1, single(0.3));
    QCOMPARE(calls[4].y1, single(-toToStarAt(1.4, 0.3)));
    double m = 0.1;
    for (std::size_t i = 5; i < calls.size(); ++i, m += 0.1) {
        QCOMPARE(calls[i].colour, chart::kRed);
        QCOMPARE(calls[i].x1, calls[i - 1].op == "point" ? calls[i - 1].x1 : calls[i - 1].x2);
        QCOMPARE(calls[i].x2, single(m));
        QCOMPARE(calls[i].y2, single(-toToStarAt(1.4, m)));
    }
    // It rises from about 0.0468 to 1 at M = 1 and falls to about 0.654.
    QVERIFY(std::fabs(calls[5].y2 + 0.0468) < 1e-4);
    QVERIFY(std::fabs(calls[14].y2 + 1.0) < 1e-6);
    QVERIFY(std::fabs(calls.back().y2 + 0.65398) < 1e-5);

    // M is left past the loop; the ratios are the last point's.
    QCOMPARE(c.M, 3.1000000000000014);
    QCOMPARE(drawn.ratios->ToToStar, toToStarAt(1.4, kLastM));
    QCOMPARE(c.ToToStar, drawn.ratios->ToToStar);
}

void CalculatorTest::graphStoppedByAFaultKeepsWhatItDrew_data()
{
    QTest::addColumn<double>("gama");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("redLines");
    QTest::addColumn<double>("stoppedAtM");
    // g / (g - 1): the start point already faults.
    QTest::newRow("gama_1") << 1.0 << int(Kind::DivisionByZero) << 0 << 0.3;
    // f turns negative past M = 1.83, under a fractional power.
    QTest::newRow("gama_0.4") << 0.4 << int(Kind::NoRealValue) << 18 << 1.9;
}

void CalculatorTest::graphStoppedByAFaultKeepsWhatItDrew()
{
    QFETCH(double, gama);
    QFETCH(int, kind);
    QFETCH(int, redLines);
    QFETCH(double, stoppedAtM);
    Calculator c = at(gama, 2);
    RecordingSurface s;
    const Calculator::Drawn drawn = c.Graph(s);
    QVERIFY(drawn.fault);
    QCOMPARE(int(drawn.fault->kind()), kind);
    QVERIFY(std::fabs(c.M - stoppedAtM) < 1e-9);
    QCOMPARE(int(s.only(QStringLiteral("line")).size()), 2 + redLines); // the axes first
    if (redLines == 0) {
        QVERIFY(!drawn.ratios);
        QCOMPARE(c.ToToStar, 1.0);
        return;
    }
    // The boxes are to show the last point that was found and drawn.
    const double lastM = c.M - 0.1;
    QCOMPARE(drawn.ratios->ToToStar, toToStarAt(gama, lastM));
    QCOMPARE(c.ToToStar, drawn.ratios->ToToStar);
    QCOMPARE(s.calls.back().x2, single(lastM));
    QCOMPARE(s.calls.back().y2, single(-drawn.ratios->ToToStar));
}

void CalculatorTest::graphWithPointMarksItWithGuides()
{
    Calculator c = at(1.4, 2);
    RecordingSurface s;
    const Calculator::Drawn drawn = c.graphWithPoint(s);
    QVERIFY(!drawn.fault);
    QCOMPARE(c.M, 2.0);
    QCOMPARE(drawn.ratios->PPstar, flow::RatiosFromMach(1.4, 2).PPstar);
    const double t = single(-c.ToToStar);
    QVERIFY(std::fabs(t + 0.79339) < 1e-5);

    // After the chart: the circle, then the guides to both axes, all blue.
    QCOMPARE(s.ops().mid(35), (QStringList {"circle", "line", "line"}));
    const RecordingSurface::Call &circle = s.calls[35], &across = s.calls[36], &down = s.calls[37];
    QCOMPARE(circle.x1, 2.0);
    QCOMPARE(circle.y1, t);
    QCOMPARE(circle.radius, single(0.05));
    QCOMPARE(across.x1, 0.0);
    QCOMPARE(across.y1, t);
    QCOMPARE(across.x2, 2.0);
    QCOMPARE(across.y2, t);
    QCOMPARE(down.x1, 2.0);
    QCOMPARE(down.y1, 0.0);
    QCOMPARE(down.x2, 2.0);
    QCOMPARE(down.y2, t);
    for (const auto &call : {circle, across, down})
        QCOMPARE(call.colour, chart::kBlue);
}

void CalculatorTest::graphWithPointFaultKeepsTheChartsLastRatios()
{
    Calculator c = at(1.4, 1e200); // its ratios overflow
    RecordingSurface s;
    const Calculator::Drawn drawn = c.graphWithPoint(s);
    QCOMPARE(drawn.fault->kind(), Kind::Overflow);
    QCOMPARE(drawn.ratios->ToToStar, toToStarAt(1.4, kLastM));
    QCOMPARE(s.only(QStringLiteral("circle")).size(), 0u);
    QCOMPARE(s.ops().size(), 35);
}

void CalculatorTest::graphWithSonicPointUsesTheGivenGamaAndKeepsNone()
{
    Calculator c = at(std::nullopt, 2);
    RecordingSurface s;
    const Calculator::Drawn drawn = c.graphWithSonicPoint(s, 1.2);
    QVERIFY(!drawn.fault);
    QVERIFY(!c.gama);
    QCOMPARE(s.calls[s.calls.size() - 2].y2, single(-toToStarAt(1.2, kLastM)));
    // The sonic point alone: every ratio 1, a circle at (1, -1), no guides.
    QCOMPARE(c.M, 1.0);
    QCOMPARE(c.ToToStar, 1.0);
    QCOMPARE(drawn.ratios->TTstar, 1.0);
    QCOMPARE(s.ops().back(), QStringLiteral("circle"));
    QCOMPARE(s.calls.back().x1, 1.0);
    QCOMPARE(s.calls.back().y1, -1.0);
    QCOMPARE(s.calls.back().radius, single(0.05));
    QCOMPARE(s.calls.back().colour, chart::kBlue);
}

QTEST_APPLESS_MAIN(CalculatorTest)
#include "calculator_test.moc"

#include "flow/heat.h"

#include "flow/number_text.h"
#include "flow/relations.h"
#include "flow/window/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

using flow::addHeat;
using flow::HeatGiven;

namespace {

std::string shown(double v) { return flow::FormatResult(v, "."); }

} // namespace

TEST(Heat, CombustorExample)
{
    const flow::HeatResult r = addHeat(1.4, 0.3, 1.5);
    ASSERT_TRUE(r.solved()) << r.note;
    EXPECT_EQ(shown(r.process->M2), "0.39505");
    EXPECT_EQ(shown(*r.T0Star), "2.883"); // 2.88300
    EXPECT_EQ(shown(*r.qStar), "1.883");
    // The same heat given as q/(cp T01).
    EXPECT_EQ(addHeat(1.4, 0.3, 0.5, HeatGiven::QRatio).process->M2, r.process->M2);
}

// 50-digit values: heating and cooling on both branches, and just below
// the choking heat.
TEST(Heat, ExitStateMatchesHighPrecision)
{
    struct Row {
        double gamma, M1, T0ratio, M2, p, T, rho, V, p0, s, T0Star;
    };
    const Row rows[] {
        {1.4, 0.3, 1.5, 0.39504759659391676, 0.92409636208979223, 1.4807810895676006, 0.62406007788743132,
            1.6024098246841888, 0.96675996805933411, 1.4529329160298154, 2.8830040748017175},
        {1.4, 2.0, 1.1, 1.6463740439104736, 1.3765008190755995, 1.2839555180327072, 1.0720782766561036,
            0.93276771087935723, 0.80117234327750882, 0.55526482422583723, 1.2604166666666667},
        {1.4, 0.5, 0.8, 0.4137970122514481, 1.0889563134771963, 0.81218620152105482, 1.3407717484461186,
            0.74583910435086771, 1.0328346220297021, -0.8133095120801292, 1.4464285714285714},
        {1.4, 3.0, 0.9, 4.0112706869680035, 0.57807375921398108, 0.59743125827129832, 0.96759878431314544,
            1.033486209586192, 2.4256282556738452, -1.2548523701425127, 1.5291005291005292},
        {1.4, 0.3, 2.883, 0.99857472317669769, 0.46994754935812142, 2.4469066780122284, 0.19205781470173945,
            5.2067654812847512, 0.8343431713527729, 3.8870204501113608, 2.8830040748017175},
        {1.3, 0.8, 1.0001, 0.80022326136315039, 0.99974654436811769, 1.0000511013298064, 0.99969545860078181,
            1.0003046341729355, 0.99995839133848182, 0.0004749211952935016, 1.0401658203744843},
    };
    for (const Row &row : rows) {
        const flow::HeatResult r = addHeat(row.gamma, row.M1, row.T0ratio);
        ASSERT_TRUE(r.solved()) << r.note;
        const flow::HeatProcess &p = *r.process;
        const double got[] {p.M2, p.p, p.T, p.rho, p.V, p.p0, p.ds, *r.T0Star};
        const double exact[] {row.M2, row.p, row.T, row.rho, row.V, row.p0, row.s, row.T0Star};
        for (int i = 0; i < 8; ++i)
            EXPECT_NEAR(got[i], exact[i], 1e-15 * std::fabs(exact[i])) << "M1 " << row.M1 << ", column " << i;
    }
}

TEST(Heat, ChokingBoundFromBothSides)
{
    const double most = *addHeat(1.4, 0.3, 1.0).qStar; // q*/(cp T01)
    const flow::HeatResult below = addHeat(1.4, 0.3, most * (1 - 1e-10), HeatGiven::QRatio);
    ASSERT_TRUE(below.solved());
    EXPECT_LT(below.process->M2, 1.0);
    EXPECT_EQ(shown(below.process->M2), "0.99999");

    const flow::HeatResult choked = addHeat(1.4, 0.3, *addHeat(1.4, 0.3, 1.0).T0Star);
    ASSERT_TRUE(choked.solved()) << "exactly choked is an exit state: " << choked.note;
    EXPECT_EQ(shown(choked.process->M2), "1");

    const flow::HeatResult above = addHeat(1.4, 0.3, 3);
    EXPECT_FALSE(above.solved());
    EXPECT_EQ(above.note,
        "the duct chokes: at M1 = 0.3 and gamma = 1.4 at most q/(cp*T01) = 1.883 can be added; "
        "more heat changes the inlet flow");
    EXPECT_EQ(shown(*above.qStar), "1.883");       // still told
    EXPECT_FALSE(addHeat(1.4, 2.0, 1.3).solved()); // a supersonic inlet chokes too
}

TEST(Heat, CoolingAndRefusals)
{
    EXPECT_EQ(addHeat(1.4, 3, 0.7).note,
        "a supersonic flow cannot be cooled below T0/T0* = 0.4898: at M1 = 3 and "
        "gamma = 1.4 at most -q/(cp*T01) = 0.25105 can be taken away");
    EXPECT_TRUE(addHeat(1.4, 0.3, 0.01).solved()); // a subsonic flow can be cooled to a standstill
    EXPECT_FALSE(addHeat(1.4, 1, 0.9).solved());   // which branch is left open
    EXPECT_EQ(addHeat(1.4, 0.3, 0).note, "T02/T01 must be above 0, not 0");
    EXPECT_EQ(addHeat(1.4, 0.3, -1, HeatGiven::QRatio).note, "q/(cp*T01) must be above -1, not -1");
    EXPECT_EQ(addHeat(1.4, -2, 1.1).note, "M1 must be a number above 0, not -2");
    EXPECT_EQ(addHeat(0.9, 0.3, 1.1).note, "gamma must be above 1 and at most 1e6, not 0.9");
}

TEST(Heat, AbsoluteValuesAtBothStations)
{
    const flow::HeatStations s = flow::stations(addHeat(1.4, 0.3, 1.5), 1.4, 0.3, 300, 1e5, 1005);
    EXPECT_NEAR(*s.T1, 294.69548133595285, 1e-12);
    EXPECT_NEAR(*s.T2, 436.37949594330077, 1e-12);
    EXPECT_EQ(*s.T02, 450);
    EXPECT_NEAR(*s.p2, 92409.636208979223, 1e-9);
    EXPECT_NEAR(*s.p02, 102904.85894426023, 1e-9);
    EXPECT_EQ(*s.q, 150750);
    EXPECT_NEAR(*s.qStar, 567725.72855271783, 1e-8);
    EXPECT_EQ(s.note, "");
    EXPECT_FALSE(flow::stations(addHeat(1.4, 0.3, 1.5), 1.4, 0.3, 300, std::nullopt, 1005).p2);
}

// The exit Mach number leads back to the heat that was added.
TEST(Heat, ExitStateReproducesTheHeat)
{
    int misses = 0;
    for (double gamma : {1.1, 1.4, 5.0 / 3.0}) {
        for (double M1 : {0.01, 0.2, 0.6, 0.95, 0.999, 1.001, 1.3, 2.5, 8.0}) {
            for (double ratio : {0.3, 0.8, 0.99, 1.0, 1.01, 1.2, 2.0, 10.0}) {
                const flow::HeatResult r = addHeat(gamma, M1, ratio);
                if (!r.solved())
                    continue;
                const double t1 = flow::fromMach(gamma, M1).state->T0;
                const double t2 = flow::fromMach(gamma, r.process->M2).state->T0;
                if (std::fabs(t2 / t1 / ratio - 1) > 1e-12 || (r.process->M2 < 1) != (M1 < 1))
                    if (++misses <= 5)
                        ADD_FAILURE() << "gamma " << gamma << ", M1 " << M1 << ", T02/T01 " << ratio;
            }
        }
    }
    EXPECT_EQ(misses, 0);
}

TEST(Heat, NoHeatIsNoChangeForEveryInlet)
{
    for (double M1 :
        {1e-300, 1e-5, 0.3, 0.999999999999, 1 - 0x1p-53, 1.0, 1 + 0x1p-52, 1.0000001, 4.5e9, 1e10, 1e300}) {
        for (const auto &[heat, given] : {std::pair {1.0, HeatGiven::T0Ratio}, std::pair {0.0, HeatGiven::QRatio}}) {
            const flow::HeatResult r = addHeat(1.4, M1, heat, given);
            ASSERT_TRUE(r.process) << M1 << ": " << r.note;
            const flow::HeatProcess &p = *r.process;
            EXPECT_EQ(p.M2, M1);
            for (double ratio : {p.T0, p.p, p.T, p.rho, p.V, p.p0})
                EXPECT_EQ(ratio, 1.0) << M1;
            EXPECT_EQ(p.ds, 0.0) << M1;
            EXPECT_EQ(p.q, 0.0) << M1;
            if (r.qStar) {
                EXPECT_GE(*r.qStar, 0.0) << M1;
            }
            EXPECT_EQ(r.solved(), M1 > 1e-150) << M1 << ": " << r.note; // q* overflows below
        }
    }
    EXPECT_EQ(addHeat(1.4, 1e-300, 1).note, "q*/(cp*T01) is above 1.7977e+308, the largest a double holds");
    // Heat at such an inlet still has its exit: M2 = M1 sqrt(T02/T01) in the limit.
    const flow::HeatResult slow = addHeat(1.4, 1e-200, 1.5);
    ASSERT_TRUE(slow.process) << slow.note;
    EXPECT_NEAR(slow.process->M2, 1e-200 * std::sqrt(1.5), 1e-214);
}

// The choking heat, given back in either form, chokes exactly; one step
// more is refused with a bound that differs from the input.
TEST(Heat, TheChokingHeatReadBackIsExactlyChoked)
{
    for (double gamma : {1.1, 1.4, 5.0 / 3.0}) {
        for (double M1 : {1e-3, 0.2, 0.3, 0.7, 0.999, 1.001, 1.5, 3.0, 1e3}) {
            const flow::HeatResult at = addHeat(gamma, M1, 1);
            for (const auto &[bound, given] :
                {std::pair {*at.T0Star, HeatGiven::T0Ratio}, std::pair {*at.qStar, HeatGiven::QRatio}}) {
                const flow::HeatResult choked = addHeat(gamma, M1, bound, given);
                ASSERT_TRUE(choked.solved()) << M1 << ": " << choked.note;
                EXPECT_EQ(choked.process->M2, 1.0) << M1;
                const flow::HeatResult below = addHeat(gamma, M1, std::nextafter(bound, 0.0), given);
                ASSERT_TRUE(below.solved()) << M1 << ": " << below.note;
                EXPECT_EQ(below.process->M2 < 1, M1 < 1) << M1;
                const double more = std::nextafter(bound, 1e300);
                const flow::HeatResult over = addHeat(gamma, M1, more, given);
                EXPECT_FALSE(over.process) << M1;
                const auto shown = over.note.find("= ", over.note.find("at most")) + 2;
                const double printed = std::stod(over.note.substr(shown, over.note.find(' ', shown) - shown));
                EXPECT_NE(flow::readNumber(over.note.substr(shown, over.note.find(' ', shown) - shown)).value, more);
                if (given == HeatGiven::QRatio) {
                    EXPECT_LT(printed, more) << over.note;
                }
            }
        }
    }
}

TEST(Heat, CoolingASupersonicFlowToItsLimit)
{
    // At M1 = 3 the limit is T02/T01 = ((g^2 - 1)/g^2) / (T01/T0*), from
    // 30 digits.
    const double least = 0.748947197926789711119094584772;
    const flow::HeatResult over = addHeat(1.4, 3, 0.7);
    EXPECT_EQ(over.note,
        "a supersonic flow cannot be cooled below T0/T0* = 0.4898: at M1 = 3 and "
        "gamma = 1.4 at most -q/(cp*T01) = 0.25105 can be taken away");
    EXPECT_TRUE(addHeat(1.4, 3, least * (1 + 1e-9)).solved());
    EXPECT_FALSE(addHeat(1.4, 3, least * (1 - 1e-9)).process);
    // The double nearest the limit, 0.74894719792678976, lies just above it:
    // a flow far out on the supersonic branch; one step below is past it.
    const flow::HeatResult far = addHeat(1.4, 3, 0.74894719792678976);
    ASSERT_TRUE(far.solved()) << far.note;
    EXPECT_GT(far.process->M2, 1e7);
    EXPECT_EQ(
        addHeat(1.4, 3, 0.74894719792678965).note.substr(0, 48), "a supersonic flow cannot be cooled below T0/T0* ");
}

// Many processes at once, each with its own gamma, give what each gives
// alone: those the kernel settles and those it leaves, refusals included.
TEST(Heat, ManyAtOnceAreEachAlone)
{
    const double M1[] {0.3, 0.3, 0.3, 3.0, 3.0, 1.0, 2.0, -1.0, 0.5};
    const double q[] {0.5, 0.0, 5.0, -0.5, -0.1, 0.2, 0.1, 0.1, -2.0};
    const double gamma[] {1.4, 1.1, 1.3, 1.4, 5.0 / 3.0, 1.4, 1e6, 1.4, 2.0};
    constexpr std::size_t n = std::size(M1);
    double c[11][n];
    const flow::HeatColumns out {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10]};
    const auto left = flow::addHeats(M1, q, HeatGiven::QRatio, gamma, true, n, out);
    auto next = left.begin();
    for (std::size_t i = 0; i < n; ++i) {
        const flow::HeatResult alone = addHeat(gamma[i], M1[i], q[i], HeatGiven::QRatio);
        const bool settled = next == left.end() || next->first != i;
        const flow::HeatResult many = settled ? flow::heatResultAt(out, i) : (next++)->second;
        EXPECT_EQ(many.note, alone.note) << i;
        ASSERT_EQ(many.process.has_value(), alone.process.has_value()) << i;
        if (alone.process) {
            EXPECT_EQ(many.process->M2, alone.process->M2) << i;
            EXPECT_EQ(many.process->ds, alone.process->ds) << i;
        }
        EXPECT_EQ(many.qStar, alone.qStar) << i;
    }
    EXPECT_LT(left.size(), n); // some settled by the kernel
}

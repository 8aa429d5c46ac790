#include "flow/relations.h"

#include "flow/exact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using flow::Branch;
using flow::BranchChoice;
using flow::Quantity;

namespace {

// Within two units in the last place.
void expectClose(double actual, double exact, const std::string &what)
{
    EXPECT_LE(std::fabs(actual - exact), 4e-16 * std::fabs(exact)) << what << ": " << actual << " instead of " << exact;
}

std::string fixed(double value, int decimals)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + 64, value, std::chars_format::fixed, decimals).ptr);
}

// How far the last bit of q(M) alone moves M: its slope, or next to the
// extremum of q, where the slope vanishes, the square-root sensitivity.
double inputBitError(double gamma, Quantity q, double M, double flat)
{
    const auto at = [&](double m) { return (*flow::fromMach(gamma, m).state)[q]; };
    const double h = 1e-6 * M;
    const double slope = std::fabs(at(M + h) - at(M - h)) / (2 * h);
    const double bits = 8 * std::numeric_limits<double>::epsilon() * std::fabs(at(M));
    return 1e-12 * M + (std::fabs(M / flat - 1) < 1e-2 ? 1e-7 : bits / slope);
}

} // namespace

// 50-digit values of M and the seven ratios for the exact doubles given.
TEST(Relations, ForwardMatchesHighPrecision)
{
    struct Row {
        double gamma, M, T, p, rho, V, T0, p0, s;
    };
    const Row rows[] {
        {1.4, 1.0e-3, 5.7599838720338686e-6, 2.3999966400047039, 4.1666725e+5, 2.399996640004704e-6,
            4.799987520025536e-6, 1.2678754030092789, 43.101482928745687},
        {1.4, 0.10000000000000001, 0.056020447463324115, 2.3668639053254437, 42.249999999999997, 0.02366863905325444,
            0.046777073631875638, 1.259145596236027, 10.94870065784887},
        {1.4, 0.5, 0.79012345679012342, 1.7777777777777777, 2.25, 0.44444444444444444, 0.69135802469135801,
            1.1140525031800884, 1.3998453944982463},
        {1.4, 0.99999000000000005, 1.0000033332583321, 1.0000116667444446, 1.000008333458335, 0.99999166661111099,
            0.99999999993055463, 1.0000000000486111, 2.9166990743189406e-10},
        {1.4, 1.0000100000000001, 0.99999666659166788, 0.99998833341111081, 0.99999166679166495, 1.000008333277778,
            0.99999999993055648, 1.0000000000486111, 2.9166342595688846e-10},
        {1.4, 2.0, 0.52892561983471076, 0.36363636363636364, 0.68749999999999999, 1.4545454545454546,
            0.79338842975206609, 1.5030959785260411, 1.2175752061512626},
        {1.4, 3.0, 0.28027681660899655, 0.17647058823529412, 0.62962962962962962, 1.5882352941176471,
            0.65397923875432522, 3.4244519899125345, 2.7173203116518711},
        {1.4, 10.0, 0.028972385694884565, 0.017021276595744681, 0.58749999999999998, 1.7021276595744681,
            0.50701674966047979, 381.61487912392048, 8.3216512671872921},
        {1.4, 1000.0, 2.938771311957851e-6, 1.714284489796793e-6, 0.58333374999999998, 1.714284489796793,
            0.48979766763573505, 3.2401201844665418e+12, 31.304801676227325},
        {1.1, 1.0e-3, 4.4099902980160088e-6, 2.0999976900025411, 4.7619099999999996e+5, 2.0999976900025412e-6,
            4.1999909700147843e-6, 1.2278258317778515, 136.38995499827728},
        {1.1, 0.10000000000000001, 0.043145576697866504, 2.0771513353115728, 48.142857142857136, 0.02077151335311573,
            0.041111570939252795, 1.2211636605679553, 35.305926547357073},
        {1.1, 0.5, 0.67820069204152253, 1.6470588235294118, 2.4285714285714285, 0.41176470588235295,
            0.65397923875432527, 1.1040078741805257, 4.7704234838200481},
        {1.1, 0.99999000000000005, 1.0000009522863935, 1.0000104762478458, 1.0000095239523828, 0.99999047613832199,
            0.99999999990929606, 1.0000000000498865, 1.0476298564611422e-9},
        {1.1, 1.0000100000000001, 0.99999904752449088, 0.9999895238668933, 0.99999047633333137, 1.0000095237573697,
            0.99999999990929805, 1.0000000000498867, 1.0476082389484995e-9},
        {1.1, 2.0, 0.60493827160493824, 0.38888888888888888, 0.64285714285714287, 1.5555555555555555,
            0.69135802469135807, 1.6894173565077357, 4.5844558133390784},
        {1.1, 3.0, 0.33406278932749766, 0.19266055045871559, 0.57671957671957674, 1.7339449541284403,
            0.46132480430940164, 6.7105564122708849, 10.413863983921712},
        {1.1, 10.0, 0.035792549306062817, 0.018918918918918918, 0.52857142857142859, 1.8918918918918918,
            0.20452885317750195, 4.0130796580895014e+6, 32.662577942373059},
        {1.1, 1000.0, 3.6446214725860457e-6, 1.9090891735552967e-6, 0.52381000000000002, 1.9090891735552967,
            0.17355687452454765, 5.4514184103173122e+45, 124.57595420711694},
        {1.6666666666666667, 1.0e-3, 7.1110874074666672e-6, 2.6666622222296297, 3.7500062499999997e+5,
            2.6666622222296298e-6, 5.3333173333718521e-6, 1.2990370231469781, 30.615466049524889},
        {1.6666666666666667, 0.10000000000000001, 0.068798710024187058, 2.6229508196721312, 38.124999999999995,
            0.026229508196721315, 0.051771029293200759, 1.2884168867672819, 7.6557256607281649},
        {1.6666666666666667, 0.5, 0.88581314878892736, 1.8823529411764706, 2.125, 0.47058823529411765,
            0.71972318339100347, 1.1201069219731879, 0.9356456678256846},
        {1.6666666666666667, 0.99999000000000005, 1.0000049999437487, 1.0000125000937503, 1.0000075001125015,
            0.9999924999437498, 0.99999999994374916, 1.0000000000468751, 1.875021875176294e-10},
        {1.6666666666666667, 1.0000100000000001, 0.99999499994375122, 0.99998750009374953, 0.99999250011249845,
            1.0000074999437503, 0.99999999994375084, 1.0000000000468749, 1.8749781252179243e-10},
        {1.6666666666666667, 2.0, 0.48393194706994328, 0.34782608695652174, 0.71875000000000001, 1.3913043478260869,
            0.84688090737240077, 1.4091501548061406, 0.75847479419752843},
        {1.6666666666666667, 3.0, 0.24999999999999999, 0.16666666666666666, 0.66666666666666668, 1.5,
            0.75000000000000002, 2.5980762113533158, 1.6739764335716714},
        {1.6666666666666667, 10.0, 0.025295542846301909, 0.015904572564612326, 0.62875000000000001, 1.5904572564612326,
            0.65136022829227422, 53.513713028858508, 5.0516690487093841},
        {1.6666666666666667, 1000.0, 2.5599969280027647e-6, 1.599999040000576e-6, 0.62500037500000001,
            1.599999040000576, 0.64000115199838723, 5.0000345000636656e+7, 18.843253719962747},
    };
    for (const Row &row : rows) {
        const flow::Solution got = flow::fromMach(row.gamma, row.M);
        ASSERT_TRUE(got.solved()) << got.note;
        const double exact[] {row.M, row.T, row.p, row.rho, row.V, row.T0, row.p0, row.s};
        for (std::size_t i = 0; i < flow::kAllQuantities.size(); ++i) {
            const Quantity q = flow::kAllQuantities[i];
            expectClose((*got.state)[q], exact[i],
                std::string(flow::quantityName(q)) + " at gamma " + std::to_string(row.gamma) + ", M "
                    + std::to_string(row.M));
        }
    }
}

TEST(Relations, PublishedTableAtGammaOnePointFour)
{
    struct Row {
        double M;
        Quantity q;
        const char *shown; // as printed, to its own number of decimals
    };
    const Row rows[] {
        {0.5, Quantity::T, "0.79012"},
        {0.5, Quantity::T0, "0.69136"},
        {0.5, Quantity::p, "1.778"},
        {0.5, Quantity::p0, "1.114"},
        {0.5, Quantity::V, "0.44444"},
        {2, Quantity::T, "0.52893"},
        {2, Quantity::p, "0.36364"},
        {2, Quantity::rho, "0.6875"},
        {2, Quantity::p0, "1.5031"},
        {2, Quantity::T0, "0.79339"},
        {2, Quantity::V, "1.45455"},
        {2, Quantity::s, "1.21758"},
        {3, Quantity::T0, "0.6540"},
        {3, Quantity::p0, "3.4245"},
        {3, Quantity::V, "1.588"},
    };
    for (const Row &row : rows) {
        const std::string shown = row.shown;
        const int decimals = static_cast<int>(shown.size() - shown.find('.') - 1);
        EXPECT_EQ(fixed((*flow::fromMach(1.4, row.M).state)[row.q], decimals), shown)
            << flow::quantityName(row.q) << " at M " << row.M;
    }
}

// 50-digit roots, found by bisection on the exact relations.
TEST(Relations, InversesMatchHighPrecision)
{
    struct Row {
        double gamma;
        Quantity q;
        double value, M;
    };
    const Row rows[] {
        {1.4, Quantity::T0, 0.9, 0.68843806338255053},
        {1.4, Quantity::T0, 0.9, 1.5368389402954595},
        {1.4, Quantity::p0, 1.3, 1.780159948523285},
        {1.4, Quantity::s, 1.21758, 0.5247270949960873},
        {1.4, Quantity::s, 1.21758, 2.0000030132764181},
        {1.4, Quantity::T, 1.0, 0.71428571428571433},
        {1.4, Quantity::T, 0.5, 2.0811491292195415},
        {1.4, Quantity::T, 0.5, 0.34321697770576439},
        {1.4, Quantity::p, 0.5, 1.647508942095828},
        {1.4, Quantity::rho, 3.0, 0.41522739926869985},
        {1.4, Quantity::V, 1.6, 3.1622776601683801},
        {1.4, Quantity::p0, 1.2, 0.2963586947059935},
        {1.4, Quantity::p0, 10000000000.0, 314.683890752754},
        {1.4, Quantity::s, 40.0, 0.0015574824455773577},
        {1.4, Quantity::s, 40.0, 5691.8794174662711},
        {1.1, Quantity::T0, 0.2, 0.2306850463955574},
        {1.6666666666666667, Quantity::p0, 1.25, 0.22286263022111393},
        {1.4, Quantity::T0, 0.999999999, 0.99996205362857662},
        {1.4, Quantity::T0, 0.999999999, 1.0000379482914233},
        {1.4, Quantity::p0, 1.0000000001, 0.99998565725609451},
        {1.4, Quantity::p0, 1.0000000001, 1.0000143427439055},
    };
    for (const Row &row : rows) {
        const auto solutions = flow::solve(row.gamma, row.q, row.value);
        const auto nearest = std::min_element(solutions.begin(), solutions.end(), [&](const auto &a, const auto &b) {
            return std::fabs(a.state.value_or(flow::FlowState {}).M - row.M)
                < std::fabs(b.state.value_or(flow::FlowState {}).M - row.M);
        });
        ASSERT_TRUE(nearest != solutions.end() && nearest->solved()) << flow::quantityName(row.q) << " = " << row.value;
        // Next to M = 1 the root is as sensitive as a square root.
        const double tolerance = std::fabs(row.M - 1) < 1e-3 ? 1e-10 : 1e-15;
        EXPECT_NEAR(nearest->state->M, row.M, tolerance * row.M) << flow::quantityName(row.q) << " = " << row.value;
        EXPECT_EQ((*nearest->state)[row.q], row.value);
    }
}

// Every quantity of a state leads back to that state's Mach number on the
// branch the state lies on, and reproduces the quantity.
TEST(Relations, RoundTripOverGammaAndMach)
{
    int misses = 0;
    for (double gamma : {1.01, 1.1, 1.3, 1.4, 5.0 / 3.0, 2.0, 10.0}) {
        for (int k = 0; k <= 240; ++k) {
            const double M = 1e-3 * std::pow(1e6, k / 240.0); // 1e-3 to 1e3, evenly in log M
            const flow::FlowState state = *flow::fromMach(gamma, M).state;
            for (Quantity q : flow::kAllQuantities) {
                if (!std::isfinite(state[q]))
                    continue;
                const double flat = q == Quantity::T ? 1 / std::sqrt(gamma) : 1.0; // where q has its extremum
                const bool low = M < flat;
                bool back = false;
                for (const flow::Solution &s : flow::solve(gamma, q, state[q])) {
                    if (!s.state || (s.state->M < flat) != low)
                        continue;
                    const double reproduced = (*flow::fromMach(gamma, s.state->M).state)[q];
                    back = std::fabs(reproduced - state[q]) <= 1e-12 * std::fabs(state[q])
                        && std::fabs(s.state->M - M) <= inputBitError(gamma, q, M, flat);
                }
                if (!back && ++misses <= 5)
                    ADD_FAILURE() << flow::quantityName(q) << " of gamma " << gamma << ", M " << M
                                  << " does not lead back";
            }
        }
    }
    EXPECT_EQ(misses, 0);
}

TEST(Relations, BranchesAndTheirNames)
{
    const auto t09 = flow::solve(1.4, Quantity::T0, 0.9);
    ASSERT_EQ(t09.size(), 2u);
    EXPECT_EQ(flow::branchName(t09[0].branch), "sub");
    EXPECT_EQ(flow::branchName(t09[1].branch), "sup");
    EXPECT_EQ(fixed(t09[0].state->M, 5), "0.68844");
    EXPECT_EQ(fixed(t09[1].state->M, 5), "1.53684");
    EXPECT_EQ(flow::solve(1.4, Quantity::T0, 0.9, BranchChoice::Sup).size(), 1u);

    const auto t1 = flow::solve(1.4, Quantity::T, 1.0); // M = 1/gamma and M = 1
    ASSERT_EQ(t1.size(), 2u);
    EXPECT_EQ(t1[0].branch, Branch::Low);
    EXPECT_EQ(t1[1].branch, Branch::High);
    EXPECT_EQ(t1[1].state->M, 1.0);

    EXPECT_EQ(flow::solve(1.4, Quantity::p, 0.5)[0].branch, Branch::Supersonic);
    EXPECT_EQ(flow::solve(1.4, Quantity::rho, 1.0)[0].branch, Branch::Sonic);
    EXPECT_EQ(flow::solve(1.4, Quantity::V, 0.5, BranchChoice::Sup).size(), 1u); // one root: the choice is moot
    for (const auto &sonic : flow::solve(1.4, Quantity::s, 0.0))
        EXPECT_EQ(sonic.state->M, 1.0);
}

TEST(Relations, InputsWithoutSolutionSayWhy)
{
    const auto note = [](double gamma, Quantity q, double value, std::size_t i = 0) {
        const auto solutions = flow::solve(gamma, q, value);
        EXPECT_FALSE(solutions.at(i).solved());
        return solutions.at(i).note;
    };
    EXPECT_EQ(
        note(1.4, Quantity::p0, 1.3), "p0/p0* = 1.3 is above 1.2679, the largest a subsonic flow has at gamma = 1.4");
    EXPECT_TRUE(flow::solve(1.4, Quantity::p0, 1.3)[1].solved());
    EXPECT_EQ(note(1.4, Quantity::p0, 0.9, 1), "p0/p0* = 0.9 is below 1, the smallest any flow has");
    EXPECT_EQ(note(1.4, Quantity::T0, 0.4, 1), "T0/T0* = 0.4 is below 0.4898: no supersonic flow reaches it");
    EXPECT_EQ(note(1.4, Quantity::T0, 1.2), "T0/T0* = 1.2 is above 1, the largest any flow has");
    EXPECT_EQ(note(1.4, Quantity::T0, 0), "T0/T0* must be above 0");
    EXPECT_EQ(note(1.4, Quantity::p, 2.5), "p/p* must be below 2.4 at gamma = 1.4");
    EXPECT_EQ(note(1.4, Quantity::rho, 0.5), "rho/rho* must be above 0.58333 at gamma = 1.4");
    EXPECT_EQ(note(1.4, Quantity::V, -1), "V/V* must be above 0");
    EXPECT_EQ(note(1.4, Quantity::T, 1.03, 1), "T/T* = 1.03 is above 1.0286, the largest any flow has at gamma = 1.4");
    EXPECT_EQ(note(1.4, Quantity::s, -0.1), "(s*-s)/R = -0.1 is below 0: no flow has more entropy than at M = 1");
    EXPECT_EQ(note(1.4, Quantity::s, 1e6), "(s*-s)/R = 1e+06 needs M below 4.9407e-324, the smallest a double holds");
    // The bound gets the digits it needs to stay on its side of the value.
    EXPECT_EQ(note(1.4, Quantity::p0, 1.26788),
        "p0/p0* = 1.26788 is above 1.267876, the largest a subsonic flow has at gamma = 1.4");
    EXPECT_EQ(note(1.0, Quantity::T0, 0.9), "gamma must be above 1 and at most 1e6, not 1");
    EXPECT_EQ(note(1.4, Quantity::T0, std::nan("")), "T0/T0* must be a number, not nan");
    EXPECT_EQ(flow::fromMach(1.4, 0).note, "M must be a number above 0, not 0");

    // A ratio past a double's range is named, never passed on as a number.
    const flow::Solution far = flow::fromMach(1.4, 1e100);
    EXPECT_FALSE(far.solved());
    EXPECT_EQ(far.note, "p0/p0* is above 1.7977e+308, the largest a double holds");
    EXPECT_EQ(far.state->V, 1.4 / 1.4 * 2.4 / 1.4);
}

// Next to M = 1 p0/p0* - 1 and the entropy are the small remainders of
// nearly equal terms: 50-digit values, to the last bit of a double.
TEST(Relations, StagnationPressureAndEntropyNextToTheSonicPoint)
{
    struct Row {
        double gamma, M, p0, s;
    };
    const Row rows[] {
        {1.4, 0.9, 1.0048561934716154, 0.03270010275875423},
        {1.4, 0.91, 1.0039343585122307, 0.026178048868736564},
        {1.4, 0.95, 1.0012150096100247, 0.007714363952711502},
        {1.4, 0.99, 1.0000486107286106, 0.00029493474820379065},
        {1.4, 0.999, 1.0000004861110738, 2.9199101235113955e-06},
        {1.4, 1.001, 1.000000486111074, 2.9134286380647593e-06},
        {1.4, 1.01, 1.0000486107507567, 0.00028845287025271974},
        {1.4, 1.05, 1.0012150788833514, 0.006902938374672324},
        {1.4, 1.08, 1.0031099296144148, 0.017112419537777628},
        {1.4, 1.1, 1.004858416896138, 0.02617878517535987},
        {1.1, 0.9, 1.0048665881164387, 0.11646868835798421},
        {1.1, 0.95, 1.001232153386671, 0.027595718052994232},
        {1.1, 1.01, 1.0000500052105068, 0.0010368933911898892},
        {1.1, 1.08, 1.0032531275288723, 0.0618385078909418},
        {5.0 / 3.0, 0.91, 1.003851727256436, 0.016918438280266058},
        {5.0 / 3.0, 0.99, 1.0000469528950546, 0.00018970698583016993},
        {5.0 / 3.0, 1.05, 1.0011620019614884, 0.004425698336019295},
        {5.0 / 3.0, 1.1, 1.0046080851238501, 0.016741965106371028},
    };
    const auto ulp = [](double x) { return std::nextafter(x, 1e300) - x; };
    for (const Row &row : rows) {
        const flow::FlowState state = *flow::fromMach(row.gamma, row.M).state;
        EXPECT_LE(std::fabs(state.p0 - row.p0), ulp(row.p0)) << "p0/p0*, gamma " << row.gamma << ", M " << row.M;
        EXPECT_LE(std::fabs(state.s - row.s), ulp(row.s)) << "entropy, gamma " << row.gamma << ", M " << row.M;
    }
}

// A value that rounds to a bound is at it: never refused in words that
// name the input itself as the bound, never an answer past the bound.
TEST(Relations, ValuesAtTheirBounds)
{
    const auto only = [](double gamma, Quantity q, double value, BranchChoice which) {
        const auto solutions = flow::solve(gamma, q, value, which);
        EXPECT_EQ(solutions.size(), 1u);
        return solutions.at(0);
    };
    // The largest T/T*, (1 + g)^2 / (4 g), has its two roots at M = 1/sqrt(g).
    // Its nearest double lies on one side of it: above, no flow has it;
    // below, two roots, never crossed.
    for (double gamma : {1.1, 1.4, 5.0 / 3.0, 1e6}) {
        const long double g = gamma;
        const auto tMax = static_cast<double>((1 + g) * (1 + g) / (4 * g));
        const flow::Solution low = only(gamma, Quantity::T, tMax, BranchChoice::Sub);
        const flow::Solution high = only(gamma, Quantity::T, tMax, BranchChoice::Sup);
        EXPECT_EQ(low.solved(), high.solved()) << gamma;
        EXPECT_EQ(low.solved(), gamma < 1e6) << gamma << ": " << low.note; // tMax rounds up only at 1e6
        if (low.solved()) {
            EXPECT_LT(low.state->M, high.state->M) << gamma;
            EXPECT_NEAR(low.state->M, 1 / std::sqrt(gamma), 1e-7) << gamma;
            EXPECT_NEAR(high.state->M, 1 / std::sqrt(gamma), 1e-7) << gamma;
        }
        EXPECT_FALSE(only(gamma, Quantity::T, std::nextafter(tMax, 2e6), BranchChoice::Sub).state);
    }
    EXPECT_EQ(only(1e6, Quantity::T, 250000.50000025, BranchChoice::Sub).note,
        "T/T* = 250000.50000025 is above 250000.50000025 less a fraction of an ulp, the largest any flow has at gamma "
        "= 1e+06");
    // (g^2 - 1)/g^2 at 1.4 rounds down: its double is no flow's.
    const double t0Limit = 0.48979591836734687;
    EXPECT_EQ(only(1.4, Quantity::T0, t0Limit, BranchChoice::Sup).note,
        "T0/T0* = 0.48979591836734687 is below 0.48979591836734687 plus a fraction of an ulp: no supersonic flow "
        "reaches it");
    EXPECT_EQ(only(1.4, Quantity::T0, std::nextafter(t0Limit, 0.0), BranchChoice::Sup).note,
        "T0/T0* = 0.4897959183673468 is below 0.4898: no supersonic flow reaches it");
    EXPECT_TRUE(only(1.4, Quantity::T0, std::nextafter(t0Limit, 1.0), BranchChoice::Sup).solved());
    // Bounds whose doubles lie inside the range belong to a flow, however
    // fast or slow: at 1.1 the T0/T0* limit rounds up, at 1.4 g/(1 + g)
    // rounds up and the subsonic p0/p0* limit down.
    const flow::Solution fast = only(1.1, Quantity::T0, 0.1735537190082646, BranchChoice::Sup);
    ASSERT_TRUE(fast.solved()) << fast.note;
    EXPECT_GT(fast.state->M, 1e7);
    const flow::Solution thin = only(1.4, Quantity::rho, 0.58333333333333337, BranchChoice::Both);
    ASSERT_TRUE(thin.solved()) << thin.note;
    EXPECT_GT(thin.state->M, 1e7);
    const double p0Max = 1.2678762905212178;
    const flow::Solution slow = only(1.4, Quantity::p0, p0Max, BranchChoice::Sub);
    ASSERT_TRUE(slow.solved()) << slow.note;
    EXPECT_LT(slow.state->M, 1e-6);
    EXPECT_TRUE(only(1.4, Quantity::p0, std::nextafter(p0Max, 0.0), BranchChoice::Sub).solved());
    EXPECT_EQ(only(1.4, Quantity::p0, std::nextafter(p0Max, 2.0), BranchChoice::Sub).note,
        "p0/p0* = 1.267876290521218 is above 1.267876, the largest a subsonic flow has at gamma = 1.4");
    // 1 + g is a double at 1.4: only M = 0 has it. (1 + g)/g rounds up.
    EXPECT_EQ(only(1.4, Quantity::p, 2.4, BranchChoice::Both).note,
        "p/p* = 2.4 is its limit as M goes to 0 at gamma = 1.4: no flow reaches it");
    EXPECT_EQ(only(1.4, Quantity::V, 1.7142857142857144, BranchChoice::Both).note,
        "V/V* must be below 1.7142857142857144 less a fraction of an ulp at gamma = 1.4");

    // gamma's own bounds, and rows of values no flow has name no branch.
    EXPECT_FALSE(flow::gammaProblem(1e6));
    EXPECT_TRUE(flow::gammaProblem(std::nextafter(1e6, 2e6)));
    EXPECT_TRUE(flow::gammaProblem(1.0));
    EXPECT_FALSE(flow::gammaProblem(std::nextafter(1.0, 2.0)));
    EXPECT_EQ(flow::fromMach(1.4, -1).branch, Branch::None);
    EXPECT_EQ(flow::fromMach(0.5, 0).branch, Branch::None); // gamma refused too
    EXPECT_EQ(flow::fromMach(0.5, 2).branch, Branch::Supersonic);
    EXPECT_EQ(flow::fromMach(1.4, std::nan("")).branch, Branch::None);
    EXPECT_EQ(flow::branchName(Branch::None), "");
    EXPECT_EQ(flow::solve(1.4, Quantity::p, 2.5)[0].branch, Branch::Subsonic); // the side it lies on
    EXPECT_EQ(flow::solve(1.4, Quantity::V, 2.0)[0].branch, Branch::Supersonic);

    // Ratios below the smallest double are left out and named, not 0.
    const flow::Solution cold = flow::fromMach(1e6, 1e200);
    EXPECT_TRUE(std::isnan(cold.state->T));
    EXPECT_TRUE(std::isnan(cold.state->p));
    EXPECT_EQ(cold.note, "T/T* and p/p* are below 4.9407e-324, the smallest a double holds");
}

// A value equal to its bound's first digits: the note gives the bound with
// as many more digits as it takes to differ from the value.
TEST(Relations, ABoundIsNeverShownAsTheValueItRefuses)
{
    const struct {
        double gamma;
        Quantity q;
        double value;
        BranchChoice which;
        const char *note;
    } cases[] = {
        {1.3, Quantity::T0, 0.40828, BranchChoice::Sup,
            "T0/T0* = 0.40828 is below 0.408284: no supersonic flow reaches it"},
        {1.4, Quantity::T, 1.0286, BranchChoice::Sub,
            "T/T* = 1.0286 is above 1.02857, the largest any flow has at gamma = 1.4"},
        {1.4, Quantity::p0, 1.2679, BranchChoice::Sub,
            "p0/p0* = 1.2679 is above 1.26788, the largest a subsonic flow has at gamma = 1.4"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(flow::solve(c.gamma, c.q, c.value, c.which).at(0).note, c.note);
}

// An inverse's row, one value or many, is the exact path's: M and every
// ratio at the exact root, with the value given in its own column.
TEST(Relations, InverseRowsAreTheExactPathsOneOrMany)
{
    for (const double gamma : {1.1, 1.4, 1000.0})
        for (const flow::QuantityRow &row : flow::kQuantities) {
            if (row.quantity == flow::Quantity::M)
                continue;
            const int k = static_cast<int>(row.quantity) - 1;
            std::vector<double> values;
            for (const double M : {1e-9, 0.3, 0.9, 1.0, 1.7, 25.0, 1e9})
                values.push_back(flow::fromMach(gamma, M).state.value().*row.member);
            values.push_back(-1); // refused on every branch
            for (const bool high : {false, true}) {
                const std::size_t n = values.size();
                std::vector<double> M(n), c[7];
                for (auto &column : c)
                    column.resize(n);
                const auto left = flow::solveMany(row.quantity, high, values.data(), &gamma, false, n, M.data(),
                    {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data()});
                auto next = left.begin();
                for (std::size_t i = 0; i < n; ++i) {
                    const auto which = high ? BranchChoice::Sup : BranchChoice::Sub;
                    const flow::Solution one = flow::solve(gamma, row.quantity, values[i], which).at(0);
                    const bool settled = next == left.end() || next->first != i;
                    const flow::Solution &many = settled ? one : (next++)->second;
                    EXPECT_EQ(many.note, one.note);
                    const auto exact = flow::exact::inverse(k, gamma, values[i], row.twoRoots && high);
                    ASSERT_EQ(one.state.has_value(), exact.found == flow::exact::Found::Root) << one.note;
                    if (!one.state)
                        continue;
                    const double want[8] = {exact.M, exact.at.T, exact.at.p, exact.at.rho, exact.at.V, exact.at.T0,
                        exact.at.p0, exact.at.s};
                    for (const flow::QuantityRow &other : flow::kQuantities) {
                        const std::size_t j = static_cast<std::size_t>(other.quantity);
                        const double got = settled ? (j == 0 ? M[i] : c[j - 1][i]) : (*many.state).*other.member;
                        EXPECT_EQ(got, other.quantity == row.quantity ? values[i] : want[j])
                            << row.name << " = " << values[i] << " at gamma " << gamma << ": " << other.name;
                        EXPECT_EQ((*one.state).*other.member, got) << row.name << " = " << values[i];
                    }
                }
            }
        }
}

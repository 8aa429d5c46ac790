#include "flow/exact.h"

#include <gmpxx.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>

using flow::exact::Found;
using flow::exact::inverse;

namespace {

constexpr const char *kNames[] = {"T", "p", "rho", "V", "T0", "p0", "s"};

std::array<double, 7> forward(double gamma, double M)
{
    const auto r = flow::exact::ratios(gamma, M);
    return {r.T, r.p, r.rho, r.V, r.T0, r.p0, r.s};
}

std::array<double, 7> fields(const flow::exact::Inverse &r)
{
    return {r.at.T, r.at.p, r.at.rho, r.at.V, r.at.T0, r.at.p0, r.at.s};
}

std::string where(int k, double gamma, double v, bool high)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s = %a, gamma %a, %s", kNames[k], v, gamma, high ? "sup" : "sub");
    return text;
}

double up(double v, int n = 1)
{
    for (; n > 0; --n)
        v = std::nextafter(v, INFINITY);
    return v;
}

double down(double v, int n = 1)
{
    for (; n > 0; --n)
        v = std::nextafter(v, -INFINITY);
    return v;
}

// The rational ratios at M^2 = X, written apart from flow's.
mpq_class ratioAt(int k, const mpq_class &g, const mpq_class &X)
{
    const mpq_class A = 1 + g, B = 1 + g * X, C = 2 + (g - 1) * X;
    const mpq_class rs[] = {A * A * X / (B * B), A / B, B / (A * X), A * X / B, A * X * C / (B * B)};
    return rs[k];
}

// M is the root's nearest double when the root's sonic side of the forward
// ratios, which the forward path rounds correctly, brackets v at M's two
// neighbours; every other ratio at the root lies between its values there.
void expectBrackets(int k, double gamma, double v, bool high, const flow::exact::Inverse &r)
{
    const std::string at = where(k, gamma, v, high);
    ASSERT_EQ(r.found, Found::Root) << at;
    const auto below = forward(gamma, down(r.M)), above = forward(gamma, up(r.M)), got = fields(r);
    EXPECT_EQ(got[k], v) << at;
    const double turn[] = {1 / std::sqrt(gamma), 0, 0, 0, 1, 1, 1};
    for (int j = 0; j < 7; ++j) {
        if (turn[j] != 0 && down(r.M) <= turn[j] * 1.0000001 && up(r.M) >= turn[j] * 0.9999999)
            continue; // f_j turns between the neighbours
        EXPECT_GE(got[j], std::min(below[j], above[j])) << at << ": " << kNames[j] << " at M " << r.M;
        EXPECT_LE(got[j], std::max(below[j], above[j])) << at << ": " << kNames[j] << " at M " << r.M;
    }
}

constexpr double kGammas[] = {1.0000001, 1.4, 5.0 / 3, 2, 3, 1000, 1e6};

} // namespace

// Values the forward path gives read back to a root beside the Mach number,
// from next to M = 0 and M = 1 out to M = 1e100; a value the forward path
// rounded onto a limit it never reaches is refused with that limit.
TEST(ExactInverse, ForwardValuesReadBackToTheirRoot)
{
    for (double gamma : kGammas)
        for (double M : {1e-300, 1e-8, 0.3, 0.9, 0.9999999, 1.0000001, 1.5, 2.0, 40.0, 1e9, 1e100})
            for (int k = 0; k < 7; ++k) {
                const bool high = k == 0 ? M * M * gamma > 1 : M > 1;
                const double v = forward(gamma, M)[k];
                if (!std::isfinite(v))
                    continue;
                const auto r = inverse(k, gamma, v, high);
                if (r.found == Found::Outside || r.found == Found::AtLimit)
                    EXPECT_EQ(r.limit, v) << where(k, gamma, v, high);
                else
                    expectBrackets(k, gamma, v, high, r);
            }
}

// Each faulted once: a value the forward path gives at a large or small M,
// strictly inside the range by less than an ulp of its end.
TEST(ExactInverse, ValuesNextToAnOpenEndAreRoots)
{
    struct Case {
        int k;
        double gamma, v;
        bool high;
        double Mlow, Mhigh; // where the root lies, loosely
    };
    for (const Case &c : {Case {2, 1.4, 0.5833333333333334, false, 1e7, 1e10},
             Case {5, 1.4, 1.2678762905212178, false, 1e-9, 1e-7}, Case {4, 1e6, 0.999999999999, true, 300.6, 300.7}}) {
        const auto r = inverse(c.k, c.gamma, c.v, c.high);
        expectBrackets(c.k, c.gamma, c.v, c.high, r);
        EXPECT_GT(r.M, c.Mlow);
        EXPECT_LT(r.M, c.Mhigh);
    }
}

// M correctly rounded for the rational ratios, by exact midpoint tests
// in GMP's rationals: the root lies between M's two midpoints.
TEST(ExactInverse, RationalRatiosRoundMAtTheMidpoints)
{
    const bool rising[][2] = {{true, false}, {false, false}, {false, false}, {true, true}, {true, false}};
    for (double gamma : kGammas)
        for (double M0 = 1e-6; M0 < 1e6; M0 *= 1.7)
            for (int k = 0; k < 5; ++k)
                for (int nudge : {-1, 0, 1}) {
                    const bool high = k == 0 ? M0 * M0 * gamma > 1 : M0 > 1;
                    const double v = up(forward(gamma, M0)[k], nudge);
                    const auto r = inverse(k, gamma, v, high);
                    if (r.found != Found::Root)
                        continue; // an end: the next test
                    const mpq_class g(gamma), V(v), lo = (mpq_class(down(r.M)) + r.M) / 2,
                                                    hi = (mpq_class(up(r.M)) + r.M) / 2;
                    const mpq_class flo = ratioAt(k, g, lo * lo), fhi = ratioAt(k, g, hi * hi);
                    const bool rises = rising[k][high];
                    EXPECT_TRUE(rises ? flo <= V && V <= fhi : fhi <= V && V <= flo) << where(k, gamma, v, high);
                }
}

// p0's subsonic end p0(M = 0) is no rational: its double is the one the
// forward path gives next to M = 0, and the refusal and the roots either
// side agree with it.
TEST(ExactInverse, SubsonicP0EndsAtItsValueAtRest)
{
    for (double gamma : kGammas) {
        const double L = forward(gamma, 1e-200)[5];
        for (int n = 1; n <= 3; ++n) {
            expectBrackets(5, gamma, down(L, n), false, inverse(5, gamma, down(L, n), false));
            const auto r = inverse(5, gamma, up(L, n), false);
            EXPECT_EQ(r.found, Found::Outside) << where(5, gamma, up(L, n), false);
            EXPECT_EQ(r.limit, L) << where(5, gamma, up(L, n), false);
        }
    }
}

// Roots past a double's range either way, and input out of the domain.
TEST(ExactInverse, BeyondVanishingAndBadInput)
{
    EXPECT_EQ(inverse(6, 1.4, 1e300, true).found, Found::Beyond);
    EXPECT_EQ(inverse(6, 1.4, 1e300, false).found, Found::Vanishing);
    EXPECT_EQ(inverse(6, 1e6, 3, true).found, Found::Beyond);
    // s next to the forward value at the least subnormal M and the largest.
    expectBrackets(6, 1.4, forward(1.4, 1e-320)[6], false, inverse(6, 1.4, forward(1.4, 1e-320)[6], false));
    expectBrackets(6, 1.4, forward(1.4, 1e300)[6], true, inverse(6, 1.4, forward(1.4, 1e300)[6], true));
    struct Bad {
        int k;
        double gamma, v;
    };
    for (const Bad &b : {Bad {7, 1.4, 1.0}, Bad {-1, 1.4, 1.0}, Bad {0, 1.0, 0.5}, Bad {0, 2e6, 0.5}, Bad {0, 1.4, NAN},
             Bad {5, 1.4, INFINITY}, Bad {1, NAN, 1.0}}) {
        const auto r = inverse(b.k, b.gamma, b.v, false);
        EXPECT_EQ(r.found, Found::Outside);
        EXPECT_TRUE(std::isnan(r.limit) && std::isnan(r.M));
    }
}

// Two threads at once get the same bits as one.
TEST(ExactInverse, ThreadsAtOnceAgree)
{
    const auto run = [](std::array<double, 14> &out) {
        for (int k = 0; k < 7; ++k) {
            out[k] = inverse(k, 1.4, forward(1.4, 0.7)[k], false).M;
            out[7 + k] = inverse(k, 1.4, forward(1.4, 3.0)[k], true).M;
        }
    };
    std::array<double, 14> one {}, a {}, b {};
    run(one);
    std::thread first(run, std::ref(a)), second(run, std::ref(b));
    first.join();
    second.join();
    EXPECT_EQ(a, one);
    EXPECT_EQ(b, one);
}

using flow::exact::heat;
using HeatFound = flow::exact::Heat::Found;

// A small heat keeps its digits in ds: ds/R = (g/(g - 1)) q T01/T1 to
// first order in q/q*, the entropy a small heat brings at the inlet's T.
TEST(ExactHeat, SmallHeatKeepsItsDigitsInDs)
{
    for (double gamma : {1.4, 1.0000001, 1e6})
        for (double M1 : {0.5, 3.0})
            for (double q : {1e-16, 1e-12, 1e-8, 1e-4, -1e-12}) {
                const auto h = heat(gamma, M1, q, true);
                if (q > h.qStar / 100 || (M1 > 1 && -q > h.mostTaken / 100))
                    continue; // far from the first order
                ASSERT_EQ(h.found, HeatFound::Exit) << gamma << " " << M1 << " " << q;
                const double first = gamma / (gamma - 1) * q * (1 + (gamma - 1) / 2 * M1 * M1);
                EXPECT_NEAR(h.ds / first, 1, 1e-14 + 4 * std::fabs(q) / h.qStar) << gamma << " " << M1 << " " << q;
            }
}

// The choking heat as printed chokes exactly, one ulp more chokes, one
// ulp less leaves the exit on the inlet's side of M = 1; the supersonic
// cooling limit likewise, with the exact comparison at the limit itself.
TEST(ExactHeat, ChokingAndTheCoolingLimitToTheUlp)
{
    for (double gamma : kGammas)
        for (double M1 : {0.3, 0.99, 1.01, 4.0, 1e10, 1e100}) {
            const auto at = heat(gamma, M1, 0.25, true);
            for (bool qGiven : {true, false}) {
                const double star = qGiven ? at.qStar : at.T0Star;
                EXPECT_EQ(heat(gamma, M1, star, qGiven).M2, 1) << gamma << " " << M1;
                EXPECT_EQ(heat(gamma, M1, up(star), qGiven).found, HeatFound::Chokes) << gamma << " " << M1;
                const auto below = heat(gamma, M1, down(star), qGiven);
                if (below.found == HeatFound::Exit) { // else a cooling past the limit
                    EXPECT_TRUE(M1 < 1 ? below.M2 <= 1 && below.M2 >= M1 : below.M2 >= 1 && below.M2 <= M1);
                }
            }
            if (M1 < 1)
                continue;
            // T02/T01 at the limit: (g^2 - 1)/g^2 over T0ratio(M1).
            ASSERT_GT(at.leastT0Ratio, 0);
            ASSERT_LE(at.leastT0Ratio, 1);
            const mpq_class g(gamma), X(mpq_class(M1) * M1), B = 1 + g * X;
            const mpq_class least = (g - 1) * B * B / (g * g * X * (2 + (g - 1) * X));
            const double L = at.leastT0Ratio;
            EXPECT_EQ(heat(gamma, M1, down(L), false).found, HeatFound::PastLimit);
            const auto above = heat(gamma, M1, up(L), false);
            EXPECT_TRUE(above.found == HeatFound::Exit || above.found == HeatFound::Beyond);
            if (above.found == HeatFound::Exit && up(L) < 1) {
                EXPECT_GT(above.M2, M1); // cooled: faster
            }
            const int side = cmp(mpq_class(L), least);
            EXPECT_EQ(heat(gamma, M1, L, false).found,
                side < 0        ? HeatFound::PastLimit
                    : side == 0 ? HeatFound::AtLimit
                                : above.found);
        }
}

// The exit's T0/T0* is the inlet's times T02/T01, and each exit ratio is
// the forward ratios' quotient, within what rounding M2 allows.
TEST(ExactHeat, ExitAgreesWithTheForwardRatios)
{
    for (double gamma : {1.4, 3.0})
        for (double M1 : {0.2, 0.7, 1.5, 6.0})
            for (double r : {0.6, 0.9, 1.05}) {
                const auto h = heat(gamma, M1, r, false);
                if (h.found != HeatFound::Exit)
                    continue;
                const auto in = forward(gamma, M1), out = forward(gamma, h.M2);
                const double want[]
                    = {out[1] / in[1], out[0] / in[0], out[2] / in[2], out[3] / in[3], out[5] / in[5], in[6] - out[6]};
                const double got[] = {h.p, h.T, h.rho, h.V, h.p0, h.ds};
                EXPECT_NEAR(out[4] / in[4], r, 1e-13) << gamma << " " << M1 << " " << r;
                for (int i = 0; i < 6; ++i)
                    EXPECT_NEAR(got[i], want[i], 1e-13 * std::fabs(want[i]) + 1e-15) << i;
            }
}

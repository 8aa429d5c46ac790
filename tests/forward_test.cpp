// The forward kernel: the same bits at every lane width, bounds that hold,
// and settled values equal to the exact path's.

#include "flow/exact.h"
#include "flow/forward.h"
#include "flow/relations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Random M over the whole domain and past it, the hard places next to
// M = 1, and gamma from next to 1 to 1e6.
struct Inputs {
    std::vector<double> M, gamma;
};

Inputs inputs(std::size_t n)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const double gammas[] = {1.0001, 1.01, 1.1, 1.3, 1.4, 5.0 / 3, 2, 1000, 1e6};
    Inputs in;
    for (std::size_t i = 0; i < n; ++i) {
        double M;
        switch (i % 4) {
        case 0: // the whole domain and a little past it
            M = std::pow(2.0, -210 + 420 * unit(random));
            break;
        case 1:
            M = std::pow(10.0, -3 + 6 * unit(random));
            break;
        case 2: // a few ulps to a percent from M = 1
            M = 1 + (unit(random) < 0.5 ? -1 : 1) * std::pow(10.0, -15.9 + 14 * unit(random));
            break;
        default:
            M = 0.9 + 0.2 * unit(random);
        }
        in.M.push_back(M);
        in.gamma.push_back(i % 5 == 0 ? 1 + std::pow(10.0, -4 + 10 * unit(random)) : gammas[i % 9]);
    }
    // Next to 1, gamma may put y = -d/((1 + g) M^2) past the series' reach
    // while x = g d/(1 + g) is within it: x just inside -2^-9.
    for (const double g : {1.0001, 1.001})
        for (int k = 1; k <= 40; ++k) {
            const double x = -0x1p-9 * (1 - k * 1e-4);
            in.M.push_back(std::sqrt(1 + x * (1 + g) / g));
            in.gamma.push_back(g);
        }
    // Out of the domain: each is left to the exact path.
    for (const double bad : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity(), 0x1p-201, 0x1p201}) {
        in.M.push_back(bad);
        in.gamma.push_back(1.4);
    }
    return in;
}

struct Result {
    std::vector<double> column[7];
    std::vector<std::size_t> rest;

    explicit Result(std::size_t n)
    {
        for (auto &c : column)
            c.assign(n, kNaN);
    }
    flow::forward::Columns columns()
    {
        auto *c = column;
        return {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data()};
    }
};

Result run(const Inputs &in, bool perElement)
{
    Result r(in.M.size());
    const double g = 1.4;
    flow::forward::ratios(in.M.data(), perElement ? in.gamma.data() : &g, perElement, in.M.size(), r.columns(), r.rest);
    return r;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ForwardKernel, EveryInstructionSetGivesTheSameBits)
{
    std::vector<std::size_t> none;
    flow::forward::ratios(nullptr, nullptr, false, 0, {}, none); // nothing to read, not even gamma
    EXPECT_TRUE(none.empty());
    const Inputs in = inputs(4003); // not a whole number of vectors
    const std::vector<std::int64_t> targets = flow::forward::targets();
    ASSERT_FALSE(targets.empty());
    for (const bool perElement : {false, true}) {
        flow::forward::forceTarget(targets.back());
        const Result first = run(in, perElement);
        EXPECT_LT(first.rest.size(), in.M.size() / 5) << "the kernel settles most elements";
        for (const std::int64_t target : targets) {
            flow::forward::forceTarget(target);
            const Result r = run(in, perElement);
            SCOPED_TRACE(flow::forward::targetName(target));
            ASSERT_EQ(r.rest, first.rest);
            std::size_t next = 0;
            for (std::size_t i = 0; i < in.M.size(); ++i) {
                if (next < r.rest.size() && r.rest[next] == i) {
                    ++next;
                    continue;
                }
                double one[7];
                ASSERT_TRUE(flow::forward::one(perElement ? in.gamma[i] : 1.4, in.M[i], one));
                for (int k = 0; k < 7; ++k) {
                    ASSERT_TRUE(sameBits(r.column[k][i], first.column[k][i])) << "M = " << in.M[i] << ", k = " << k;
                    ASSERT_TRUE(sameBits(one[k], r.column[k][i])) << "one value, M = " << in.M[i] << ", k = " << k;
                }
            }
        }
    }
    flow::forward::forceTarget(0);
}

// The exact value lies within the bound, and what the kernel settles is
// what the exact path rounds to.
TEST(ForwardKernel, BoundsHoldAndSettledValuesAreExact)
{
    const Inputs in = inputs(3000);
    int settled = 0;
    for (std::size_t i = 0; i < in.M.size(); ++i) {
        const double g = in.gamma[i], M = in.M[i];
        const flow::forward::Bounded b = flow::forward::bounded(g, M);
        if (!b.inDomain)
            continue;
        for (int k = 0; k < 7; ++k)
            ASSERT_LE(flow::exact::distance(k, g, M, b.hi[k], b.lo[k]), b.bound[k])
                << "gamma = " << g << ", M = " << M << ", ratio " << k;
        double one[7];
        if (!flow::forward::one(g, M, one))
            continue;
        ++settled;
        const flow::exact::Ratios e = flow::exact::ratios(g, M);
        const double exact[7] = {e.T, e.p, e.rho, e.V, e.T0, e.p0, e.s};
        for (int k = 0; k < 7; ++k)
            ASSERT_TRUE(sameBits(one[k], exact[k])) << "gamma = " << g << ", M = " << M << ", ratio " << k;
    }
    EXPECT_GT(settled, 2500);
}

// Values the kernel leaves go the exact path, with notes where a ratio
// leaves a double's range.
TEST(ForwardKernel, FromMachKeepsSubnormalsAndNamesWhatLeavesTheRange)
{
    // T/T* ~ 5.76 M^2 subnormal while rho/rho* ~ 1/(2.4 M^2) is not yet
    // past the largest double.
    const flow::Solution tiny = flow::fromMach(1.4, 5.5e-155);
    ASSERT_TRUE(tiny.solved()) << tiny.note;
    EXPECT_GT(tiny.state->T, 0);
    EXPECT_LT(tiny.state->T, std::numeric_limits<double>::min());
    EXPECT_EQ(tiny.state->T, flow::exact::ratios(1.4, 5.5e-155).T);
    const flow::Solution tinier = flow::fromMach(1.4, 1e-170);
    ASSERT_TRUE(tinier.state);
    EXPECT_TRUE(std::isnan(tinier.state->T));
    EXPECT_TRUE(std::isinf(tinier.state->rho));
    EXPECT_EQ(tinier.note,
        "rho/rho* is above 1.7977e+308, the largest a double holds; T/T*, V/V* and T0/T0* are "
        "below 4.9407e-324, the smallest a double holds");
    const flow::Solution sonic = flow::fromMach(1.4, 1);
    ASSERT_TRUE(sonic.solved());
    EXPECT_EQ(sonic.state->s, 0);
    EXPECT_EQ(sonic.state->p0, 1);
}

} // namespace

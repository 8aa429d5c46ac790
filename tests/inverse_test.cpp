// The inverse kernel: what it settles is the exact path's answer bit for bit,
// at every lane width, one value or many.

#include "flow/exact.h"
#include "flow/forward.h"
#include "flow/inverse.h"
#include "hard_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double ratio(const flow::exact::Ratios &r, int k)
{
    const double all[7] = {r.T, r.p, r.rho, r.V, r.T0, r.p0, r.s};
    return all[k];
}

struct Case {
    double gamma, value, M; // M: where the value was taken, when it was
};

// Values of ratio k: the exact ratios at random M over the kernel's domain
// and next to the extrema, and the hard places: next to each end of the
// range, at tiny and huge M, gamma from 1 + ulp to 1e6, and bad values.
std::vector<Case> cases(int k, std::size_t n)
{
    std::mt19937_64 random(11 + k);
    std::uniform_real_distribution<double> unit(0, 1);
    const double gammas[] = {1 + 0x1p-52, 1 + 1e-9, 1.0001, 1.1, 1.4, 5.0 / 3, 2, 1000, 1e6};
    std::vector<Case> out;
    for (std::size_t i = 0; i < n; ++i) {
        const double g = i % 4 == 0 ? 1 + std::pow(10.0, -6 + 12 * unit(random)) : gammas[i % 9];
        double M;
        switch (i % 3) {
        case 0:
            M = std::pow(2.0, -190 + 380 * unit(random));
            break;
        case 1:
            M = std::pow(10.0, -3 + 6 * unit(random));
            break;
        default: // next to M = 1 and the maximum of T
            M = (i % 2 ? 1 : 1 / std::sqrt(g)) * (1 + (unit(random) - 0.5) * std::pow(10.0, -14 * unit(random)));
        }
        out.push_back({g, ratio(flow::exact::ratios(g, M), k), M});
    }
    for (const double g : gammas) {
        const double A = 1 + g;
        // The ends: T's maximum, p's, rho's and V's limits, T0's least above,
        // p0's at M = 0, and s next to 0; then next to T0 = 1 and p0 = 1.
        const double ends[7]
            = {A * A / (4 * g), A, g / A, A / g, (g * g - 1) / (g * g), A * std::pow(2 / A, g / (g - 1)), 0x1p-60};
        for (int step = -3; step <= 3; ++step) {
            const double end = ends[k], far = std::abs(step) * 0x1p-50;
            out.push_back({g, std::nextafter(end, step < 0 ? 0 : kInf) * (1 + std::abs(step) * 0x1p-52), kNaN});
            out.push_back({g,
                k == 4       ? std::nextafter(1.0, 0) * (1 - far)
                    : k == 5 ? 1 + far
                             : end * (1 + step * 1e-9),
                kNaN});
        }
        for (const double M : {0x1p-199, 0x1p-150, 1e-20, 1e20, 0x1p150, 0x1p199})
            out.push_back({g, ratio(flow::exact::ratios(g, M), k), M});
        for (const double bad : {0.0, -1.0, kNaN, kInf, 0x1p-1074, 1e308})
            out.push_back({g, bad, kNaN});
    }
    out.push_back({1.0, 0.5, kNaN}); // gamma out of range
    out.push_back({kNaN, 0.5, kNaN});
    out.push_back({2e6, 0.5, kNaN});
    return out;
}

struct Result {
    std::vector<double> M, column[7];
    std::vector<std::size_t> rest;

    explicit Result(std::size_t n) : M(n, kNaN)
    {
        for (auto &c : column)
            c.assign(n, kNaN);
    }
};

Result run(int k, bool high, const std::vector<Case> &in)
{
    Result r(in.size());
    std::vector<double> value, gamma;
    for (const Case &c : in) {
        value.push_back(c.value);
        gamma.push_back(c.gamma);
    }
    auto *c = r.column;
    flow::inverse::roots(k, high, value.data(), gamma.data(), true, in.size(), r.M.data(),
        {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data()}, r.rest);
    return r;
}

// A settled element of each quantity on each branch is the exact inverse's
// root and row; a value out of range or an unknown quantity is never
// settled, and random values mostly are.
TEST(InverseKernel, SettledRootsAreTheExactOnes)
{
    const std::vector<std::int64_t> targets = flow::forward::targets();
    for (int k = 0; k < 7; ++k)
        for (const bool high : {false, true}) {
            SCOPED_TRACE("k = " + std::to_string(k) + (high ? ", high" : ", low"));
            const std::vector<Case> in = cases(k, 3001);
            flow::forward::forceTarget(targets.back());
            const Result first = run(k, high, in);
            // Of the values from M in [1e-3, 1e3] on the branch asked for, at
            // gamma from 1.1 up, few go to the exact path (next to gamma = 1 p0
            // and s lose as many bits as gamma - 1 is small).
            std::size_t typical = 0, left = 0;
            for (std::size_t i = 1, next = 0; i < 3000; i += 3) {
                const double M = in[i].M;
                const double top = k == 0 ? 1 / std::sqrt(in[i].gamma) : 1;
                if (in[i].gamma >= 1.1 && ((k != 0 && k < 4) || (M > top) == high)) {
                    ++typical;
                    while (next < first.rest.size() && first.rest[next] < i)
                        ++next;
                    left += next < first.rest.size() && first.rest[next] == i;
                }
            }
            EXPECT_LT(left, typical / 50 + 1) << "the kernel settles most values";
            for (const std::int64_t target : targets) {
                flow::forward::forceTarget(target);
                const Result r = run(k, high, in);
                SCOPED_TRACE(flow::forward::targetName(target));
                ASSERT_EQ(r.rest, first.rest);
                for (std::size_t i = 0, next = 0; i < in.size(); ++i) {
                    if (next < r.rest.size() && r.rest[next] == i) {
                        ++next;
                        continue;
                    }
                    ASSERT_TRUE(sameBits(r.M[i], first.M[i]));
                    for (int j = 0; j < 7; ++j)
                        ASSERT_TRUE(sameBits(r.column[j][i], first.column[j][i]));
                }
            }
            flow::forward::forceTarget(0);
            for (std::size_t i = 0, next = 0; i < in.size(); ++i) {
                const bool settled = !(next < first.rest.size() && first.rest[next] == i);
                next += !settled;
                double M, one[7];
                ASSERT_EQ(flow::inverse::one(k, high, in[i].gamma, in[i].value, M, one), settled) << i;
                if (!settled)
                    continue;
                const flow::exact::Inverse e = flow::exact::inverse(k, in[i].gamma, in[i].value, high);
                SCOPED_TRACE("gamma = " + std::to_string(in[i].gamma) + ", value " + std::to_string(in[i].value));
                ASSERT_EQ(e.found, flow::exact::Found::Root);
                ASSERT_TRUE(sameBits(first.M[i], e.M)) << first.M[i] << " for " << e.M;
                ASSERT_TRUE(sameBits(M, e.M));
                for (int j = 0; j < 7; ++j) {
                    ASSERT_TRUE(sameBits(first.column[j][i], ratio(e.at, j))) << "ratio " << j;
                    ASSERT_TRUE(sameBits(one[j], first.column[j][i]));
                }
            }
        }
}

// One gamma for every element is read once; the answers are those of the
// same gamma given with each.
TEST(InverseKernel, OneGammaForAllGivesWhatEachGets)
{
    for (int k = 0; k < 7; ++k)
        for (const bool high : {false, true}) {
            std::vector<Case> in;
            for (Case c : cases(k, 300)) {
                c.gamma = 1.4;
                in.push_back(c);
            }
            const Result each = run(k, high, in);
            Result all(in.size());
            std::vector<double> value;
            for (const Case &c : in)
                value.push_back(c.value);
            const double gamma = 1.4;
            auto *c = all.column;
            flow::inverse::roots(k, high, value.data(), &gamma, false, in.size(), all.M.data(),
                {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data()}, all.rest);
            ASSERT_EQ(all.rest, each.rest);
            for (std::size_t i = 0; i < in.size(); ++i)
                ASSERT_TRUE(sameBits(all.M[i], each.M[i]));
        }
}

// The rows of mpmath's table of hard cases the kernel settles match it, and
// it settles no row without a root.
TEST(InverseKernel, SettledHardCasesMatchTheirTable)
{
    const auto rows = hard_table::read(KALVENOR_TEST_DATA "/inverse_hard.csv");
    ASSERT_GT(rows.size(), 1000u);
    const std::string quantities[] = {"T", "p", "rho", "V", "T0", "p0", "s"};
    std::size_t settled = 0;
    for (const auto &row : rows) {
        const int k = static_cast<int>(std::find(quantities, quantities + 7, row.cells.at(0)) - quantities);
        ASSERT_LT(k, 7) << row.line;
        double M, at[7];
        const double gamma = hard_table::number(row.cells[2]), value = hard_table::number(row.cells[3]);
        if (!flow::inverse::one(k, row.cells[1] == "sup", gamma, value, M, at))
            continue;
        ++settled;
        ASSERT_EQ(row.cells[4], "root") << row.line;
        EXPECT_TRUE(sameBits(M, hard_table::number(row.cells[5]))) << row.line;
        for (int j = 0; j < 7; ++j)
            EXPECT_TRUE(sameBits(at[j], hard_table::number(row.cells[6 + j]))) << row.line << ": " << quantities[j];
    }
    EXPECT_GT(settled, rows.size() / 5); // the table seeks what is hard
}

// T0's root from a target known within a bound, as the heat process gives
// it: the forward kernel's T0 at M, with its bound, has M itself as its
// root, so M and the exact ratios there lie within the bounds given.
TEST(InverseKernel, BoundedT0RootHoldsItsTarget)
{
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(0, 1);
    std::size_t bounded = 0, n = 2000;
    for (std::size_t i = 0; i < n; ++i) {
        const double g = i % 2 ? 1.4 : 1 + std::pow(10.0, -3 + 9 * unit(random));
        const double M = i % 3 ? std::pow(10.0, -3 + 6 * unit(random)) : 1 + (unit(random) - 0.5) * 1e-6;
        const flow::forward::Bounded t = flow::forward::bounded(g, M);
        const flow::inverse::BoundedRoot r = flow::inverse::boundedT0(M > 1, g, t.hi[4], t.lo[4], t.bound[4]);
        if (!t.inDomain || !r.at.inDomain)
            continue;
        ++bounded;
        SCOPED_TRACE("gamma = " + std::to_string(g) + ", M = " + std::to_string(M));
        EXPECT_LE(std::abs((M - r.M) - r.Mlo), r.Mbound * (1 + 0x1p-40));
        for (int j = 0; j < 7; ++j)
            EXPECT_LE(flow::exact::distance(j, g, M, r.at.hi[j], r.at.lo[j]), r.at.bound[j]) << "ratio " << j;
    }
    EXPECT_GT(bounded, n * 3 / 4); // next to M = 1 the root moves as the square root of t
}

TEST(InverseKernel, LeavesWhatItCannotSettle)
{
    std::vector<std::size_t> rest;
    flow::inverse::roots(0, false, nullptr, nullptr, false, 0, nullptr, {}, rest); // nothing to read
    EXPECT_TRUE(rest.empty());
    const double value[3] = {1.0, 1.2, 0.5}, gamma = 1.4;
    double M[3], c[7][3];
    const flow::forward::Columns out {c[0], c[1], c[2], c[3], c[4], c[5], c[6]};
    for (const int k : {-1, 7}) {
        rest.clear();
        flow::inverse::roots(k, false, value, &gamma, false, 3, M, out, rest);
        EXPECT_EQ(rest, (std::vector<std::size_t> {0, 1, 2}));
    }
    double one[7], m;
    EXPECT_FALSE(flow::inverse::one(9, true, 1.4, 1.0, m, one));
}

} // namespace

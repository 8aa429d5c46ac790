// The heat process's kernel: what it settles is mpmath's answer bit for bit,
// on every instruction set, one inlet or many.

#include "flow/exact.h"
#include "flow/forward.h"
#include "flow/heat_kernel.h"
#include "hard_table.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using hard_table::number;

// The eleven fields of Columns, each a vector.
struct Fields {
    explicit Fields(std::size_t n)
    {
        for (auto &column : c)
            column.resize(n);
    }
    flow::heatkernel::Columns columns()
    {
        return {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data(), c[7].data(),
            c[8].data(), c[9].data(), c[10].data()};
    }
    std::array<std::vector<double>, 11> c;
};

bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

} // namespace

// Columns gamma,M1,heat,given,found,T0,q,qStar,T0Star,T0Limit,leastT0Ratio,
// mostTaken,M2,p,T,rho,V,p0,ds: each field of Columns from its column.
TEST(HeatKernel, SettledHardCasesMatchTheirTableOnEveryTarget)
{
    const auto rows = hard_table::read(KALVENOR_TEST_DATA "/heat_hard.csv");
    ASSERT_GT(rows.size(), 1000u);
    constexpr int kColumn[11] = {12, 5, 6, 13, 14, 15, 16, 17, 18, 7, 8};
    for (const auto target : flow::forward::targets()) {
        flow::forward::forceTarget(target);
        int settled = 0;
        for (const auto &row : rows) {
            const auto &cell = row.cells;
            double field[11];
            if (!flow::heatkernel::one(number(cell[1]), number(cell[2]), cell[3] == "q", number(cell[0]), field))
                continue;
            ++settled;
            ASSERT_EQ(cell[4], "exit") << row.line;
            for (int j = 0; j < 11; ++j)
                ASSERT_TRUE(same(field[j], number(cell[kColumn[j]])))
                    << flow::forward::targetName(target) << ", field " << j << ": " << row.line;
        }
        EXPECT_GT(settled, 300) << flow::forward::targetName(target);
    }
    flow::forward::forceTarget(0);
}

// Random inlets and heats, some past every limit: the batch gives each
// element one lane's bits and leaves the same elements, on every target,
// and every element it settles is the exact path's.
TEST(HeatKernel, TheBatchIsOneLaneAtATime)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const std::size_t n = 3001; // a tail on every lane width
    std::vector<double> M1(n), q(n), ratio(n), gamma(n);
    for (std::size_t i = 0; i < n; ++i) {
        M1[i] = std::pow(10.0, -3 + 6 * unit(random));
        q[i] = i % 5 == 0 ? -1.5 + 4 * unit(random) : std::pow(10.0, -6 * unit(random)) * (unit(random) - 0.3);
        ratio[i] = 1 + q[i];
        gamma[i] = i % 7 == 0 ? 1 + std::pow(10.0, -9 + 15 * unit(random)) : 1.4;
    }
    for (const auto target : flow::forward::targets()) {
        flow::forward::forceTarget(target);
        for (const bool qGiven : {false, true}) {
            const std::vector<double> &heat = qGiven ? q : ratio;
            Fields all(n);
            std::vector<std::size_t> rest;
            flow::heatkernel::exits(M1.data(), heat.data(), qGiven, gamma.data(), true, n, all.columns(), rest);
            EXPECT_LT(rest.size(), n / 2);
            std::vector<std::size_t> left;
            for (std::size_t i = 0; i < n; ++i) {
                double field[11];
                if (!flow::heatkernel::one(M1[i], heat[i], qGiven, gamma[i], field)) {
                    left.push_back(i);
                    continue;
                }
                for (int j = 0; j < 11; ++j)
                    ASSERT_TRUE(same(field[j], all.c[j][i])) << i << ", field " << j;
                if (target != flow::forward::targets().front())
                    continue; // one target against the slow exact path
                const auto e = flow::exact::heat(gamma[i], M1[i], heat[i], qGiven);
                const double want[11] = {e.M2, e.T0, e.q, e.p, e.T, e.rho, e.V, e.p0, e.ds, e.qStar, e.T0Star};
                for (int j = 0; j < 11; ++j)
                    ASSERT_TRUE(same(field[j], want[j])) << "M1 " << M1[i] << ", heat " << heat[i] << ", field " << j;
            }
            EXPECT_EQ(rest, left) << flow::forward::targetName(target);
        }
    }
    flow::forward::forceTarget(0);
}

#include "flow/exact.h"
#include "flow/forward.h"
#include "flow/relations.h"
#include "hard_table.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char *kNames[] = {"T", "p", "rho", "V", "T0", "p0", "s"};

// One row of tests/data/forward_hard.csv, made by tools/make_forward_table.py.
struct Row {
    std::string line;
    double gamma, M;
    std::array<double, 7> want;
};

const std::vector<Row> &table()
{
    static const std::vector<Row> rows = [] {
        std::vector<Row> out;
        for (const hard_table::Row &row : hard_table::read(KALVENOR_TEST_DATA "/forward_hard.csv")) {
            std::array<double, 9> v {};
            for (std::size_t i = 0; i < v.size() && i < row.cells.size(); ++i)
                v[i] = hard_table::number(row.cells[i]);
            out.push_back({row.line, v[0], v[1], {v[2], v[3], v[4], v[5], v[6], v[7], v[8]}});
        }
        return out;
    }();
    return rows;
}

std::array<double, 7> computed(const Row &row)
{
    const auto r = flow::exact::ratios(row.gamma, row.M);
    return {r.T, r.p, r.rho, r.V, r.T0, r.p0, r.s};
}

std::string hex(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

// Rows whose ratios differ from the table in any bit, each reported.
int mismatches(const std::vector<std::array<double, 7>> &got)
{
    int bad = 0;
    for (std::size_t i = 0; i < table().size(); ++i)
        for (int k = 0; k < 7; ++k)
            if (std::bit_cast<std::uint64_t>(got[i][k]) != std::bit_cast<std::uint64_t>(table()[i].want[k])) {
                ADD_FAILURE() << table()[i].line << ": " << kNames[k] << " is " << hex(got[i][k]);
                ++bad;
            }
    return bad;
}

} // namespace

// Next to M = 1, at the ends of M's range (subnormal, 0 and infinite
// ratios), for gamma from next to 1 up to 1e6, and at near-ties.
TEST(Exact, MatchesEveryHardCaseBitForBit)
{
    ASSERT_GT(table().size(), 1000u);
    std::vector<std::array<double, 7>> got;
    for (const Row &row : table())
        got.push_back(computed(row));
    EXPECT_EQ(mismatches(got), 0);
}

// What callers get: one value through fromMach, and arrays through the
// kernel with fromMach for what it leaves, as the Python module does. A
// ratio that rounds to 0 is NaN there, with a note.
TEST(Exact, FromMachAndTheKernelMatchEveryHardCase)
{
    const std::size_t n = table().size();
    std::vector<double> M(n), gamma(n), column[7];
    for (std::size_t i = 0; i < n; ++i) {
        M[i] = table()[i].M;
        gamma[i] = table()[i].gamma;
    }
    for (auto &c : column)
        c.assign(n, 0);
    const auto left = flow::fromMachs(M.data(), gamma.data(), true, n,
        {column[0].data(), column[1].data(), column[2].data(), column[3].data(), column[4].data(), column[5].data(),
            column[6].data()});
    const auto ratiosOf = [](const flow::Solution &s) {
        const auto &f = *s.state;
        return std::array {f.T, f.p, f.rho, f.V, f.T0, f.p0, f.s};
    };
    std::vector<std::array<double, 7>> one(n), batch(n);
    for (std::size_t i = 0; i < n; ++i) {
        const flow::Solution s = flow::fromMach(gamma[i], M[i]);
        ASSERT_TRUE(s.state) << table()[i].line;
        one[i] = ratiosOf(s);
        for (int k = 0; k < 7; ++k)
            batch[i][k] = column[k][i];
    }
    for (const auto &[i, s] : left)
        batch[i] = ratiosOf(s);
    // A ratio that rounds to 0 is NaN with a note.
    for (auto *rows : {&one, &batch})
        for (auto &row : *rows)
            for (double &v : row)
                if (std::isnan(v))
                    v = 0;
    EXPECT_EQ(mismatches(one), 0);
    EXPECT_EQ(mismatches(batch), 0);
    EXPECT_LT(left.size(), n); // some rows the kernel settles itself
}

// MPFR's exponent range, narrowed for subnormals, must be per thread: two
// threads at once get the table's bits too.
TEST(Exact, ThreadsAtOnceGiveTheSameBits)
{
    std::vector<std::array<double, 7>> a, b;
    const auto run = [](std::vector<std::array<double, 7>> &out) {
        for (const Row &row : table())
            out.push_back(computed(row));
    };
    std::thread first(run, std::ref(a)), second(run, std::ref(b));
    first.join();
    second.join();
    EXPECT_EQ(mismatches(a), 0);
    EXPECT_EQ(mismatches(b), 0);
}

// The distance agrees with the rounding: the nearest double is within half
// an ulp, and no closer than its neighbours.
TEST(Exact, DistanceOfTheNearestDoubleIsAtMostHalfAnUlp)
{
    for (const Row &row : table())
        for (int k = 0; k < 7; ++k) {
            const double v = row.want[k];
            if (!std::isfinite(v) || v < 0x1p-1000) // half an ulp a double too
                continue;
            const double up = std::nextafter(v, INFINITY), down = std::nextafter(v, 0.0);
            const double d = flow::exact::distance(k, row.gamma, row.M, v, 0);
            EXPECT_LE(d, (up - v) / 2) << row.line << ": " << kNames[k];
            EXPECT_LE(d, flow::exact::distance(k, row.gamma, row.M, up, 0)) << row.line << ": " << kNames[k];
            EXPECT_LE(d, flow::exact::distance(k, row.gamma, row.M, down, 0)) << row.line << ": " << kNames[k];
            // hi + lo taken exactly, not in double: a lo far below hi's ulp moves the distance by lo.
            const double lo = std::ldexp(up - v, -40);
            if (d > std::ldexp(up - v, -30)) {
                const double moved = std::fabs(flow::exact::distance(k, row.gamma, row.M, v, lo) - d);
                EXPECT_NEAR(moved, lo, std::ldexp(d, -50)) << row.line << ": " << kNames[k];
            }
        }
}

// Correct rounding keeps a monotone ratio monotone over consecutive doubles,
// where a path one ulp off shows as a step back: p, rho fall and V rises
// with M; T0, p0 and s turn at M = 1, T at M = 1/sqrt(gamma).
TEST(Exact, RatiosStayMonotoneOverConsecutiveMachNumbers)
{
    for (double gamma : {1.0001, 1.4, 5.0 / 3, 1000.0, 1e6})
        for (double start : {1e-150, 1e-3, 0.3, 0.99999, 1.0, 1.7, 40.0, 1e150}) {
            const auto rising = [&](double M) { return std::array {M < 1 / std::sqrt(gamma), M < 1, M >= 1}; };
            auto before = flow::exact::ratios(gamma, start);
            for (double M = std::nextafter(start, INFINITY), n = 0; n < 40; M = std::nextafter(M, INFINITY), ++n) {
                const auto now = flow::exact::ratios(gamma, M);
                const auto [t, t0, s] = rising(M);
                const std::string at = "gamma " + hex(gamma) + ", M " + hex(M);
                EXPECT_TRUE(t ? now.T >= before.T : now.T <= before.T) << at;
                EXPECT_LE(now.p, before.p) << at;
                EXPECT_LE(now.rho, before.rho) << at;
                EXPECT_GE(now.V, before.V) << at;
                EXPECT_TRUE(t0 ? now.T0 >= before.T0 : now.T0 <= before.T0) << at;
                EXPECT_TRUE(s ? now.p0 >= before.p0 && now.s >= before.s : now.p0 <= before.p0 && now.s <= before.s)
                    << at;
                before = now;
            }
        }
}

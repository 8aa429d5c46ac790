// The exact inverse and heat process against tests/data/inverse_hard.csv and
// heat_hard.csv (tools/make_inverse_table.py): every row, bit for bit.

#include "flow/exact.h"
#include "hard_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using hard_table::number;

constexpr const char *kQuantities[] = {"T", "p", "rho", "V", "T0", "p0", "s"};
constexpr const char *kInverseFound[] = {"root", "outside", "atlimit", "beyond", "vanishing"};
constexpr const char *kHeatFound[] = {"exit", "chokes", "sonic", "pastlimit", "atlimit", "beyond", "vanishing"};

int indexOf(const char *const *names, int n, const std::string &name)
{
    for (int i = 0; i < n; ++i)
        if (name == names[i])
            return i;
    return -1;
}

std::string hex(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

// Each cell that holds a number must be got's bits; an empty one is not
// compared. Returns how many differ, each reported with its column.
int compare(const hard_table::Row &row, const std::vector<const char *> &names, std::size_t first,
    const std::vector<double> &got)
{
    int bad = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::string &cell = row.cells.at(first + i);
        if (!cell.empty() && std::bit_cast<std::uint64_t>(number(cell)) != std::bit_cast<std::uint64_t>(got[i])) {
            ADD_FAILURE() << row.line << ": " << names[i] << " is " << hex(got[i]);
            ++bad;
        }
    }
    return bad;
}

} // namespace

// Columns quantity,branch,gamma,value,found,M,T,p,rho,V,T0,p0,s,limit.
TEST(ExactInverse, MatchesEveryHardCaseBitForBit)
{
    const auto rows = hard_table::read(KALVENOR_TEST_DATA "/inverse_hard.csv");
    ASSERT_GT(rows.size(), 1000u);
    int bad = 0;
    for (const auto &row : rows) {
        ASSERT_EQ(row.cells.size(), 14u) << row.line;
        const int k = indexOf(kQuantities, 7, row.cells[0]);
        ASSERT_GE(k, 0) << row.line;
        const auto r = flow::exact::inverse(k, number(row.cells[2]), number(row.cells[3]), row.cells[1] == "sup");
        const int found = static_cast<int>(r.found);
        if (row.cells[4] != kInverseFound[found]) {
            ADD_FAILURE() << row.line << ": found " << kInverseFound[found];
            ++bad;
            continue;
        }
        if (r.found == flow::exact::Found::Root)
            bad += compare(row, {"M", "T", "p", "rho", "V", "T0", "p0", "s"}, 5,
                {r.M, r.at.T, r.at.p, r.at.rho, r.at.V, r.at.T0, r.at.p0, r.at.s});
        else if (r.found == flow::exact::Found::Outside || r.found == flow::exact::Found::AtLimit)
            bad += compare(row, {"limit"}, 13, {r.limit});
    }
    EXPECT_EQ(bad, 0);
}

// Columns gamma,M1,heat,given,found,T0,q,qStar,T0Star,T0Limit,leastT0Ratio,
// mostTaken,M2,p,T,rho,V,p0,ds.
TEST(ExactHeat, MatchesEveryHardCaseBitForBit)
{
    const auto rows = hard_table::read(KALVENOR_TEST_DATA "/heat_hard.csv");
    ASSERT_GT(rows.size(), 1000u);
    int bad = 0;
    for (const auto &row : rows) {
        ASSERT_EQ(row.cells.size(), 19u) << row.line;
        const auto h
            = flow::exact::heat(number(row.cells[0]), number(row.cells[1]), number(row.cells[2]), row.cells[3] == "q");
        const int found = static_cast<int>(h.found);
        if (row.cells[4] != kHeatFound[found]) {
            ADD_FAILURE() << row.line << ": found " << kHeatFound[found];
            ++bad;
            continue;
        }
        // The exit's cells are empty but for an exit, leastT0Ratio's and
        // mostTaken's but for M1 > 1.
        bad += compare(row, {"T0", "q", "qStar", "T0Star", "T0Limit", "leastT0Ratio", "mostTaken"}, 5,
            {h.T0, h.q, h.qStar, h.T0Star, h.T0Limit, h.leastT0Ratio, h.mostTaken});
        if (h.found == flow::exact::Heat::Found::Exit)
            bad += compare(row, {"M2", "p", "T", "rho", "V", "p0", "ds"}, 12, {h.M2, h.p, h.T, h.rho, h.V, h.p0, h.ds});
    }
    EXPECT_EQ(bad, 0);
}

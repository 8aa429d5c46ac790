#include "cli/ratios.h"

#include <array>

namespace cli {
namespace {

constexpr std::array<Column, 10> columns {{
    {"branch", false},
    {"M"},
    {"T/T*"},
    {"p/p*"},
    {"rho/rho*"},
    {"V/V*"},
    {"T0/T0*"},
    {"p0/p0*"},
    {"(s*-s)/R"},
    {"note", false},
}};

// A row without a state still shows the value it was asked for.
void writeRow(TableWriter &table, const flow::Solution &solution, flow::Quantity asked, double input)
{
    table.text(flow::branchName(solution.branch));
    for (flow::Quantity q : flow::kAllQuantities) {
        if (solution.state)
            table.number((*solution.state)[q]);
        else if (q == asked)
            table.number(input);
        else
            table.empty();
    }
    table.text(solution.note);
    table.endRow();
}

} // namespace

// A block at a time, so that a batch of values can be computed together.
bool writeRatioRows(TableWriter &table, const RatiosRequest &request, std::span<const double> values)
{
    bool allSolved = true;
    for (const double value : values) {
        if (request.quantity == flow::Quantity::M) {
            const flow::Solution solution = flow::fromMach(request.gama, value);
            allSolved = allSolved && solution.solved();
            writeRow(table, solution, request.quantity, value);
            continue;
        }
        for (const flow::Solution &solution : flow::solve(request.gama, request.quantity, value, request.branch)) {
            allSolved = allSolved && solution.solved();
            writeRow(table, solution, request.quantity, value);
        }
    }
    return allSolved;
}

int writeRatios(RatiosRequest &request, const TableStyle &style, std::ostream &out)
{
    bool allSolved = true;
    writeBlocks(out, style, columns, request.values, [&](TableWriter &table, std::span<const double> values) {
        allSolved = writeRatioRows(table, request, values) && allSolved;
    });
    return allSolved ? 0 : 1;
}

} // namespace cli

#include "cli/ratios.h"

#include <array>
#include <vector>

namespace cli {
namespace {

// The branch, each quantity by name, and the note.
constexpr std::array<Column, flow::kQuantities.size() + 2> columns = [] {
    std::array<Column, flow::kQuantities.size() + 2> c {};
    c.front() = {"branch", false};
    for (std::size_t i = 0; i < flow::kQuantities.size(); ++i)
        c[i + 1] = {flow::kQuantities[i].name};
    c.back() = {"note", false};
    return c;
}();

// A row without a state still shows the value it was asked for.
void writeRow(TableWriter &table, const flow::Solution &solution, flow::Quantity asked, double input)
{
    table.text(flow::branchName(solution.branch));
    for (const flow::QuantityRow &row : flow::kQuantities) {
        if (solution.state)
            table.number(*solution.state.*row.member);
        else if (row.quantity == asked)
            table.number(input);
        else
            table.empty();
    }
    table.text(solution.note);
    table.endRow();
}

// Mach numbers a block at a time through the batch kernel.
bool writeMachRows(TableWriter &table, double gamma, std::span<const double> M)
{
    std::array<std::vector<double>, 7> c;
    for (auto &column : c)
        column.resize(M.size());
    const auto left = flow::fromMachs(M.data(), &gamma, false, M.size(),
        {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data()});
    bool allSolved = true;
    auto next = left.begin();
    for (std::size_t i = 0; i < M.size(); ++i) {
        if (next != left.end() && next->first == i) {
            allSolved = allSolved && next->second.solved();
            writeRow(table, next->second, flow::Quantity::M, M[i]);
            ++next;
            continue;
        }
        const flow::FlowState state {M[i], c[0][i], c[1][i], c[2][i], c[3][i], c[4][i], c[5][i], c[6][i]};
        writeRow(table, {flow::branchOf(M[i]), state, {}}, flow::Quantity::M, M[i]);
    }
    return allSolved;
}

} // namespace

// A block at a time, so that a batch of values can be computed together.
bool writeRatioRows(TableWriter &table, const RatiosRequest &request, std::span<const double> values)
{
    if (request.quantity == flow::Quantity::M)
        return writeMachRows(table, request.gamma, values);
    bool allSolved = true;
    for (const double value : values) {
        for (const flow::Solution &solution : flow::solve(request.gamma, request.quantity, value, request.branch)) {
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

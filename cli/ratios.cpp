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

// One block's answers from a batch: the columns the kernel settled, and
// the Solutions of the elements it left, in order.
class Batch {
public:
    explicit Batch(std::size_t n) : M(n)
    {
        for (auto &column : c)
            column.resize(n);
    }

    flow::forward::Columns columns()
    {
        return {c[0].data(), c[1].data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data()};
    }

    // Writes element i's row, branch for a settled one; whether it was solved.
    bool write(TableWriter &table, std::size_t i, flow::Branch branch, flow::Quantity asked, double input)
    {
        if (m_next < left.size() && left[m_next].first == i) {
            const flow::Solution &solution = left[m_next++].second;
            writeRow(table, solution, asked, input);
            return solution.solved();
        }
        const flow::FlowState state {M[i], c[0][i], c[1][i], c[2][i], c[3][i], c[4][i], c[5][i], c[6][i]};
        writeRow(table, {branch, state, {}}, asked, input);
        return true;
    }

    std::vector<double> M;
    std::array<std::vector<double>, 7> c;
    std::vector<std::pair<std::size_t, flow::Solution>> left;

private:
    std::size_t m_next = 0;
};

} // namespace

// A block at a time, so that a batch of values is computed together.
bool writeRatioRows(TableWriter &table, const RatiosRequest &request, std::span<const double> values)
{
    const flow::Quantity q = request.quantity;
    const std::size_t n = values.size();
    bool allSolved = true;
    if (q == flow::Quantity::M) {
        Batch batch(n);
        batch.M.assign(values.begin(), values.end());
        batch.left = flow::fromMachs(values.data(), &request.gamma, false, n, batch.columns());
        for (std::size_t i = 0; i < n; ++i)
            allSolved = batch.write(table, i, flow::branchOf(values[i]), q, values[i]) && allSolved;
        return allSolved;
    }
    // Each side asked for, its rows interleaved value by value.
    std::vector<bool> sides;
    if (!flow::row(q).twoRoots || request.branch != flow::BranchChoice::Sup)
        sides.push_back(false);
    if (flow::row(q).twoRoots && request.branch != flow::BranchChoice::Sub)
        sides.push_back(true);
    std::vector<Batch> batches;
    for (const bool high : sides) {
        Batch &batch = batches.emplace_back(n);
        batch.left = flow::solveMany(q, high, values.data(), &request.gamma, false, n, batch.M.data(), batch.columns());
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t k = 0; k < sides.size(); ++k)
            allSolved
                = batches[k].write(table, i, flow::branchAt(q, sides[k], batches[k].M[i]), q, values[i]) && allSolved;
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

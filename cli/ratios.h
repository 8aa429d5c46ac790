#pragma once

#include "cli/table.h"
#include "cli/values.h"
#include "flow/relations.h"

#include <iosfwd>
#include <span>

namespace cli {

// Every flow state that has the given values of one quantity.
struct RatiosRequest {
    double gamma = 1.4;
    flow::Quantity quantity = flow::Quantity::M;
    ValueSource values;
    flow::BranchChoice branch = flow::BranchChoice::Both;
};

// Writes one row per solution: its branch, M and every ratio, and a note
// that says why a branch has no solution. Returns the exit status: 0 when
// every row was solved, 1 when some were not.
int writeRatios(RatiosRequest &request, const TableStyle &style, std::ostream &out);

// Writes the rows of one block of values.
bool writeRatioRows(TableWriter &table, const RatiosRequest &request, std::span<const double> values);

} // namespace cli

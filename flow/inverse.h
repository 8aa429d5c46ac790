#pragma once

// The Mach number from a value of one ratio, in bulk, with every ratio at
// the exact root: a double-double kernel over SIMD lanes, like the forward
// one, that carries an error bound with M and each ratio. Whatever the
// bound cannot round, and every value next to an end of its range, is left
// to the exact path (exact::inverse).

#include "flow/forward.h"

#include <cstddef>
#include <vector>

namespace flow::inverse {

// For ratio k (0..6 in the order of forward::Columns) equal to value[i] at
// gamma[gammaPerElement ? i : 0], on the root above the extremum when high:
// M[i] and every ratio at the exact root, column k holding value[i]. The
// index of an element the kernel does not settle is appended to rest, in
// order, and its outputs hold no answer.
void roots(int k, bool high, const double *value, const double *gamma, bool gammaPerElement, std::size_t n,
    double *M, const forward::Columns &out, std::vector<std::size_t> &rest);

// One value in one lane: true when the kernel settles M and all seven.
bool one(int k, bool high, double gamma, double value, double &M, double ratio[7]);

} // namespace flow::inverse

#pragma once

// The Mach number from a value of one ratio, in bulk, with every ratio at
// the exact root: a double-double kernel over SIMD lanes, like the forward
// one, that carries an error bound with M and each ratio. Whatever the
// bounds cannot round is left to the exact path (exact::inverse): among it
// values so near an end of their range that the root's bound grows past
// 2^-60 of it, M outside [2^-200, 2^200], gamma outside (1, 1e6], a ratio
// outside [2^-960, 2^1000], p0 = 1 and s = 0. docs/accuracy.md derives the
// bounds.

#include "flow/forward.h"

#include <cstddef>
#include <vector>

namespace flow::inverse {

// For ratio k (0..6 in the order of forward::Columns) equal to value[i] at
// gamma[gammaPerElement ? i : 0], on the root above the extremum when high:
// M[i] and every ratio at the exact root, column k holding value[i]. The
// index of an element the kernel does not settle is appended to rest, in
// order, and its outputs hold no answer.
void roots(int k, bool high, const double *value, const double *gamma, bool gammaPerElement, std::size_t n, double *M,
    const forward::Columns &out, std::vector<std::size_t> &rest);

// One value in one lane: true when the kernel settles M and all seven.
bool one(int k, bool high, double gamma, double value, double &M, double ratio[7]);

// For tests of the bound the heat process's kernel relies on: the root of
// T0/T0* = t on one branch, where t is
// known only to lie within tBound of tHi + tLo (|tLo| at most half an ulp of
// tHi). The exact root lies within Mbound of M + Mlo, and each ratio there
// within at.bound[k] of at.hi[k] + at.lo[k], wherever t lies in that
// interval; at.inDomain is false where the kernel cannot bound them.
struct BoundedRoot {
    double M, Mlo, Mbound;
    forward::Bounded at;
};
BoundedRoot boundedT0(bool high, double gamma, double tHi, double tLo, double tBound);

} // namespace flow::inverse

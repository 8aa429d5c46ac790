#pragma once

// The seven ratios from M in bulk, each the double nearest its exact value.
// A double-double kernel, written once over SIMD lanes and chosen at run
// time for the CPU, carries an error bound with every ratio; where that
// bound cannot tell the nearest double, or an input or result lies where
// the kernel's bounds do not hold, the element is left to the caller's
// exact path. docs/accuracy.md derives the bounds.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace flow::forward {

// Where the seven ratios of n elements go, one array each.
struct Columns {
    double *T, *p, *rho, *V, *T0, *p0, *s;
};

// The ratios at M[i] and gamma[gammaPerElement ? i : 0] for i < n. An
// element the kernel settles gets all seven; the index of any other is
// appended to rest, in order, and its columns hold no answer. Elements with
// M outside [2^-200, 2^200], gamma outside (1, 1e6], or a ratio outside
// [2^-960, 2^1000] are always in rest.
void ratios(const double *M, const double *gamma, bool gammaPerElement, std::size_t n, const Columns &out,
    std::vector<std::size_t> &rest);

// The seven ratios at one (gamma, M), in the order of Columns, when the
// kernel settles them all; false leaves the element to the exact path.
bool one(double gamma, double M, double ratio[7]);

// One element's double-double values and their bounds, for tests: for each
// ratio k in the order T, p, rho, V, T0, p0, s, the exact value lies within
// bound[k] of hi[k] + lo[k]. inDomain is false where the bounds do not hold.
struct Bounded {
    double hi[7], lo[7], bound[7];
    bool inDomain;
};
Bounded bounded(double gamma, double M);

// The instruction sets the kernel is built for and this CPU runs, best
// first, by Highway's target bits; force one with forceTarget, and 0 to
// choose again by the CPU.
std::vector<std::int64_t> targets();
const char *targetName(std::int64_t target);
void forceTarget(std::int64_t target);

} // namespace flow::forward

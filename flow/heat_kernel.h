#pragma once

// The heat process in bulk: the forward and inverse kernels' double-double
// lanes carried through the process, with an error bound on every field.
// Whatever the bounds cannot round, and every heat next to choking, to the
// cooling limit or to no heat at all, is left to the exact path
// (exact::heat).

#include <cstddef>
#include <vector>

namespace flow::heatkernel {

// Where the fields of n processes go, one array each: as flow::HeatColumns.
struct Columns {
    double *M2, *T0, *q, *p, *T, *rho, *V, *p0, *ds, *qStar, *T0Star;
};

// The process at M1[i], heat[i] (T02/T01, or q/(cp T01) when qGiven) and
// gamma[gammaPerElement ? i : 0]: every field of an element the kernel
// settles; the index of any other is appended to rest, in order.
void exits(const double *M1, const double *heat, bool qGiven, const double *gamma, bool gammaPerElement, std::size_t n,
    const Columns &out, std::vector<std::size_t> &rest);

// One process in one lane, its eleven fields in the order of Columns; false
// leaves it to the exact path.
bool one(double M1, double heat, bool qGiven, double gamma, double field[11]);

} // namespace flow::heatkernel

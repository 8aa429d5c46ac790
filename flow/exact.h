#pragma once

// The forward ratios in multiple precision (MPFR), each the double nearest
// its exact value: the reference the fast paths fall back to and are tested
// against. Safe to call from several threads at once: Debian's MPFR keeps
// its exponent range and caches per thread.
//
// p, V, rho, T and T0 are rational in gamma and M: numerator and denominator
// are formed exactly and divided once, so ties round to even. p0 and s are
// found by Ziv's loop from 256 bits up. s is transcendental off M = 1, so
// the loop ends. p0 is algebraic, (p0)^b rational for gamma/(gamma-1) = a/b,
// and can be a double or a midpoint (gamma = 2, M = 0.5 gives 9/8): when
// 1024 bits cannot decide, the one candidate is compared with p0 exactly in
// integers, so no case is left open.

namespace flow::exact {

struct Ratios {
    double T, p, rho, V, T0, p0, s;
};

// Each field the double nearest the exact value at (gamma, M), for
// 1 < gamma <= 1e6 and M a positive finite double: a subnormal result is
// returned as that subnormal; a value past the largest double is +infinity;
// a positive value that rounds to 0 is 0. Outside that domain, all NaN.
Ratios ratios(double gamma, double M);

// |exact - (hi + lo)| for ratio k (0..6 in the order T, p, rho, V, T0, p0,
// s), rounded up to a double; for tests of the fast kernel's error bound.
// NaN for k or (gamma, M) out of range or a NaN hi or lo, infinity for an
// infinite one. The one approximation: where the distance lies within
// 2^-4000 of itself of a double, in practice only where p0 is rational, the
// next double up may be given.
double distance(int k, double gamma, double M, double hi, double lo);

} // namespace flow::exact

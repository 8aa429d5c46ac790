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

// What an inverse found for a value v of one ratio on one branch.
enum class Found {
    Root,      // M and every ratio at the exact root
    Outside,   // v lies outside the branch's range: limit is the end it passes
    AtLimit,   // v is exactly an end of the range that no flow reaches
    Beyond,    // the root is past the largest double
    Vanishing, // the root is positive but rounds to 0
};

struct Inverse {
    Found found;
    double M;     // the double nearest the exact root, when Root
    Ratios at;    // each the double nearest its value at the exact root, as ratios() gives them; the given one is v
    double limit; // when Outside or AtLimit: the double nearest that end of the range
};

// The Mach number at which ratio k (0..6 in the order of Ratios) equals v
// exactly, for 1 < gamma <= 1e6 and v a finite double. high picks the root
// above the extremum (M > 1/sqrt(gamma) for T, M > 1 for T0, p0 and s); p,
// rho and V have one root and ignore it. A v strictly inside the range is
// always a Root, Beyond or Vanishing: no exact comparison is made in
// doubles. Outside that domain: Outside, every field NaN. One case is left
// to a precision cap (8192 bits), where a ratio at the root would be a
// midpoint of doubles exactly while M^2 is irrational or no rational the
// closed forms give: then the lower end of the last enclosure is given.
Inverse inverse(int k, double gamma, double v, bool high);

// The heat process exactly: heat is T02/T01 or, with qGiven, q/(cp T01).
struct Heat {
    enum class Found {
        Exit,      // every field below
        Chokes,    // more than qStar: the inlet flow would change
        Sonic,     // cooled at M1 = 1: either branch could follow
        PastLimit, // supersonic cooling past T0Limit
        AtLimit,   // supersonic cooling exactly to T0Limit: only an infinite M2
        Beyond,    // M2 past the largest double
        Vanishing, // M2 rounds to 0
    } found;
    double T0;                   // T02/T01: heat itself, or 1 + q rounded once
    double q;                    // q/(cp T01): heat itself, or T02/T01 - 1 rounded once
    double qStar;                // q*/(cp T01), the heat that chokes the duct
    double T0Star;               // T0*/T01 = 1 + q*
    double T0Limit;              // (gamma^2 - 1)/gamma^2, the least T0/T0* a supersonic flow has
    double leastT0Ratio;         // T02/T01 at that limit, T0Limit / (T0/T0*)(M1), when M1 > 1
    double mostTaken;            // -q/(cp T01) at that limit, 1 - leastT0Ratio, when M1 > 1
    double M2, p, T, rho, V, p0; // exit over inlet: p2/p1 and so on; M2 itself
    double ds;                   // (s2 - s1)/R
};

// For 1 < gamma <= 1e6, M1 a positive finite double, and heat > 0 (T02/T01)
// or > -1 (q). A heat equal to the double nearest q* (or T0*/T01) chokes
// exactly: M2 = 1. Every double field is the double nearest its exact value
// (the one cap of inverse applies to p0 and ds). Outside that domain, or a
// heat at or below 0 (T0) or -1 (q): PastLimit, every field NaN.
Heat heat(double gamma, double M1, double heat, bool qGiven);

} // namespace flow::exact

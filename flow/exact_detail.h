#pragma once

// The pieces the forward and the inverse exact paths share: exact sums and
// products in MPFR, rounding into a double's range, the numbers every ratio
// is made of, Ziv's loop for p0 and s and the exact test for p0.

#include "flow/exact.h"
#include "flow/multiprecision.h"

#include <limits>
#include <optional>

namespace flow::exact::detail {

constexpr mpfr_prec_t kStart = 256;
// From here an undecided p0 is compared exactly with its one candidate.
constexpr mpfr_prec_t kCompare = 1024;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// ln 2^1024 is 709.7827...: beyond this p0 is surely past a double.
constexpr double kLnPastDouble = 709.79;

void copy(Big &r, const Big &a);
// r = a * b and r = a +- b, exact: r gets every bit it needs.
void mul(Big &r, const Big &a, const Big &b);
void add(Big &r, const Big &a, const Big &b, bool subtract = false);

// x, rounded to 53 bits with ternary value t in MPFR's wide exponent range,
// rounded once more into a double's: subnormal, 0 or infinity as IEEE 754
// would, without double rounding.
double toDouble(Big &x, int t, mpfr_rnd_t rnd);
double rounded(const Big &x, mpfr_rnd_t rnd);

// Frees MPFR's per-thread caches when the calling thread ends.
void releaseCachesAtThreadExit();

bool inDomain(double gamma, double M);

// The exact numbers every ratio is made of, at M^2 = X = m2/one: one is 1
// for a Mach number given, or the denominator of a rational X.
struct Exact {
    Exact(double gamma, double mach);
    Exact(double gamma, const Big &mach);
    // X = n/den, both exact and den > 0.
    Exact(double gamma, const Big &n, const Big &den);

    double gamma;
    Big g;
    Big m2, one, d; // X = m2/one, d = m2 - one
    Big v1, gm1;    // 1 + g, g - 1
    Big v1one;      // (1 + g) one
    Big w;          // (1 + g X) one
    Big u;          // (2 + (g - 1) X) one
    bool unit;      // one is 1

private:
    void complete();
};

// Numerator and denominator of ratio k, 0..4: T, p, rho, V, T0; den > 0.
void fraction(const Exact &x, int k, Big &num, Big &den);
double rational(const Exact &x, int k);

// Within 2^(EXP(value) - err) of the exact value; err 0 when this
// precision cannot tell.
struct Approx {
    explicit Approx(mpfr_prec_t w) : value(w) { }
    Big value;
    mpfr_exp_t err = 0;
    bool past = false; // p0 surely beyond the bound asked for
};

// p0 and s at precision w, X != 1, each when asked for; lnP0, when given,
// gets ln p0 within 2^lnErr instead of p0.
void approximate(const Exact &x, mpfr_prec_t w, double lnPast, Approx *p0, Approx *s, Big *lnP0 = nullptr,
    mpfr_exp_t *lnErr = nullptr);

// The double nearest the exact value, if a's error bound decides it.
std::optional<double> decided(const Approx &a);

// Whether p0 at x is exactly y.
bool equalsP0(const Exact &x, const Big &y);

// p0 and s, each the double nearest, when asked for; X != 1. Ziv's loop
// starts at precision start.
void transcendental(const Exact &x, double *p0, double *s, mpfr_prec_t start = kStart);

} // namespace flow::exact::detail

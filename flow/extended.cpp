#include "flow/extended.h"

#include <cmath>

namespace flow::extended {
namespace {

// ln(1 + x) - x, without the cancellation next to x = 0.
Real log1pMinusX(Real x)
{
    if (std::fabs(x) >= 1e-2L)
        return std::log1p(x) - x;
    Real sum = 0; // -x^2/2 + x^3/3 - ..., to x^13: within 1e-20 of the whole
    for (int n = 13; n >= 2; --n)
        sum = x * ((n % 2 == 0 ? -1.0L : 1.0L) / n + sum);
    return x * sum;
}

} // namespace

// ln(p0/p0*): finite for every M a double holds, though p0/p0* itself is
// not. Next to M = 1 the first-order terms cancel exactly, so only the
// remainders of the logarithms are summed: p0/p0* - 1 keeps its digits.
Real LogP0(Real g, Real M)
{
    const Real d = (M - 1) * (M + 1);
    const Real k = g / (1 + g);
    const Real j = (g - 1) / (1 + g);
    if (std::fabs(d) < 0.5L)
        return -log1pMinusX(k * d) + g / (g - 1) * log1pMinusX(j * d);
    return -std::log1p(k * d) + g / (g - 1) * std::log1p(j * d);
}

// (s* - s)/R = -(g/(g-1)) ln(T/T*) + ln(p/p*), with ln T = ln M^2 + 2 ln p;
// next to M = 1 the first-order terms cancel as in LogP0.
Real Entropy(Real g, Real M)
{
    const Real d = (M - 1) * (M + 1);
    const Real k = g / (1 + g);
    if (std::fabs(d) < 0.5L)
        return ((g + 1) * log1pMinusX(k * d) - g * log1pMinusX(d)) / (g - 1);
    return (-g * 2 * std::log(M) + (g + 1) * std::log1p(k * d)) / (g - 1);
}

State StateAt(Real g, Real M)
{
    State e {};
    const Real m2 = M * M;
    e.M = M;
    e.p = (1 + g) / (1 + g * m2);
    e.V = m2 * e.p;
    e.rho = 1 / e.V;
    e.T = e.V * e.p;
    e.T0 = e.T * (2 + (g - 1) * m2) / (1 + g);
    e.p0 = std::exp(LogP0(g, M));
    e.s = Entropy(g, M);
    return e;
}

// (g - 1)(g + 1) rather than g^2 - 1, which cancels for g next to 1.
Real T0Limit(Real g) { return (g - 1) * (g + 1) / (g * g); }

// With x = M^2, T0/T0* = t is a x^2 - 2 b x + c = 0 whose discriminant
// b^2 - a c is exactly 1 - t. c / (b + root) is the small root without the
// cancellation of (b - root) / a.
T0Roots MachFromT0(Real g, Real t)
{
    const Real a = (g * g * t - (g - 1) * (g + 1)) / (g + 1);
    const Real b = 1 - g / (g + 1) * t;
    const Real c = t / (g + 1);
    const Real root = std::sqrt(1 - t);
    T0Roots roots {std::sqrt(c / (b + root)), std::nullopt};
    if (a > 0)
        roots.sup = std::sqrt((b + root) / a);
    return roots;
}

} // namespace flow::extended

#include "flow/extended.h"

#include <boost/math/special_functions/log1p.hpp>

#include <cmath>
#include <limits>

namespace flow::extended {

// The exact path starts its Newton steps at these guesses, taking them to
// have the x87 format's 64 bits.
static_assert(std::numeric_limits<Real>::digits >= 64, "the first guesses want a 64-bit significand");

namespace {

// gamma with the two reciprocals the relations divide by, worked out once
// a state: a division takes several times a multiplication's time.
struct Gamma {
    explicit Gamma(Real gamma) : g(gamma), over1(1 / (1 + gamma)), overM1(1 / (gamma - 1)) { }
    Real g;
    Real over1;  // 1/(1 + g)
    Real overM1; // 1/(g - 1)
};

// Away from M = 1 both p0/p0* and the entropy take ln(p*/p) = ln(1 + k d),
// with d = M^2 - 1 and k = g/(1 + g): a state works it out once.
Real logP0Far(const Gamma &g, Real d, Real lnPstar)
{
    return -lnPstar + g.g * g.overM1 * std::log1p((g.g - 1) * g.over1 * d);
}

Real entropyFar(const Gamma &g, Real M, Real lnPstar)
{
    return (-g.g * 2 * std::log(M) + (g.g + 1) * lnPstar) * g.overM1;
}

Real lnPstarOver(const Gamma &g, Real d) { return std::log1p(g.g * g.over1 * d); }

constexpr Real kNear = 0.5L; // |d| below which the series take over

} // namespace

// ln(p0/p0*): finite for every M a double holds, though p0/p0* itself is
// not. Next to M = 1 the first-order terms cancel exactly, so only the
// remainders of the logarithms are summed: p0/p0* - 1 keeps its digits.
Real logP0(Real g, Real M)
{
    const Real d = (M - 1) * (M + 1);
    if (std::fabs(d) >= kNear) {
        const Gamma gg(g);
        return logP0Far(gg, d, lnPstarOver(gg, d));
    }
    const Real k = g / (1 + g);
    const Real j = (g - 1) / (1 + g);
    return -boost::math::log1pmx(k * d) + g / (g - 1) * boost::math::log1pmx(j * d);
}

// (s* - s)/R = -(g/(g-1)) ln(T/T*) + ln(p/p*), with ln T = ln M^2 + 2 ln p.
// Next to M = 1 it is summed as a series in d = M^2 - 1 whose terms are all
// of one sign for each power: (g/(g-1)) sum (-d)^n / n (1 - k^(n-1)), with
// k = g/(g+1). Subtracting the logarithms instead would lose a factor g of
// the digits, since both are nearly equal for large g.
Real entropy(Real g, Real M)
{
    const Real d = (M - 1) * (M + 1);
    if (std::fabs(d) >= kNear) {
        const Gamma gg(g);
        return entropyFar(gg, M, lnPstarOver(gg, d));
    }
    const Real k = g / (1 + g);
    const Real h = 1 / (1 + g); // 1 - k
    Real w = h;                 // 1 - k^(n-1), grown as h + k w: a sum of positives
    Real power = d * d;         // d^n
    Real sum = 0;
    for (int n = 2; n < 100; ++n) {
        const Real term = (n % 2 == 0 ? power : -power) / n * w;
        sum += term;
        if (std::fabs(term) <= 1e-21L * std::fabs(sum))
            break;
        power *= d;
        w = h + k * w;
    }
    return g / (g - 1) * sum;
}

} // namespace flow::extended

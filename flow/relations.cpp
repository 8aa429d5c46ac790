#include "flow/relations.h"

#include "flow/exact.h"
#include "flow/extended.h"
#include "flow/forward.h"
#include "flow/wording.h"

#include <boost/math/tools/toms748_solve.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

namespace flow {
namespace {

using extended::Real;

const std::string tooSmall
    = "M below " + limitText(std::numeric_limits<double>::min()) + ", the smallest a double holds";
const std::string tooLarge
    = "M above " + limitText(std::numeric_limits<double>::max()) + ", the largest a double holds";

std::string given(Quantity q, double value) { return std::string(quantityName(q)) + " = " + shortestText(value); }

std::string atGamma(double gamma) { return " at gamma = " + shortestText(gamma); }

// The Solution for a Mach number found in extended precision: the forward
// ratios at that M as a double, so that the row reads back as the forward
// direction writes it; input is the quantity given and its value, shown as
// given.
Solution stateAt(Real g, Real M, Branch branch, std::optional<Quantity> input = std::nullopt, double value = 0)
{
    const auto asked = [&](const char *then) { return input ? given(*input, value) + then : ""; };
    if (std::isnan(M)) // a search that did not converge
        return {branch, std::nullopt, asked(": ") + "no Mach number was found"};
    if (M > std::numeric_limits<double>::max())
        return {branch, std::nullopt, asked(" needs ") + tooLarge};
    if (M < std::numeric_limits<double>::min())
        return {branch, std::nullopt, asked(" needs ") + tooSmall};
    Solution solution = fromMach(static_cast<double>(g), static_cast<double>(M));
    solution.branch = branch;
    if (input && solution.state)
        solution.state.value().*row(*input).member = value;
    return solution;
}

Solution none(Branch branch, std::string why) { return {branch, std::nullopt, std::move(why)}; }

bool wants(BranchChoice which, Branch branch)
{
    const bool low = branch == Branch::Subsonic || branch == Branch::Low;
    return which == BranchChoice::Both || (which == BranchChoice::Sub) == low;
}

// The root of f over [lo, hi], where f changes sign, or NaN when the search
// does not converge. The callers take the square root of the relation, which
// is near-linear on both sides of its extremum, so that TOMS 748 converges in
// a few steps even next to M = 1. Whatever the variable, toM maps it to M,
// in which the stop is relative: to the last bits of a long double.
template<typename F, typename ToM> Real rootOf(F f, Real lo, Real hi, Real fl, Real fh, ToM toM)
{
    if (fl == 0)
        return lo;
    if (fh == 0)
        return hi;
    boost::math::tools::eps_tolerance<Real> inM(std::numeric_limits<Real>::digits);
    // Far from 0 the variable itself may not resolve M that finely (ln M
    // near 700 has steps of 7e-17): there a bracket a few steps wide is
    // all there is.
    const auto close = [&](Real a, Real b) {
        const Real step = std::max(std::fabs(a), std::fabs(b)) * std::numeric_limits<Real>::epsilon();
        return inM(toM(a), toM(b)) || std::fabs(b - a) <= 4 * step;
    };
    constexpr std::uintmax_t kMostIterations = 100;
    std::uintmax_t iterations = kMostIterations;
    const auto bracket = boost::math::tools::toms748_solve(f, lo, hi, fl, fh, close, iterations);
    if (iterations >= kMostIterations)
        return std::numeric_limits<Real>::quiet_NaN();
    return (bracket.first + bracket.second) / 2;
}

Real mFromLog(Real u) { return std::exp(u); }

// The root of f(ln M), negative at 0, between 0 and limit (of either sign),
// in a bracket that grows fourfold; nothing when f stays negative to the
// limit.
template<typename F> std::optional<Real> rootFromZero(F f, Real limit)
{
    Real a = 0;
    Real fa = f(a);
    for (Real b = limit > 0 ? 1 : -1;; b *= 4) {
        if (std::fabs(b) >= std::fabs(limit))
            b = limit;
        const Real fb = f(b);
        if (fb >= 0)
            return rootOf(f, std::min(a, b), std::max(a, b), a < b ? fa : fb, a < b ? fb : fa, mFromLog);
        if (b == limit)
            return std::nullopt;
        a = b;
        fa = fb;
    }
}

const Real lnMin = std::log(static_cast<Real>(std::numeric_limits<double>::min()));
const Real lnMax = std::log(static_cast<Real>(std::numeric_limits<double>::max()));

std::vector<Solution> fromT(Real g, double t, BranchChoice which)
{
    std::vector<Solution> out;
    const double tMax = static_cast<double>((1 + g) * (1 + g) / (4 * g));
    // A t that rounds to the largest T/T* is at it: the two roots meet.
    const Real disc = std::max<Real>((1 + g) * (1 + g) - 4 * g * t, 0);
    for (Branch branch : {Branch::Low, Branch::High}) {
        if (!wants(which, branch))
            continue;
        if (!(t > 0))
            out.push_back(none(branch, "T/T* must be above 0"));
        else if (t > tMax)
            out.push_back(none(branch,
                given(Quantity::T, t) + " is above " + boundText(tMax, t) + ", the largest any flow has"
                    + atGamma(static_cast<double>(g))));
        else {
            const Real sq = std::sqrt(static_cast<Real>(t));
            const Real big = 1 + g + std::sqrt(disc);
            out.push_back(
                stateAt(g, branch == Branch::Low ? 2 * sq / big : big / (2 * g * sq), branch, Quantity::T, t));
        }
    }
    return out;
}

// With x = M^2, T0/T0* = t is a x^2 - 2 b x + c = 0 whose discriminant
// b^2 - a c is exactly 1 - t.
std::vector<Solution> fromT0(Real g, double t, BranchChoice which)
{
    std::vector<Solution> out;
    for (Branch branch : {Branch::Subsonic, Branch::Supersonic}) {
        if (!wants(which, branch))
            continue;
        if (!(t > 0)) {
            out.push_back(none(branch, "T0/T0* must be above 0"));
        } else if (t > 1) {
            out.push_back(none(branch, given(Quantity::T0, t) + " is above 1, the largest any flow has"));
        } else {
            const extended::T0Roots roots = extended::machFromT0(g, t);
            // A t that rounds to the limit is at it, whichever way it rounded.
            const double limit = static_cast<double>(extended::t0Limit(g));
            if (branch == Branch::Subsonic)
                out.push_back(stateAt(g, roots.sub, branch, Quantity::T0, t));
            else if (t > limit && roots.sup)
                out.push_back(stateAt(g, *roots.sup, branch, Quantity::T0, t));
            else if (t < limit)
                out.push_back(none(branch,
                    given(Quantity::T0, t) + " is below " + boundText(limit, t) + ": no supersonic flow reaches it"));
            else
                out.push_back(none(branch,
                    given(Quantity::T0, t) + " is the limit of supersonic flow as M grows without bound"
                        + atGamma(static_cast<double>(g)) + ": no flow reaches it"));
        }
    }
    return out;
}

// p0/p0* falls from its value at M = 0 to 1 at M = 1, then rises without
// bound: a root on each side, found in ln M.
std::vector<Solution> fromP0(Real g, double p0, BranchChoice which)
{
    std::vector<Solution> out;
    const Real target = std::sqrt(std::log(static_cast<Real>(p0)));
    const double subsonicMax = static_cast<double>(std::exp(extended::logP0(g, 0)));
    for (Branch branch : {Branch::Subsonic, Branch::Supersonic}) {
        if (!wants(which, branch))
            continue;
        if (!(p0 >= 1)) {
            out.push_back(none(branch, given(Quantity::p0, p0) + " is below 1, the smallest any flow has"));
        } else if (branch == Branch::Subsonic) {
            // In x = M^2, which p0/p0* follows linearly at M = 0.
            const auto inX = [&](Real x) { return std::sqrt(extended::logP0(g, std::sqrt(x))) - target; };
            const Real atZero = inX(0);
            if (p0 > subsonicMax)
                out.push_back(none(branch,
                    given(Quantity::p0, p0) + " is above " + boundText(subsonicMax, p0)
                        + ", the largest a subsonic flow has" + atGamma(static_cast<double>(g))));
            else if (p0 == subsonicMax || !(atZero > 0)) // at the limit, whichever way it rounded
                out.push_back(none(branch,
                    given(Quantity::p0, p0) + " is the limit of subsonic flow as M goes to 0"
                        + atGamma(static_cast<double>(g)) + ": no flow reaches it"));
            else
                out.push_back(
                    stateAt(g, std::sqrt(rootOf(inX, 0, 1, atZero, inX(1), [](Real x) { return std::sqrt(x); })),
                        branch, Quantity::p0, p0));
        } else {
            const auto f = [&](Real u) { return std::sqrt(extended::logP0(g, std::exp(u))) - target; };
            const auto u = rootFromZero(f, lnMax);
            out.push_back(u ? stateAt(g, std::exp(*u), branch, Quantity::p0, p0)
                            : none(branch, given(Quantity::p0, p0) + " needs " + tooLarge));
        }
    }
    return out;
}

// The entropy is largest at M = 1 (s* - s = 0) and falls without bound on
// both sides, like |ln M|: found in u = ln M.
std::vector<Solution> fromS(Real g, double s, BranchChoice which)
{
    std::vector<Solution> out;
    const Real target = std::sqrt(static_cast<Real>(s));
    const auto f = [&](Real u) { return std::sqrt(extended::entropy(g, std::exp(u))) - target; };
    for (Branch branch : {Branch::Subsonic, Branch::Supersonic}) {
        if (!wants(which, branch))
            continue;
        if (!(s >= 0))
            out.push_back(none(branch, given(Quantity::s, s) + " is below 0: no flow has more entropy than at M = 1"));
        else if (s < 1e-33L * g / ((g + 1) * (g - 1))) // s ~ 2 g (M - 1)^2 / ((g + 1)(g - 1)): M is 1
            out.push_back(stateAt(g, 1, branch, Quantity::s, s));
        else if (const auto u = rootFromZero(f, branch == Branch::Subsonic ? lnMin : lnMax))
            out.push_back(stateAt(g, std::exp(*u), branch, Quantity::s, s));
        else
            out.push_back(
                none(branch, given(Quantity::s, s) + " needs " + (branch == Branch::Subsonic ? tooSmall : tooLarge)));
    }
    return out;
}

// p/p*, rho/rho* and V/V* are monotonic in M: one closed-form root each.
Solution fromSingle(Real g, Quantity q, double v)
{
    const Real x = v;
    Real lo = 0; // the open range of the quantity
    Real hi = std::numeric_limits<Real>::infinity();
    Real m2 = 0;
    switch (q) {
    case Quantity::p: // p/p* = (1 + g) / (1 + g M^2)
        hi = 1 + g;
        m2 = (1 + g - x) / (g * x);
        break;
    case Quantity::rho: // rho/rho* = (1 + g M^2) / ((1 + g) M^2)
        lo = g / (1 + g);
        m2 = 1 / ((1 + g) * x - g);
        break;
    default: // V/V* = 1 / (rho/rho*)
        hi = (1 + g) / g;
        m2 = x / (1 + g - g * x);
        break;
    }
    // Without a root, the row still names the side of M = 1 the value lies on.
    const bool falling = q != Quantity::V;
    const Branch unknown = (x > 1) == falling ? Branch::Subsonic : Branch::Supersonic;
    // A value that rounds to a bound is at it, which only M = 0 or an
    // infinite M reaches.
    const auto atLimit = [&] {
        return none(unknown,
            given(q, v) + " is its limit as M " + (unknown == Branch::Subsonic ? "goes to 0" : "grows without bound")
                + atGamma(static_cast<double>(g)) + ": no flow reaches it");
    };
    if (lo > 0 && v == static_cast<double>(lo))
        return atLimit();
    if (std::isfinite(hi) && v == static_cast<double>(hi))
        return atLimit();
    if (!(x > lo))
        return none(unknown,
            std::string(quantityName(q)) + " must be above " + boundText(static_cast<double>(lo), v)
                + (lo > 0 ? atGamma(static_cast<double>(g)) : ""));
    if (!(x < hi))
        return none(unknown,
            std::string(quantityName(q)) + " must be below " + boundText(static_cast<double>(hi), v)
                + atGamma(static_cast<double>(g)));
    const Real M = std::sqrt(m2);
    // M may lie past a double's range, and still on its side of 1.
    return stateAt(g, M, M < 1 ? Branch::Subsonic : M > 1 ? Branch::Supersonic : Branch::Sonic, q, v);
}

} // namespace

std::optional<std::string> gammaProblem(double gamma)
{
    // Real gases lie between 1 and 5/3; past a million the extended
    // precision no longer tells gamma from gamma + 1.
    if (!(gamma > 1 && gamma <= 1e6))
        return "gamma must be above 1 and at most 1e6, not " + shortestText(gamma);
    return std::nullopt;
}

Solution fromMach(double gamma, double M)
{
    if (auto problem = gammaProblem(gamma))
        return none(branchOf(M), *problem);
    if (!(M > 0) || !std::isfinite(M))
        return none(Branch::None, "M must be a number above 0, not " + shortestText(M));
    double r[7];
    if (forward::one(gamma, M, r)) [[likely]]
        return {branchOf(M), FlowState {M, r[0], r[1], r[2], r[3], r[4], r[5], r[6]}, {}};
    // The kernel's bounds could not settle it, or a ratio leaves their range.
    const exact::Ratios e = exact::ratios(gamma, M);
    RangeNote range;
    const auto at = [&](Quantity q, double v) { return range.rounded(quantityName(q), v); };
    const FlowState state {M, at(Quantity::T, e.T), at(Quantity::p, e.p), at(Quantity::rho, e.rho),
        at(Quantity::V, e.V), at(Quantity::T0, e.T0), at(Quantity::p0, e.p0), at(Quantity::s, e.s)};
    return {branchOf(M), state, range.note()};
}

std::vector<std::pair<std::size_t, Solution>> fromMachs(
    const double *M, const double *gamma, bool gammaPerElement, std::size_t n, const forward::Columns &out)
{
    std::vector<std::size_t> rest;
    forward::ratios(M, gamma, gammaPerElement, n, out, rest);
    std::vector<std::pair<std::size_t, Solution>> left;
    left.reserve(rest.size());
    for (const std::size_t i : rest)
        left.emplace_back(i, fromMach(gamma[gammaPerElement ? i : 0], M[i]));
    return left;
}

Branch branchOf(double M)
{
    if (!(M > 0) || !std::isfinite(M))
        return Branch::None;
    return M < 1 ? Branch::Subsonic : M > 1 ? Branch::Supersonic : Branch::Sonic;
}

std::vector<Solution> solve(double gamma, Quantity q, double value, BranchChoice which)
{
    if (q == Quantity::M)
        return {fromMach(gamma, value)};
    const bool twoRoots = row(q).twoRoots;
    const auto problem = gammaProblem(gamma) ? gammaProblem(gamma)
        : !std::isfinite(value)
        ? std::optional(std::string(quantityName(q)) + " must be a number, not " + shortestText(value))
        : std::nullopt;
    if (problem) {
        if (!twoRoots)
            return {none(Branch::None, *problem)};
        std::vector<Solution> out;
        const Branch low = q == Quantity::T ? Branch::Low : Branch::Subsonic;
        const Branch high = q == Quantity::T ? Branch::High : Branch::Supersonic;
        for (Branch branch : {low, high})
            if (wants(which, branch))
                out.push_back(none(branch, *problem));
        return out;
    }
    switch (q) {
    case Quantity::T:
        return fromT(gamma, value, which);
    case Quantity::T0:
        return fromT0(gamma, value, which);
    case Quantity::p0:
        return fromP0(gamma, value, which);
    case Quantity::s:
        return fromS(gamma, value, which);
    default:
        return {fromSingle(gamma, q, value)};
    }
}

} // namespace flow

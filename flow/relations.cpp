#include "flow/relations.h"

#include "flow/extended.h"
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

// The ends of a double's range, in a few digits.
std::string limitText(double limit)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, limit, std::chars_format::general, 5).ptr;
    return std::string(buffer, end);
}

const std::string tooSmall
    = "M below " + limitText(std::numeric_limits<double>::min()) + ", the smallest a double holds";
const std::string tooLarge
    = "M above " + limitText(std::numeric_limits<double>::max()) + ", the largest a double holds";

std::string given(Quantity q, double value) { return std::string(quantityName(q)) + " = " + shortestText(value); }

std::string atGamma(double gama) { return " at gamma = " + shortestText(gama); }

double &field(FlowState &state, Quantity q)
{
    switch (q) {
    case Quantity::M:
        return state.M;
    case Quantity::T:
        return state.T;
    case Quantity::p:
        return state.p;
    case Quantity::rho:
        return state.rho;
    case Quantity::V:
        return state.V;
    case Quantity::T0:
        return state.T0;
    case Quantity::p0:
        return state.p0;
    case Quantity::s:
        break;
    }
    return state.s;
}

Branch branchOf(Real M) { return M < 1 ? Branch::Subsonic : M > 1 ? Branch::Supersonic : Branch::Sonic; }

// The Solution for a Mach number found in extended precision; input is the
// quantity given and its value, shown as given.
Solution stateAt(Real g, Real M, Branch branch, std::optional<Quantity> input = std::nullopt, double value = 0)
{
    if (M > std::numeric_limits<double>::max())
        return {branch, std::nullopt, (input ? given(*input, value) + " needs " : "") + tooLarge};
    if (M < std::numeric_limits<double>::min())
        return {branch, std::nullopt, (input ? given(*input, value) + " needs " : "") + tooSmall};
    const extended::State e = extended::stateAt(g, M);
    FlowState state {static_cast<double>(e.M), static_cast<double>(e.T), static_cast<double>(e.p),
        static_cast<double>(e.rho), static_cast<double>(e.V), static_cast<double>(e.T0), static_cast<double>(e.p0),
        static_cast<double>(e.s)};
    Solution solution {branch, state, ""};
    if (input)
        field(*solution.state, *input) = value;
    for (Quantity q : kAllQuantities) {
        if (!std::isfinite((*solution.state)[q])) {
            solution.note = std::string(quantityName(q)) + " is above " + limitText(std::numeric_limits<double>::max())
                + ", the largest a double holds";
            break;
        }
    }
    return solution;
}

Solution none(Branch branch, std::string why) { return {branch, std::nullopt, std::move(why)}; }

bool wants(BranchChoice which, Branch branch)
{
    const bool low = branch == Branch::Subsonic || branch == Branch::Low;
    return which == BranchChoice::Both || (which == BranchChoice::Sub) == low;
}

// The root of f over [lo, hi], where f changes sign. The callers take the
// square root of the relation, which is near-linear on both sides of its
// extremum, so that TOMS 748 converges in a few steps even next to M = 1.
template<typename F> Real rootOf(F f, Real lo, Real hi, Real fl, Real fh)
{
    if (fl == 0)
        return lo;
    if (fh == 0)
        return hi;
    // In u = ln M an absolute step in u is a relative one in M, so stop
    // at 1e-18 absolute near M = 1 and relative far from it.
    const auto close = [](Real a, Real b) { return std::fabs(a - b) <= 1e-18L * std::max<Real>(1, std::fabs(a)); };
    std::uintmax_t iterations = 100;
    const auto bracket = boost::math::tools::toms748_solve(f, lo, hi, fl, fh, close, iterations);
    return (bracket.first + bracket.second) / 2;
}

// The root of f, negative at 0, between 0 and limit (of either sign), in a
// bracket that grows fourfold; nothing when f stays negative to the limit.
template<typename F> std::optional<Real> rootFromZero(F f, Real limit)
{
    Real a = 0;
    Real fa = f(a);
    for (Real b = limit > 0 ? 1 : -1;; b *= 4) {
        if (std::fabs(b) >= std::fabs(limit))
            b = limit;
        const Real fb = f(b);
        if (fb >= 0)
            return rootOf(f, std::min(a, b), std::max(a, b), a < b ? fa : fb, a < b ? fb : fa);
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
    const Real tMax = (1 + g) * (1 + g) / (4 * g);
    const Real disc = (1 + g) * (1 + g) - 4 * g * t;
    for (Branch branch : {Branch::Low, Branch::High}) {
        if (!wants(which, branch))
            continue;
        if (!(t > 0))
            out.push_back(none(branch, "T/T* must be above 0"));
        else if (disc < 0)
            out.push_back(none(branch,
                given(Quantity::T, t) + " is above " + boundText(static_cast<double>(tMax), t)
                    + ", the largest any flow has" + atGamma(static_cast<double>(g))));
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
            if (branch == Branch::Subsonic)
                out.push_back(stateAt(g, roots.sub, branch, Quantity::T0, t));
            else if (roots.sup)
                out.push_back(stateAt(g, *roots.sup, branch, Quantity::T0, t));
            else
                out.push_back(none(branch,
                    given(Quantity::T0, t) + (t < extended::t0Limit(g) ? " is below " : " is at ")
                        + boundText(static_cast<double>(extended::t0Limit(g)), t) + ": no supersonic flow reaches it"));
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
    const Real subsonicMax = std::exp(extended::logP0(g, 0));
    for (Branch branch : {Branch::Subsonic, Branch::Supersonic}) {
        if (!wants(which, branch))
            continue;
        if (!(p0 >= 1)) {
            out.push_back(none(branch, given(Quantity::p0, p0) + " is below 1, the smallest any flow has"));
        } else if (branch == Branch::Subsonic) {
            if (p0 >= subsonicMax) {
                out.push_back(none(branch,
                    given(Quantity::p0, p0) + (p0 > subsonicMax ? " is above " : " is at ")
                        + boundText(static_cast<double>(subsonicMax), p0) + ", the largest a subsonic flow has"
                        + atGamma(static_cast<double>(g))));
                continue;
            }
            // In x = M^2, which p0/p0* follows linearly at M = 0.
            const auto f = [&](Real x) { return std::sqrt(extended::logP0(g, std::sqrt(x))) - target; };
            out.push_back(stateAt(g, std::sqrt(rootOf(f, 0, 1, f(0), f(1))), branch, Quantity::p0, p0));
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
    if (!(x > lo))
        return none(unknown,
            std::string(quantityName(q)) + " must be above " + boundText(static_cast<double>(lo), v)
                + (lo > 0 ? atGamma(static_cast<double>(g)) : ""));
    if (!(x < hi))
        return none(unknown,
            std::string(quantityName(q)) + " must be below " + boundText(static_cast<double>(hi), v)
                + atGamma(static_cast<double>(g)));
    const Real M = std::sqrt(m2);
    return stateAt(g, M, branchOf(M), q, v);
}

} // namespace

std::string_view quantityName(Quantity q)
{
    switch (q) {
    case Quantity::M:
        return "M";
    case Quantity::T:
        return "T/T*";
    case Quantity::p:
        return "p/p*";
    case Quantity::rho:
        return "rho/rho*";
    case Quantity::V:
        return "V/V*";
    case Quantity::T0:
        return "T0/T0*";
    case Quantity::p0:
        return "p0/p0*";
    case Quantity::s:
        return "(s*-s)/R";
    }
    return "";
}

std::string_view branchName(Branch b)
{
    switch (b) {
    case Branch::Subsonic:
        return "sub";
    case Branch::Sonic:
        return "sonic";
    case Branch::Supersonic:
        return "sup";
    case Branch::Low:
        return "low";
    case Branch::High:
        return "high";
    }
    return "";
}

double FlowState::operator[](Quantity q) const
{
    switch (q) {
    case Quantity::M:
        return M;
    case Quantity::T:
        return T;
    case Quantity::p:
        return p;
    case Quantity::rho:
        return rho;
    case Quantity::V:
        return V;
    case Quantity::T0:
        return T0;
    case Quantity::p0:
        return p0;
    case Quantity::s:
        return s;
    }
    return M;
}

std::optional<std::string> gammaProblem(double gama)
{
    // Real gases lie between 1 and 5/3; past a million the extended
    // precision no longer tells gamma from gamma + 1.
    if (!(gama > 1 && gama <= 1e6))
        return "gamma must be above 1 and at most 1e6, not " + shortestText(gama);
    return std::nullopt;
}

Solution fromMach(double gama, double M)
{
    if (auto problem = gammaProblem(gama))
        return none(branchOf(M), *problem);
    if (!(M > 0) || !std::isfinite(M))
        return none(Branch::Sonic, "M must be a number above 0, not " + shortestText(M));
    return stateAt(gama, M, branchOf(M));
}

std::vector<Solution> solve(double gama, Quantity q, double value, BranchChoice which)
{
    if (q == Quantity::M)
        return {fromMach(gama, value)};
    const bool twoRoots = q == Quantity::T || q == Quantity::T0 || q == Quantity::p0 || q == Quantity::s;
    const auto problem = gammaProblem(gama) ? gammaProblem(gama)
        : !std::isfinite(value)
        ? std::optional(std::string(quantityName(q)) + " must be a number, not " + shortestText(value))
        : std::nullopt;
    if (problem) {
        if (!twoRoots)
            return {none(Branch::Sonic, *problem)};
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
        return fromT(gama, value, which);
    case Quantity::T0:
        return fromT0(gama, value, which);
    case Quantity::p0:
        return fromP0(gama, value, which);
    case Quantity::s:
        return fromS(gama, value, which);
    default:
        return {fromSingle(gama, q, value)};
    }
}

} // namespace flow

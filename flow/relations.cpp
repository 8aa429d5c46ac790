#include "flow/relations.h"

#include "flow/exact.h"
#include "flow/forward.h"
#include "flow/inverse.h"
#include "flow/wording.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

namespace flow {
namespace {

const std::string tooSmall
    = "M below " + limitText(std::numeric_limits<double>::denorm_min()) + ", the smallest a double holds";
const std::string tooLarge
    = "M above " + limitText(std::numeric_limits<double>::max()) + ", the largest a double holds";

std::string given(Quantity q, double value) { return std::string(quantityName(q)) + " = " + shortestText(value); }

std::string atGamma(double gamma) { return " at gamma = " + shortestText(gamma); }

Solution none(Branch branch, std::string why) { return {branch, std::nullopt, std::move(why)}; }

// The ratio's place in the order of exact::Ratios and forward::Columns.
int ratioIndex(Quantity q) { return static_cast<int>(q) - 1; }

// The sides of a two-root quantity; T's extremum is not at M = 1.
Branch lowOf(Quantity q) { return q == Quantity::T ? Branch::Low : Branch::Subsonic; }
Branch highOf(Quantity q) { return q == Quantity::T ? Branch::High : Branch::Supersonic; }

bool wants(BranchChoice which, bool high)
{
    return which == BranchChoice::Both || (which == BranchChoice::Sup) == high;
}

// The bound v lies past, in as many digits as keep it apart from v; where
// both are one double, the exact bound lies within an ulp on the far side.
std::string past(double bound, double v, bool above)
{
    if (bound != v)
        return boundText(bound, v);
    return shortestText(bound) + (above ? " less" : " plus") + " a fraction of an ulp";
}

// Why v has no root: outside its range, or at an end no flow reaches. The
// side follows from the quantity and v, whatever the bound rounds to.
std::string refusal(const exact::Inverse &r, double gamma, Quantity q, double v)
{
    const std::string name(quantityName(q));
    const std::string over = past(r.limit, v, true), under = past(r.limit, v, false);
    if (r.found == exact::Found::AtLimit) {
        switch (q) {
        case Quantity::T0:
            return given(q, v) + " is the limit of supersonic flow as M grows without bound" + atGamma(gamma)
                + ": no flow reaches it";
        case Quantity::p0:
            return given(q, v) + " is the limit of subsonic flow as M goes to 0" + atGamma(gamma)
                + ": no flow reaches it";
        default:
            return given(q, v) + " is its limit as M " + (q == Quantity::p ? "goes to 0" : "grows without bound")
                + atGamma(gamma) + ": no flow reaches it";
        }
    }
    switch (q) {
    case Quantity::T:
        return v > 0 ? given(q, v) + " is above " + over + ", the largest any flow has" + atGamma(gamma)
                     : name + " must be above 0";
    case Quantity::p:
        return v > 0 ? name + " must be below " + over + atGamma(gamma) : name + " must be above 0";
    case Quantity::rho:
        return name + " must be above " + under + atGamma(gamma);
    case Quantity::V:
        return v > 0 ? name + " must be below " + over + atGamma(gamma) : name + " must be above 0";
    case Quantity::T0:
        if (v > 1)
            return given(q, v) + " is above 1, the largest any flow has";
        if (!(v > 0))
            return name + " must be above 0";
        return given(q, v) + " is below " + under + ": no supersonic flow reaches it";
    case Quantity::p0:
        if (v < 1)
            return given(q, v) + " is below 1, the smallest any flow has";
        return given(q, v) + " is above " + over + ", the largest a subsonic flow has" + atGamma(gamma);
    default:
        return given(q, v) + " is below 0: no flow has more entropy than at M = 1";
    }
}

// The row of a state: M and the ratios at it, those past a double's range
// named; the value given, if a ratio, in its own column.
Solution rootRow(Branch branch, double M, const exact::Ratios &e, Quantity q, double v)
{
    RangeNote range;
    // The entropy is exactly 0 at M = 1, and no other ratio is 0 anywhere.
    const auto at = [&](Quantity k, double x) {
        return k == q ? v : k == Quantity::s && x == 0 ? 0.0 : range.rounded(quantityName(k), x);
    };
    const FlowState state {M, at(Quantity::T, e.T), at(Quantity::p, e.p), at(Quantity::rho, e.rho),
        at(Quantity::V, e.V), at(Quantity::T0, e.T0), at(Quantity::p0, e.p0), at(Quantity::s, e.s)};
    return {branch, state, range.note()};
}

// One branch of an inverse by the exact path, gamma and v already checked.
Solution exactInverse(double gamma, Quantity q, double v, bool high)
{
    const exact::Inverse r = exact::inverse(ratioIndex(q), gamma, v, high);
    const bool twoRoots = row(q).twoRoots;
    // Without a root, a one-root row still names the side v lies on.
    const Branch side = twoRoots        ? (high ? highOf(q) : lowOf(q))
        : (v > 1) == (q != Quantity::V) ? Branch::Subsonic
                                        : Branch::Supersonic;
    switch (r.found) {
    case exact::Found::Root:
        return rootRow(branchAt(q, high, r.M), r.M, r.at, q, v);
    case exact::Found::Beyond:
        return none(side, given(q, v) + " needs " + tooLarge);
    case exact::Found::Vanishing:
        return none(side, given(q, v) + " needs " + tooSmall);
    default:
        return none(side, refusal(r, gamma, q, v));
    }
}

// Why gamma or the value cannot be used at all.
std::optional<std::string> inputProblem(double gamma, Quantity q, double value)
{
    if (auto problem = gammaProblem(gamma))
        return problem;
    if (!std::isfinite(value))
        return std::string(quantityName(q)) + " must be a number, not " + shortestText(value);
    return std::nullopt;
}

// One branch of an inverse the kernel left: refused, or the exact path's.
Solution unsettled(double gamma, Quantity q, double value, bool high)
{
    if (auto problem = inputProblem(gamma, q, value))
        return none(row(q).twoRoots ? (high ? highOf(q) : lowOf(q)) : Branch::None, *problem);
    return exactInverse(gamma, q, value, high);
}

// One branch of an inverse: the kernel, else the exact path.
Solution inverseOf(double gamma, Quantity q, double value, bool high)
{
    double M = 0;
    double r[7];
    if (inverse::one(ratioIndex(q), high, gamma, value, M, r)) [[likely]]
        return {branchAt(q, high, M), FlowState {M, r[0], r[1], r[2], r[3], r[4], r[5], r[6]}, {}};
    return unsettled(gamma, q, value, high);
}

} // namespace

std::optional<std::string> gammaProblem(double gamma)
{
    // Real gases lie between 1 and 5/3; the kernels' error bounds are
    // derived up to a million.
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
    return rootRow(branchOf(M), M, exact::ratios(gamma, M), Quantity::M, M);
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

Branch branchAt(Quantity q, bool high, double M)
{
    if (row(q).twoRoots)
        return high ? highOf(q) : lowOf(q);
    return branchOf(M);
}

std::vector<Solution> solve(double gamma, Quantity q, double value, BranchChoice which)
{
    if (q == Quantity::M)
        return {fromMach(gamma, value)};
    if (!row(q).twoRoots)
        return {inverseOf(gamma, q, value, false)};
    std::vector<Solution> out;
    for (const bool high : {false, true})
        if (wants(which, high))
            out.push_back(inverseOf(gamma, q, value, high));
    return out;
}

std::vector<std::pair<std::size_t, Solution>> solveMany(Quantity q, bool high, const double *value, const double *gamma,
    bool gammaPerElement, std::size_t n, double *M, const forward::Columns &out)
{
    std::vector<std::size_t> rest;
    inverse::roots(ratioIndex(q), high, value, gamma, gammaPerElement, n, M, out, rest);
    std::vector<std::pair<std::size_t, Solution>> left;
    left.reserve(rest.size());
    for (const std::size_t i : rest)
        left.emplace_back(i, unsettled(gamma[gammaPerElement ? i : 0], q, value[i], high));
    return left;
}

} // namespace flow

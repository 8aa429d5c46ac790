// Any (gamma, quantity, value, branch): each state solve finds gives the
// value back through fromMach as closely as a correctly rounded root allows,
// and each refusal says why.
//
// The bound: a correctly rounded root M has the exact root r within half an
// ulp, so on a branch, where the ratio f is monotone, v = f(r) lies between
// f at the doubles either side of M, or reaches the extremum's value when
// that lies between them (T at 1/sqrt(gamma), T0, p0 and s at M = 1).
// fromMach gives each f within half an ulp, so the hull of those values,
// widened by two ulps of its larger end, holds v. That is |f(M) - v| <=
// |f'| ulp(M) + 2 ulp(f), twice the |f'| ulp(M)/2 + ulp(f) of an exact
// root in the first term, and it stays true next to the extremum where f'
// vanishes. Past the doubles (a neighbour of 0 or infinity) that side is
// left open.

#include "check.h"
#include "flow/relations.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The quantity at M as fromMach gives it: a ratio that rounds to 0 is NaN
// there.
double at(double gamma, flow::Quantity q, double M)
{
    if (!(M > 0) || !std::isfinite(M))
        return std::nan("");
    const double v = (*flow::fromMach(gamma, M).state)[q];
    return std::isnan(v) ? 0 : v;
}

void check(double gamma, flow::Quantity q, double value, const flow::Solution &solution)
{
    if (!solution.solved()) {
        fuzz::require(!solution.note.empty());
        return;
    }
    const double M = solution.state->M;
    fuzz::require(M > 0 && std::isfinite(M) && (*solution.state)[q] == value);
    double lo = at(gamma, q, M), hi = lo;
    for (const double next : {std::nextafter(M, 0.0), std::nextafter(M, kInf)}) {
        const double v = at(gamma, q, next);
        if (std::isnan(v)) { // no double there: that side is open
            if (next < M)
                lo = -kInf;
            else
                hi = kInf;
            continue;
        }
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    const double turn = q == flow::Quantity::T ? 1 / std::sqrt(gamma) : 1;
    const bool turns
        = q == flow::Quantity::T || q == flow::Quantity::T0 || q == flow::Quantity::p0 || q == flow::Quantity::s;
    // The extremum is taken in doubles: a turn within a part in 1e15 of
    // the neighbours counts.
    if (turns && std::nextafter(M, 0.0) <= turn * (1 + 1e-15) && std::nextafter(M, kInf) >= turn * (1 - 1e-15)) {
        double extremum = q == flow::Quantity::s ? 0 : 1;
        if (q == flow::Quantity::T)
            extremum = (1 + gamma) * (1 + gamma) / (4 * gamma);
        lo = std::min(lo, extremum);
        hi = std::max(hi, extremum);
    }
    const double larger = std::max(std::fabs(lo), std::fabs(hi));
    const double slack = std::isfinite(larger) ? 2 * (std::nextafter(larger, kInf) - larger) : 0;
    fuzz::require(value >= lo - slack && value <= hi + slack);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    double gamma = fuzz::takeDouble(data, size);
    const double value = fuzz::takeDouble(data, size);
    const unsigned pick = size > 0 ? data[0] : 0;
    const auto q = flow::kAllQuantities[1 + pick % 7];
    const auto which = static_cast<flow::BranchChoice>(pick / 7 % 3);
    // Most bit patterns are no gamma: fold them into (1, 1e6] unless the
    // top bit asks for the refusal.
    if (!(pick & 0x80) && !(gamma > 1 && gamma <= 1e6))
        gamma = std::isfinite(gamma) && std::fmod(std::fabs(gamma), 1e6 - 1) > 0
            ? 1 + std::fmod(std::fabs(gamma), 1e6 - 1)
            : 1.4;
    try {
        for (const flow::Solution &solution : flow::solve(gamma, q, value, which))
            check(gamma, q, value, solution);
    } catch (...) {
        fuzz::require(false); // nothing may escape
    }
    return 0;
}

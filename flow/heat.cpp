#include "flow/heat.h"

#include "flow/exact.h"
#include "flow/heat_kernel.h"
#include "flow/relations.h"
#include "flow/wording.h"

#include <cmath>
#include <limits>

namespace flow {
namespace {

std::string inlet(double gamma, double M1)
{
    return "at M1 = " + shortestText(M1) + " and gamma = " + shortestText(gamma);
}

// Why the inputs describe no inlet and no heat, if they do not.
std::optional<std::string> refusal(double gamma, double M1, double heat, HeatGiven given)
{
    if (auto problem = gammaProblem(gamma))
        return problem;
    if (!(M1 > 0) || !std::isfinite(M1))
        return "M1 must be a number above 0, not " + shortestText(M1);
    if (!std::isfinite(heat))
        return "the heat must be a number, not " + shortestText(heat);
    if (!(given == HeatGiven::T0Ratio ? heat > 0 : heat > -1))
        return given == HeatGiven::T0Ratio ? "T02/T01 must be above 0, not " + shortestText(heat)
                                           : "q/(cp*T01) must be above -1, not " + shortestText(heat);
    return std::nullopt;
}

// Why the exact process has no exit state, or "" when it has one.
std::string why(const exact::Heat &e, double gamma, double M1)
{
    using Found = exact::Heat::Found;
    // T02/T0*, for the digits the limit is shown with.
    const double t2 = e.T0Limit * (e.T0 / e.leastT0Ratio);
    switch (e.found) {
    case Found::Exit:
        return {};
    case Found::Chokes:
        return "the duct chokes: " + inlet(gamma, M1) + " at most q/(cp*T01) = " + boundText(e.qStar, e.q)
            + " can be added; more heat changes the inlet flow";
    case Found::Sonic:
        return "cooled at M1 = 1 the flow may leave on either branch: give M1 just below or above 1";
    case Found::PastLimit:
        return "a supersonic flow cannot be cooled below T0/T0* = " + boundText(e.T0Limit, t2) + ": " + inlet(gamma, M1)
            + " at most -q/(cp*T01) = " + boundText(e.mostTaken, -e.q) + " can be taken away";
    case Found::AtLimit:
        return "this cooling takes a supersonic flow to T0/T0* = " + boundText(e.T0Limit, t2)
            + ", which it reaches only as M grows without bound: " + inlet(gamma, M1) + " take away less";
    case Found::Beyond:
        return "M2 is above " + limitText(std::numeric_limits<double>::max()) + ", the largest a double holds";
    default:
        return "M2 is below " + limitText(std::numeric_limits<double>::denorm_min()) + ", the smallest a double holds";
    }
}

// The process by the exact path; the inputs have an inlet and a heat.
HeatResult refused(std::string why)
{
    HeatResult r;
    r.note = std::move(why);
    return r;
}

HeatResult exactHeat(double gamma, double M1, double heat, HeatGiven given)
{
    HeatResult result;
    const exact::Heat e = exact::heat(gamma, M1, heat, given == HeatGiven::QRatio);
    result.T0 = e.T0;
    result.q = e.q;
    RangeNote choke;
    result.T0Star = RangeNote().keep("", e.T0Star); // overflows with q*
    result.qStar = choke.keep("q*/(cp*T01)", e.qStar);
    std::string note = why(e, gamma, M1);
    if (note.empty()) {
        RangeNote exit;
        result.process = HeatProcess {e.M2, e.T0, e.q, exit.rounded("p2/p1", e.p), exit.rounded("T2/T1", e.T),
            exit.rounded("rho2/rho1", e.rho), exit.rounded("V2/V1", e.V), exit.rounded("p02/p01", e.p0), e.ds};
        note = exit.note();
    }
    if (const std::string more = choke.note(); !more.empty())
        note += (note.empty() ? "" : "; ") + more;
    result.note = std::move(note);
    return result;
}

// A process the kernel left: refused, or the exact path's.
HeatResult unsettled(double gamma, double M1, double heat, HeatGiven given)
{
    if (auto problem = refusal(gamma, M1, heat, given))
        return refused(std::move(*problem));
    return exactHeat(gamma, M1, heat, given);
}

} // namespace

HeatResult heatResultAt(const HeatColumns &c, std::size_t i)
{
    HeatResult r;
    r.process = HeatProcess {c.M2[i], c.T0[i], c.q[i], c.p[i], c.T[i], c.rho[i], c.V[i], c.p0[i], c.ds[i]};
    r.T0 = c.T0[i];
    r.q = c.q[i];
    r.qStar = c.qStar[i];
    r.T0Star = c.T0Star[i];
    return r;
}

HeatResult addHeat(double gamma, double M1, double heat, HeatGiven given)
{
    double v[11];
    const HeatColumns one {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10]};
    if (heatkernel::one(M1, heat, given == HeatGiven::QRatio, gamma, v)) [[likely]]
        return heatResultAt(one, 0);
    return unsettled(gamma, M1, heat, given);
}

std::vector<std::pair<std::size_t, HeatResult>> addHeats(const double *M1, const double *heat, HeatGiven given,
    const double *gamma, bool gammaPerElement, std::size_t n, const HeatColumns &out)
{
    std::vector<std::size_t> rest;
    heatkernel::exits(M1, heat, given == HeatGiven::QRatio, gamma, gammaPerElement, n,
        {out.M2, out.T0, out.q, out.p, out.T, out.rho, out.V, out.p0, out.ds, out.qStar, out.T0Star}, rest);
    std::vector<std::pair<std::size_t, HeatResult>> left;
    left.reserve(rest.size());
    for (const std::size_t i : rest)
        left.emplace_back(i, unsettled(gamma[gammaPerElement ? i : 0], M1[i], heat[i], given));
    return left;
}

// The absolute values at both stations from the solved process, in
// extended precision: products of the ratios with the inputs.
HeatStations stations(const HeatResult &r, double gamma, double M1, double T01, std::optional<double> p1, double cp)
{
    using Real = long double;
    HeatStations s;
    if (!r.T0)
        return s; // no inlet or no heat
    const Real g = gamma;
    const Real stagnation1 = 1 + (g - 1) / 2 * Real(M1) * M1; // T01/T1
    const Real heatPerMass = Real(cp) * T01;                  // cp T01, J/kg
    RangeNote range;
    s.T1 = range.keep("T1 in K", T01 / stagnation1);
    s.T02 = range.keep("T02 in K", T01 * Real(*r.T0));
    s.q = range.keep("q in J/kg", heatPerMass * *r.q);
    if (r.qStar)
        s.qStar = range.keep("q* in J/kg", heatPerMass * *r.qStar);
    else
        range.keep("q* in J/kg", std::numeric_limits<Real>::infinity());
    if (const auto &e = r.process) {
        s.T2 = range.keep("T2 in K", T01 / stagnation1 * e->T);
        if (p1) {
            const Real p2 = *p1 * Real(e->p);
            s.p2 = range.keep("p2 in Pa", p2);
            // p02 = p2 (T02/T2)^(g/(g-1)) through the logarithm: p02/p01
            // itself may leave a double's range where p02 does not.
            const Real stagnation2 = 1 + (g - 1) / 2 * Real(e->M2) * e->M2;
            s.p02 = range.keep("p02 in Pa", p2 * std::exp(g / (g - 1) * std::log(stagnation2)));
        }
    }
    s.note = range.note();
    return s;
}

} // namespace flow

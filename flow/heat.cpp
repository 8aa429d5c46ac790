#include "flow/heat.h"

#include "flow/exact.h"
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
        return "a supersonic flow cannot be cooled below T0/T0* = " + boundText(e.T0Limit, t2) + ": "
            + inlet(gamma, M1) + " at most -q/(cp*T01) = " + boundText(e.mostTaken, -e.q) + " can be taken away";
    case Found::AtLimit:
        return "this cooling takes a supersonic flow to T0/T0* = " + boundText(e.T0Limit, t2)
            + ", which it reaches only as M grows without bound: " + inlet(gamma, M1) + " take away less";
    case Found::Beyond:
        return "M2 is above " + limitText(std::numeric_limits<double>::max()) + ", the largest a double holds";
    default:
        return "M2 is below " + limitText(std::numeric_limits<double>::denorm_min()) + ", the smallest a double holds";
    }
}

// The process, solved once for addHeat and stations alike.
struct Process {
    HeatResult result;
    exact::Heat exact {};
    double M1 = 0;
    bool hasInlet = false;
};

Process solveProcess(double gamma, double M1, double heat, HeatGiven given)
{
    Process p;
    if (auto problem = refusal(gamma, M1, heat, given)) {
        p.result.note = std::move(*problem);
        return p;
    }
    p.hasInlet = true;
    p.M1 = M1;
    const exact::Heat &e = p.exact = exact::heat(gamma, M1, heat, given == HeatGiven::QRatio);
    p.result.T0 = e.T0;
    RangeNote choke;
    p.result.T0Star = RangeNote().keep("", e.T0Star); // overflows with q*
    p.result.qStar = choke.keep("q*/(cp*T01)", e.qStar);
    std::string note = why(e, gamma, M1);
    if (note.empty()) {
        RangeNote exit;
        p.result.process = HeatProcess {e.M2, e.T0, e.q, exit.rounded("p2/p1", e.p), exit.rounded("T2/T1", e.T),
            exit.rounded("rho2/rho1", e.rho), exit.rounded("V2/V1", e.V), exit.rounded("p02/p01", e.p0), e.ds};
        note = exit.note();
    }
    if (const std::string more = choke.note(); !more.empty())
        note += (note.empty() ? "" : "; ") + more;
    p.result.note = std::move(note);
    return p;
}

// The absolute values at both stations from the solved process, in
// extended precision: products of the exact ratios with the inputs.
HeatStations stationsOf(const Process &p, double gamma, double T01, std::optional<double> p1, double cp)
{
    using Real = long double;
    HeatStations s;
    if (!p.hasInlet)
        return s;
    const exact::Heat &e = p.exact;
    const Real g = gamma;
    const Real M1 = p.M1;
    const Real stagnation1 = 1 + (g - 1) / 2 * M1 * M1; // T01/T1
    const Real heatPerMass = Real(cp) * T01;              // cp T01, J/kg
    RangeNote range;
    s.T1 = range.keep("T1 in K", T01 / stagnation1);
    s.T02 = range.keep("T02 in K", T01 * Real(e.T0));
    s.q = range.keep("q in J/kg", heatPerMass * e.q);
    s.qStar = range.keep("q* in J/kg", heatPerMass * e.qStar);
    if (p.result.process) {
        s.T2 = range.keep("T2 in K", T01 / stagnation1 * e.T);
        if (p1) {
            s.p2 = range.keep("p2 in Pa", *p1 * Real(e.p));
            // p02 = p1 (T01/T1)^(g/(g-1)) p02/p01, through the logarithms.
            s.p02 = range.keep(
                "p02 in Pa", *p1 * std::exp(g / (g - 1) * std::log(stagnation1) + std::log(Real(e.p0))));
        }
    }
    s.note = range.note();
    return s;
}

} // namespace

HeatResult addHeat(double gamma, double M1, double heat, HeatGiven given)
{
    return solveProcess(gamma, M1, heat, given).result;
}

HeatAnswer addHeat(
    double gamma, double M1, double heat, HeatGiven given, double T01, std::optional<double> p1, double cp)
{
    Process p = solveProcess(gamma, M1, heat, given);
    HeatStations s = stationsOf(p, gamma, T01, p1, cp);
    return {std::move(p.result), std::move(s)};
}

HeatStations stations(
    double gamma, double M1, double heat, HeatGiven given, double T01, std::optional<double> p1, double cp)
{
    return stationsOf(solveProcess(gamma, M1, heat, given), gamma, T01, p1, cp);
}

} // namespace flow

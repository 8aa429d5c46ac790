#include "flow/heat.h"

#include "flow/extended.h"
#include "flow/relations.h"
#include "flow/wording.h"

#include <cmath>
#include <limits>

namespace flow {
namespace {

using extended::Real;

constexpr double kSmallest = std::numeric_limits<double>::min();

double d(Real x) { return static_cast<double>(x); }

std::string inlet(double gamma, double M1)
{
    return "at M1 = " + shortestText(M1) + " and gamma = " + shortestText(gamma);
}

// The process in extended precision, solved once for addHeat and stations
// alike.
struct Process {
    HeatResult result;
    Real ratio = 1;   // T02/T01
    Real q = 0;       // q/(cp T01), apart: 1 + q drops the last bits of a small q
    Real stagnation1; // T01/T1
    Real M2 = 0;      // when there is an exit state
    Real logP0 = 0;   // ln(p02/p01)
    Real p21 = 0;     // p2/p1
    Real T21 = 0;     // T2/T1
    Real qStar = 0;   // q*/(cp T01)
    bool hasInlet = false;
};

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

// q*/(cp T01), the heat that chokes the duct. The sonic state is the same at
// both stations: T0*/T01 = 1/(T01/T0*). As 1 - T0/T0* = (M^2 - 1)^2 /
// (1 + g M^2)^2, q* = T0*/T01 - 1 has this closed form: never negative, and
// not 0 next to M = 1 where 1/(T0/T0*) - 1 would cancel to it.
Real chokingHeat(Real g, Real M1, Real stagnation1)
{
    const Real m2 = M1 * M1;
    const Real d1 = (M1 - 1) * (M1 + 1);
    return d1 * d1 / (2 * (1 + g) * m2 * stagnation1);
}

// The exit Mach number on the inlet's branch, or why there is none.
struct ExitMach {
    Real M2 = 0;
    std::string why; // empty when M2 holds the exit Mach number
};

ExitMach exitMach(const Process &p, Real g, double gamma, double M1, double heat, HeatGiven given, Real inT0)
{
    // The bounds are compared as the table shows them, so that a bound the
    // program printed reads back as that bound.
    const double mostAdded = given == HeatGiven::T0Ratio ? d(1 + p.qStar) : d(p.qStar);
    // 1 - T02/T0*, from 1 - T01/T0* = (M1^2 - 1)^2 / (1 + g M1^2)^2: next to
    // choking it is far smaller than the rounding of T02/T0* itself.
    const Real m2 = Real(M1) * M1;
    const Real d1 = (Real(M1) - 1) * (Real(M1) + 1);
    const Real e1 = d1 * d1 / ((1 + g * m2) * (1 + g * m2));
    Real e2 = e1 - inT0 * p.q;
    Real t2 = inT0 * p.ratio; // not 1 - e2, which loses a small T02/T0*
    if (p.q == 0)
        return {M1, {}}; // no heat: the inlet flow itself, even where T0/T0* is too flat to invert
    if (heat > mostAdded)
        return {0,
            "the duct chokes: " + inlet(gamma, M1) + " at most q/(cp*T01) = " + boundText(d(p.qStar), d(p.q))
                + " can be added; more heat changes the inlet flow"};
    if (M1 == 1 && p.q < 0)
        return {0, "cooled at M1 = 1 the flow may leave on either branch: give M1 just below or above 1"};
    if (heat == mostAdded || e2 < 0) {
        e2 = 0;
        t2 = 1;
    }
    const extended::T0Roots roots = extended::machFromT0(g, t2, e2);
    if (e2 == 0)
        return {1, {}};
    const Real M2 = M1 < 1 ? roots.sub : roots.sup.value_or(0);
    if (M1 > 1 && M2 != 1) {
        // Cooling takes a supersonic flow towards its limit T0/T0*, which
        // it reaches only at an infinite Mach number.
        const Real limit = extended::t0Limit(g);
        const Real least = given == HeatGiven::T0Ratio ? limit / inT0 : limit / inT0 - 1;
        const std::string limitShown = boundText(d(limit), d(t2));
        if (heat < d(least))
            return {0,
                "a supersonic flow cannot be cooled below T0/T0* = " + limitShown + ": " + inlet(gamma, M1)
                    + " at most -q/(cp*T01) = " + boundText(d(1 - limit / inT0), d(-p.q)) + " can be taken away"};
        if (heat == d(least) || !roots.sup)
            return {0,
                "this cooling takes a supersonic flow to T0/T0* = " + limitShown
                    + ", which it reaches only as M grows without bound: " + inlet(gamma, M1) + " take away less"};
    }
    return {M2, {}};
}

// The exit-to-inlet ratios once M2 is known; the note names those past a
// double's range.
void exitRatios(Process &p, Real g, double M1, const extended::State &in, RangeNote &exit)
{
    const extended::State out = extended::stateAt(g, p.M2);
    // p02/p01 from the logarithms keeps its digits where p0/p0* itself
    // would leave a double's range.
    p.logP0 = extended::logP0(g, p.M2) - extended::logP0(g, M1);
    p.p21 = out.p / in.p;
    p.T21 = out.T / in.T;
    HeatProcess &e = p.result.process.emplace();
    e.M2 = d(p.M2);
    e.T0 = d(p.ratio);
    e.q = d(p.q);
    e.p = exit.valueOf("p2/p1", p.p21);
    e.T = exit.valueOf("T2/T1", p.T21);
    e.rho = exit.valueOf("rho2/rho1", out.rho / in.rho);
    e.V = exit.valueOf("V2/V1", out.V / in.V);
    e.p0 = exit.valueOf("p02/p01", std::exp(p.logP0));
    e.ds = exit.valueOf("(s2-s1)/R", in.s - out.s);
}

Process solveProcess(double gamma, double M1, double heat, HeatGiven given)
{
    Process p;
    if (auto why = refusal(gamma, M1, heat, given)) {
        p.result.note = std::move(*why);
        return p;
    }
    p.hasInlet = true;
    p.ratio = given == HeatGiven::T0Ratio ? Real(heat) : 1 + Real(heat);
    p.q = given == HeatGiven::T0Ratio ? Real(heat) - 1 : Real(heat);
    const Real g = gamma;
    const extended::State in = extended::stateAt(g, M1);
    p.stagnation1 = 1 + (g - 1) / 2 * Real(M1) * M1;
    p.qStar = chokingHeat(g, M1, p.stagnation1);
    RangeNote choke;
    p.result.T0Star = RangeNote().keep("", 1 + p.qStar); // overflows with q*
    p.result.qStar = choke.keep("q*/(cp*T01)", p.qStar);

    ExitMach exit = exitMach(p, g, gamma, M1, heat, given, in.T0);
    if (exit.why.empty() && !(exit.M2 >= kSmallest))
        exit.why = "M2 is below " + limitText(kSmallest) + ", the smallest a double holds";
    RangeNote range;
    if (exit.why.empty()) {
        p.M2 = exit.M2;
        exitRatios(p, g, M1, in, range);
    }
    std::string why = exit.why.empty() ? range.note() : std::move(exit.why);
    if (const std::string more = choke.note(); !more.empty())
        why += (why.empty() ? "" : "; ") + more;
    p.result.note = std::move(why);
    return p;
}

// The absolute values at both stations from the solved process.
HeatStations stationsOf(const Process &p, double gamma, double T01, std::optional<double> p1, double cp)
{
    HeatStations s;
    if (!p.hasInlet)
        return s;
    const Real g = gamma;
    const Real heatPerMass = Real(cp) * T01; // cp T01, J/kg
    RangeNote range;
    s.T1 = range.keep("T1 in K", T01 / p.stagnation1);
    s.T02 = range.keep("T02 in K", T01 * p.ratio);
    s.q = range.keep("q in J/kg", heatPerMass * p.q);
    s.qStar = range.keep("q* in J/kg", heatPerMass * p.qStar);
    if (p.result.process) {
        s.T2 = range.keep("T2 in K", T01 / p.stagnation1 * p.T21);
        if (p1) {
            s.p2 = range.keep("p2 in Pa", *p1 * p.p21);
            // p02 = p1 (T01/T1)^(g/(g-1)) p02/p01, through the logarithms.
            s.p02 = range.keep("p02 in Pa", *p1 * std::exp(g / (g - 1) * std::log(p.stagnation1) + p.logP0));
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

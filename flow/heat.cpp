#include "flow/heat.h"

#include "flow/extended.h"
#include "flow/relations.h"
#include "flow/wording.h"

#include <cmath>
#include <limits>

namespace flow {
namespace {

using extended::Real;

HeatResult refused(std::string why) { return {std::nullopt, std::nullopt, std::nullopt, std::move(why)}; }

std::string inlet(double gama, double M1)
{
    return "at M1 = " + shortestText(M1) + " and gamma = " + shortestText(gama);
}

} // namespace

HeatResult addHeat(double gama, double M1, double heat, HeatGiven given)
{
    if (auto problem = gammaProblem(gama))
        return refused(*problem);
    if (!(M1 > 0) || !std::isfinite(M1))
        return refused("M1 must be a number above 0, not " + shortestText(M1));
    if (!std::isfinite(heat))
        return refused("the heat must be a number, not " + shortestText(heat));
    // 1 + q is exact in extended precision.
    const Real ratio = given == HeatGiven::T0Ratio ? Real(heat) : 1 + Real(heat);
    if (!(ratio > 0))
        return refused(given == HeatGiven::T0Ratio ? "T02/T01 must be above 0, not " + shortestText(heat)
                                                   : "q/(cp*T01) must be above -1, not " + shortestText(heat));

    const Real g = gama;
    const extended::State in = extended::stateAt(g, M1);
    // The sonic state is the same at both stations: T0* / T01 = 1 / (T01/T0*).
    HeatResult result {};
    const double chokeT0 = static_cast<double>(1 / in.T0);
    const double chokeQ = static_cast<double>(1 / in.T0 - 1);
    if (std::isfinite(chokeT0) && std::isfinite(chokeQ)) { // not so for inlets slower than about 1e-154
        result.chokeT0 = chokeT0;
        result.chokeQ = chokeQ;
    }
    const auto noExit = [&result](std::string why) {
        result.note = std::move(why);
        return result;
    };
    const Real t2 = in.T0 * ratio;
    if (t2 > 1)
        return noExit("the duct chokes: " + inlet(gama, M1)
            + " at most q/(cp*T01) = " + boundText(static_cast<double>(1 / in.T0 - 1), static_cast<double>(ratio - 1))
            + " can be added; more heat changes the inlet flow");
    const extended::T0Roots roots = extended::machFromT0(g, t2);
    Real M2 = roots.sub;
    if (M1 > 1 && !roots.sup) {
        const Real mostTaken = 1 - extended::t0Limit(g) / in.T0;
        return noExit("a supersonic flow cannot be cooled below T0/T0* = "
            + boundText(static_cast<double>(extended::t0Limit(g)), static_cast<double>(t2)) + ": " + inlet(gama, M1)
            + " at most -q/(cp*T01) = " + boundText(static_cast<double>(mostTaken), static_cast<double>(1 - ratio))
            + " can be taken away");
    }
    if (M1 > 1)
        M2 = *roots.sup;
    if (M1 == 1 && ratio < 1)
        return noExit("cooled at M1 = 1 the flow may leave on either branch: give M1 just below or above 1");
    if (t2 == 1)
        M2 = 1;
    if (ratio == 1) // no heat: the inlet flow itself, even where T0/T0* is too flat to invert
        M2 = M1;

    const extended::State out = extended::stateAt(g, M2);
    const auto d = [](Real x) { return static_cast<double>(x); };
    // p02/p01 from the logarithms keeps its digits where p0/p0* itself
    // would leave a double's range.
    const Real p0 = std::exp(extended::logP0(g, M2) - extended::logP0(g, M1));
    result.process = HeatProcess {d(M2), d(ratio), d(ratio - 1), d(out.p / in.p), d(out.T / in.T), d(out.rho / in.rho),
        d(out.V / in.V), d(p0), d(in.s - out.s)};
    const HeatProcess &e = *result.process;
    for (double v : {e.p, e.T, e.rho, e.V, e.p0, e.s})
        if (!std::isfinite(v) || (v != 0 && std::fabs(v) < std::numeric_limits<double>::min()))
            return noExit("the exit state leaves a double's range");
    if (!(e.M2 >= std::numeric_limits<double>::min()))
        return noExit(
            "M2 is below " + shortestText(std::numeric_limits<double>::min()) + ", the smallest a double holds");
    return result;
}

HeatStations stations(const HeatResult &result, double gama, double M1, double T01, std::optional<double> p1, double cp)
{
    const Real g = gama;
    const Real stagnation = 1 + (g - 1) / 2 * Real(M1) * M1; // T0/T at the inlet
    const HeatProcess &process = *result.process;
    HeatStations s {};
    s.T1 = static_cast<double>(T01 / stagnation);
    s.T2 = static_cast<double>(T01 / stagnation * process.T);
    s.T02 = static_cast<double>(Real(T01) * process.T0);
    if (p1) {
        s.p2 = static_cast<double>(Real(*p1) * process.p);
        s.p02 = static_cast<double>(*p1 * std::pow(stagnation, g / (g - 1)) * process.p0);
    }
    s.q = static_cast<double>(Real(cp) * T01 * process.q);
    s.qStar = static_cast<double>(Real(cp) * T01 * result.chokeQ.value_or(0));
    return s;
}

} // namespace flow

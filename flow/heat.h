#pragma once

// Heat added to (or taken from) a gas between two stations of a
// constant-area duct: the exit state for a given inlet Mach number and
// stagnation temperature ratio, and how much heat chokes the duct.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace flow {

// How the heat is given: as T02/T01, or as q/(cp T01) = T02/T01 - 1,
// negative for cooling.
enum class HeatGiven { T0Ratio, QRatio };

// Exit over inlet for one process.
struct HeatProcess {
    double M2;
    double T0;  // T02/T01
    double q;   // q/(cp T01) = T02/T01 - 1
    double p;   // p2/p1
    double T;   // T2/T1
    double rho; // rho2/rho1
    double V;   // V2/V1
    double p0;  // p02/p01
    double ds;  // (s2 - s1)/R: the entropy change, not FlowState's s
};

// The answer for one inlet: the process, or why there is none. The heat
// that chokes the duct is known whenever the inlet is and a double holds it.
// An exit ratio past a double's range is NaN (below it) or infinity (above
// it), and the note names it.
struct HeatResult {
    std::optional<HeatProcess> process;
    std::optional<double> T0;     // T02/T01 whenever the heat is valid, as every front end shows it
    std::optional<double> q;      // q/(cp T01) likewise
    std::optional<double> T0Star; // T0*/T01
    std::optional<double> qStar;  // q*/(cp T01), as HeatProcess's q is q/(cp T01)
    std::string note;

    bool solved() const { return process.has_value() && note.empty(); }
};

// The exit state on the inlet's branch for gamma, inlet Mach number M1 and
// the heat. Never throws: an input without an exit state gets the reason.
// The heat given is exact (given as q, T02/T01 = 1 + q exactly), and every
// ratio is the double nearest its exact value, at the exact exit state; the
// choking and cooling limits are compared exactly, so a heat inside them is
// solved. No heat leaves the flow exactly as it is. The one rounded
// comparison is on purpose: a heat the table printed as the one that chokes
// the duct (the double nearest q*, or T0*/T01), read back, chokes it
// exactly: M2 = 1.
HeatResult addHeat(double gamma, double M1, double heat, HeatGiven given = HeatGiven::T0Ratio);

// Where addHeats writes the processes of n inlets, one array each.
struct HeatColumns {
    double *M2, *T0, *q, *p, *T, *rho, *V, *p0, *ds, *qStar, *T0Star;
};

// addHeat over arrays, at M1[i], heat[i] and gamma[gammaPerElement ? i : 0]
// for i < n: the process and the choking heat in out, from the batch
// kernel, but for the elements it leaves, returned in order with addHeat's
// HeatResult and its note.
std::vector<std::pair<std::size_t, HeatResult>> addHeats(const double *M1, const double *heat, HeatGiven given,
    const double *gamma, bool gammaPerElement, std::size_t n, const HeatColumns &out);

// Element i of addHeats' columns as a solved HeatResult.
HeatResult heatResultAt(const HeatColumns &out, std::size_t i);

// The same process in absolute values at the two stations: each is known
// when the inlet is, those at the exit when there is an exit state, and the
// pressures when p1 is given; the note names those past a double's range.
struct HeatStations {
    std::optional<double> T1, T2, T02; // K
    std::optional<double> p2, p02;     // Pa
    std::optional<double> q, qStar;    // J/kg: HeatProcess's q and HeatResult's qStar times cp T01
    std::string note;
};

// The stations of a process solved at gamma and M1, from the inlet
// stagnation temperature T01 (K), optionally the inlet static pressure p1
// (Pa), and cp (J/(kg K)); the caller checks they are positive.
HeatStations stations(
    const HeatResult &result, double gamma, double M1, double T01, std::optional<double> p1, double cp);

// One note for a row that shows both: the process's, then the stations'.
inline std::string rowNote(const HeatResult &result, const HeatStations &stations)
{
    if (result.note.empty() || stations.note.empty())
        return result.note + stations.note;
    return result.note + "; " + stations.note;
}

} // namespace flow

#pragma once

// Heat added to (or taken from) a gas between two stations of a
// constant-area duct: the exit state for a given inlet Mach number and
// stagnation temperature ratio, and how much heat chokes the duct.

#include <optional>
#include <string>

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
    double s;   // (s2 - s1)/R
};

// The answer for one inlet: the process, or why there is none. The heat
// that chokes the duct is known whenever the inlet is and a double holds it.
struct HeatResult {
    std::optional<HeatProcess> process;
    std::optional<double> chokeT0; // T0*/T01
    std::optional<double> chokeQ;  // q*/(cp T01)
    std::string note;

    bool solved() const { return process.has_value() && note.empty(); }
};

// The exit state on the inlet's branch for gamma, inlet Mach number M1 and
// the heat. Never throws: an input without an exit state gets the reason.
HeatResult addHeat(double gama, double M1, double heat, HeatGiven given = HeatGiven::T0Ratio);

// The same process in absolute values at the two stations.
struct HeatStations {
    double T1, T2, T02;            // K
    std::optional<double> p2, p02; // Pa, when p1 is known
    double q, qStar;               // J/kg
};

// From the inlet stagnation temperature T01 (K), optionally the inlet
// static pressure p1 (Pa), and cp (J/(kg K)); the caller checks they are
// positive.
HeatStations stations(
    const HeatResult &result, double gama, double M1, double T01, std::optional<double> p1, double cp);

} // namespace flow

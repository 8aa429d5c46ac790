#pragma once

// Rayleigh flow: one-dimensional flow with heat addition in a constant-area
// duct. Every ratio is referred to the sonic state (M = 1).
//
// The window's relations. Their twins for the command line and the Python
// module are flow/relations.h, flow/forward.h and flow/exact.h: those are
// correctly rounded and never throw, where these keep the window's own
// double arithmetic, step by step, and stop at its first fault.

#include "flow/window/fault.h"

#include <optional>

namespace flow {

struct RayleighRatios {
    double TTstar;   // T/T*
    double PPstar;   // p/p*
    double RoRoStar; // rho/rho*
    double PoPoStar; // p0/p0*
    double ToToStar; // T0/T0*
};

// The five ratios for ratio of specific heats gama and Mach number M > 0.
// Throws ArithmeticFault at the first step whose result would not be finite.
RayleighRatios RatiosFromMach(double gama, double M);

struct MachNumbers {
    double Msub;
    std::optional<double> Msup; // empty: no supersonic flow has this T0/T0*
};

// The subsonic and supersonic Mach numbers whose T0/T0* is ToToStar (<= 1).
MachNumbers MachFromToToStar(double gama, double ToToStar);

} // namespace flow

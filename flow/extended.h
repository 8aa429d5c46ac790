#pragma once

// The Rayleigh relations in extended precision, shared by the relation set
// and the heat-addition process: with 64-bit significands their results
// stay exact to the last bit of a double.

#include <optional>

namespace flow::extended {

using Real = long double;

// The flow at Mach number M > 0: every ratio to the sonic state.
struct State {
    Real M, T, p, rho, V, T0, p0, s;
};
State stateAt(Real g, Real M);

// ln(p0/p0*), finite where p0/p0* itself leaves a double's range.
Real logP0(Real g, Real M);

// (s* - s)/R.
Real entropy(Real g, Real M);

// The limit (g^2 - 1)/g^2 of T0/T0* as M grows without bound.
Real t0Limit(Real g);

// The Mach numbers with T0/T0* = t, 0 < t <= 1; no supersonic one at or
// below t0Limit. e is 1 - t, given apart because next to M = 1 the roots
// depend on it alone, and a caller may know it better than 1 - t.
struct T0Roots {
    Real sub;
    std::optional<Real> sup;
};
T0Roots machFromT0(Real g, Real t, Real e);
inline T0Roots machFromT0(Real g, Real t) { return machFromT0(g, t, 1 - t); }

} // namespace flow::extended

#pragma once

// The Rayleigh relations in extended precision: the exact path's first
// guesses at the roots of p0/p0* and the entropy, which its Newton steps
// in MPFR then refine.

namespace flow::extended {

using Real = long double;

// ln(p0/p0*), finite where p0/p0* itself leaves a double's range.
Real logP0(Real g, Real M);

// (s* - s)/R.
Real entropy(Real g, Real M);

} // namespace flow::extended

#pragma once

// Every Rayleigh relation, forward from M and inverse from any ratio to the
// sonic state, for the command line. Unlike the window's functions these
// never throw: an input without an answer gets a sentence that says why.
// Forward, every ratio is the double nearest its exact value, for every
// gamma in (1, 1e6] and every M in range (docs/accuracy.md). An inverse works
// in extended precision: it is exact for an input within a fraction of an
// ulp of the one given, not correctly rounded: next to an extremum M moves
// as the square root of the input, so its last bits are as uncertain as the
// input's.

#include "flow/forward.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flow {

// The quantities a flow state can be given by. Every ratio is to the sonic
// state: T is T/T*, T0 is T0/T0*, and s is the entropy (s* - s)/R.
enum class Quantity { M, T, p, rho, V, T0, p0, s };

inline constexpr std::array<Quantity, 8> kAllQuantities {
    Quantity::M, Quantity::T, Quantity::p, Quantity::rho, Quantity::V, Quantity::T0, Quantity::p0, Quantity::s};

// "M", "T/T*", "p/p*", "rho/rho*", "V/V*", "T0/T0*", "p0/p0*", "(s*-s)/R".
std::string_view quantityName(Quantity q);

// Which root of a double-valued relation: T/T* has one root either side of
// M = 1/sqrt(gamma), its maximum (Low, High); T0/T0*, p0/p0* and the entropy
// one either side of M = 1. Single-valued inputs are Subsonic, Sonic or
// Supersonic by their Mach number; None is the row of a value that no
// flow could have on any branch, such as M <= 0.
enum class Branch { Subsonic, Sonic, Supersonic, Low, High, None };

// "sub", "sonic", "sup", "low", "high", and "" for None.
std::string_view branchName(Branch b);

// The branches asked for: Sub picks Subsonic or Low, Sup picks Supersonic or
// High.
enum class BranchChoice { Sub, Sup, Both };

// One flow state: its Mach number and every ratio at it.
struct FlowState {
    double M;
    double T;   // T/T*
    double p;   // p/p*
    double rho; // rho/rho*
    double V;   // V/V*
    double T0;  // T0/T0*
    double p0;  // p0/p0*
    double s;   // (s* - s)/R, >= 0

    double operator[](Quantity q) const;
};

// One answer of solve: a flow state, or the reason there is none. A state
// whose ratio leaves a double's range keeps that ratio as infinity, and one
// whose ratio is below the smallest double has NaN there rather than a false
// 0; the note names each.
struct Solution {
    Branch branch;
    std::optional<FlowState> state;
    std::string note;

    bool solved() const { return state.has_value() && note.empty(); }
};

// Why gamma cannot be used, or nothing when 1 < gamma <= 1e6.
std::optional<std::string> gammaProblem(double gama);

// The state at Mach number M for gamma (> 1): M must be positive and finite.
// A ratio that rounds to 0 is NaN and one past the largest double infinity,
// each named in the note; a subnormal one is kept.
Solution fromMach(double gama, double M);

// fromMach over arrays, at M[i] and gamma[gammaPerElement ? i : 0] for
// i < n: the ratios in out, from the batch kernel, but for the elements it
// leaves, returned in order with fromMach's Solution and its note.
std::vector<std::pair<std::size_t, Solution>> fromMachs(
    const double *M, const double *gamma, bool gammaPerElement, std::size_t n, const forward::Columns &out);

// The side of M = 1 a Mach number lies on; None for no flow's (M <= 0, NaN
// or infinite).
Branch branchOf(double M);

// Every state whose quantity q has this value, one Solution per branch asked
// for (an input with one root ignores the choice). Never throws.
std::vector<Solution> solve(double gama, Quantity q, double value, BranchChoice which = BranchChoice::Both);

} // namespace flow

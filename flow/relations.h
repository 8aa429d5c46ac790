#pragma once

// Every Rayleigh relation, forward from M and inverse from any ratio to the
// sonic state, for the command line and the Python module. Unlike the
// window's functions these never throw: an input without an answer gets a
// sentence that says why. Every number is the double nearest its exact
// value, for every gamma in (1, 1e6] (docs/accuracy.md): forward, each ratio
// at M; inverse, the value given is taken as exact, M is the double nearest
// the exact root on the branch asked, and every other ratio the double
// nearest its value at that exact root (bar one case left to a precision
// cap, which no test has met). A value strictly inside its range
// is solved; only a value outside it, or exactly at an end no flow
// reaches, is refused.

#include "flow/forward.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flow {

// The quantities a flow state can be given by. Every ratio is to the sonic
// state: T is T/T*, T0 is T0/T0*, and s is the entropy (s* - s)/R.
enum class Quantity { M, T, p, rho, V, T0, p0, s };

// Which root of a double-valued relation: T/T* has one root either side of
// M = 1/sqrt(gamma), its maximum (Low, High); T0/T0*, p0/p0* and the entropy
// one either side of M = 1. Single-valued inputs are Subsonic, Sonic or
// Supersonic by their Mach number; None is the row of a value that no
// flow could have on any branch, such as M <= 0.
enum class Branch { Subsonic, Sonic, Supersonic, Low, High, None };

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

// Each quantity once, in the order of Quantity; everything that names or
// picks a quantity (the command line's options and columns, the Python
// module's fields) derives from this table. Adding a ratio is a row here
// and its formulas.
struct QuantityRow {
    Quantity quantity;
    std::string_view field;       // FlowState's member and Python's name
    std::string_view option;      // the command line's option, without "--"
    std::string_view name;        // in columns and notes
    std::string_view description; // in the command line's help
    double FlowState::*member;
    bool twoRoots; // one root either side of an extremum
};

inline constexpr std::array<QuantityRow, 8> kQuantities {{
    {Quantity::M, "M", "mach", "M", "Mach numbers M", &FlowState::M, false},
    {Quantity::T, "T", "T", "T/T*", "T/T*, static temperature to the sonic state's", &FlowState::T, true},
    {Quantity::p, "p", "p", "p/p*", "p/p*, static pressure", &FlowState::p, false},
    {Quantity::rho, "rho", "rho", "rho/rho*", "rho/rho*, density", &FlowState::rho, false},
    {Quantity::V, "V", "V", "V/V*", "V/V*, velocity", &FlowState::V, false},
    {Quantity::T0, "T0", "T0", "T0/T0*", "T0/T0*, stagnation temperature", &FlowState::T0, true},
    {Quantity::p0, "p0", "p0", "p0/p0*", "p0/p0*, stagnation pressure", &FlowState::p0, true},
    {Quantity::s, "s", "s", "(s*-s)/R", "(s*-s)/R: the sonic state's entropy less this one's, over R", &FlowState::s,
        true},
}};

inline constexpr const QuantityRow &row(Quantity q) { return kQuantities[static_cast<std::size_t>(q)]; }

inline constexpr std::array<Quantity, kQuantities.size()> kAllQuantities = [] {
    std::array<Quantity, kQuantities.size()> all {};
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = kQuantities[i].quantity;
    return all;
}();

// "M", "T/T*", "p/p*", "rho/rho*", "V/V*", "T0/T0*", "p0/p0*", "(s*-s)/R".
inline constexpr std::string_view quantityName(Quantity q) { return row(q).name; }

// Each branch's name, in the order of Branch: "" for None.
inline constexpr std::array<std::pair<Branch, std::string_view>, 6> kBranches {{
    {Branch::Subsonic, "sub"},
    {Branch::Sonic, "sonic"},
    {Branch::Supersonic, "sup"},
    {Branch::Low, "low"},
    {Branch::High, "high"},
    {Branch::None, ""},
}};

inline constexpr std::string_view branchName(Branch b) { return kBranches[static_cast<std::size_t>(b)].second; }

// The names a user may ask for branches by, the command line's --branch
// and Python's branch=.
inline constexpr std::array<std::pair<std::string_view, BranchChoice>, 5> kBranchChoices {{
    {"sub", BranchChoice::Sub},
    {"low", BranchChoice::Sub},
    {"sup", BranchChoice::Sup},
    {"high", BranchChoice::Sup},
    {"both", BranchChoice::Both},
}};

// The tables are indexed by their enums: a row out of place fails here.
static_assert([] {
    for (std::size_t i = 0; i < kQuantities.size(); ++i)
        if (static_cast<std::size_t>(kQuantities[i].quantity) != i)
            return false;
    for (std::size_t i = 0; i < kBranches.size(); ++i)
        if (static_cast<std::size_t>(kBranches[i].first) != i)
            return false;
    return true;
}());

inline double FlowState::operator[](Quantity q) const { return this->*row(q).member; }

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
std::optional<std::string> gammaProblem(double gamma);

// The state at Mach number M for gamma (> 1): M must be positive and finite.
// A ratio that rounds to 0 is NaN and one past the largest double infinity,
// each named in the note; a subnormal one is kept.
Solution fromMach(double gamma, double M);

// fromMach over arrays, at M[i] and gamma[gammaPerElement ? i : 0] for
// i < n: the ratios in out, from the batch kernel, but for the elements it
// leaves, returned in order with fromMach's Solution and its note.
std::vector<std::pair<std::size_t, Solution>> fromMachs(
    const double *M, const double *gamma, bool gammaPerElement, std::size_t n, const forward::Columns &out);

// The side of M = 1 a Mach number lies on; None for no flow's (M <= 0, NaN
// or infinite).
Branch branchOf(double M);

// The branch of the root of q on the side asked (high: above the
// extremum), or for a one-root q the side of M = 1 that M lies on.
Branch branchAt(Quantity q, bool high, double M);

// Every state whose quantity q has this value, one Solution per branch asked
// for (an input with one root ignores the choice). Never throws.
std::vector<Solution> solve(double gamma, Quantity q, double value, BranchChoice which = BranchChoice::Both);

// solve over arrays for q != M on one side (high: the root above the
// extremum; ignored for one-root quantities), at value[i] and
// gamma[gammaPerElement ? i : 0]: M and every ratio in M and out, from the
// batch kernel, but for the elements it leaves, returned in order with
// solve's Solution and its note.
std::vector<std::pair<std::size_t, Solution>> solveMany(Quantity q, bool high, const double *value, const double *gamma,
    bool gammaPerElement, std::size_t n, double *M, const forward::Columns &out);

} // namespace flow

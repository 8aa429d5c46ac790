// One target per input quantity (SOLVED_QUANTITY): every answer of solve is
// a finite state whose Mach number gives the input back, or a reason.
#include "check.h"
#include "flow/relations.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <vector>

namespace {

constexpr flow::Quantity input = flow::Quantity::SOLVED_QUANTITY;

double quantityAt(double gamma, double M) { return flow::fromMach(gamma, M).state.value()[input]; }

// How far the quantity may stray from the input at the double nearest the
// root: a part in 1e12, plus what moving M by one unit in its last place
// does, which is much more where the quantity is steep in M or, next to
// M = 1, where it turns.
double tolerance(double gamma, double M, double value)
{
    const double here = quantityAt(gamma, M);
    double step = 0;
    for (double next : {std::nextafter(M, 0.0), std::nextafter(M, HUGE_VAL)})
        if (next > 0 && std::isfinite(next) && flow::fromMach(gamma, next).solved())
            step = std::max(step, std::fabs(quantityAt(gamma, next) - here));
    return 1e-12 * std::fabs(value) + 2 * step + std::numeric_limits<double>::denorm_min();
}

void check(double gamma, double value, const flow::Solution &solution)
{
    if (!solution.solved()) {
        // A state may come with values past a double's range, NaN below it
        // and infinity above: the note names them.
        fuzz::require(!solution.note.empty());
        return;
    }
    const flow::FlowState &state = *solution.state;
    for (flow::Quantity q : flow::kAllQuantities)
        fuzz::requireFinite(state[q]);
    fuzz::require(state.M > 0 && state[input] == value);
    // Next to M = 1 the two roots meet, and the input's last bit moves them
    // by far more than this: a root a few bits past 1 is still on its branch.
    switch (solution.branch) {
    case flow::Branch::Subsonic:
        fuzz::require(state.M <= 1 + 1e-12);
        break;
    case flow::Branch::Supersonic:
        fuzz::require(state.M >= 1 - 1e-12);
        break;
    case flow::Branch::Sonic:
        fuzz::require(state.M == 1);
        break;
    case flow::Branch::Low:
    case flow::Branch::High:
        fuzz::require(input == flow::Quantity::T);
        break;
    case flow::Branch::None:
        fuzz::require(false); // a solved row is some flow's
        break;
    }
    const double back = quantityAt(gamma, state.M);
    if (std::isnan(back)) { // an input below the smallest normal double, which a forward state leaves out
        fuzz::require(std::fabs(value) < std::numeric_limits<double>::min() * (1 + 1e-9)); // or just at it
        return;
    }
    fuzz::require(std::fabs(back - value) <= tolerance(gamma, state.M, value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const double gamma = fuzz::takeDouble(data, size);
    const double value = fuzz::takeDouble(data, size);
    const auto which = static_cast<flow::BranchChoice>(size > 0 ? data[0] % 3 : 2);
    try {
        const std::vector<flow::Solution> solutions = flow::solve(gamma, input, value, which);
        const bool twoRoots = input == flow::Quantity::T || input == flow::Quantity::T0 || input == flow::Quantity::p0
            || input == flow::Quantity::s;
        fuzz::require(solutions.size() == (twoRoots && which == flow::BranchChoice::Both ? 2u : 1u));
        for (const flow::Solution &solution : solutions)
            check(gamma, value, solution);
    } catch (...) {
        fuzz::require(false); // nothing may escape
    }
    return 0;
}

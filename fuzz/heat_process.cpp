#include "check.h"
#include "flow/extended.h"
#include "flow/heat.h"

#include <cmath>

// Every process gives a finite exit state whose T02/T01 is the heat asked
// for, or a reason.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const double gamma = fuzz::takeDouble(data, size);
    const double M1 = fuzz::takeDouble(data, size);
    const double heat = fuzz::takeDouble(data, size);
    const bool asQ = size > 0 && (data[0] & 1);
    const flow::HeatResult r = flow::addHeat(gamma, M1, heat, asQ ? flow::HeatGiven::QRatio : flow::HeatGiven::T0Ratio);
    if (!r.solved()) {
        fuzz::require(!r.note.empty());
        return 0;
    }
    const flow::HeatProcess &p = *r.process;
    for (double v : {p.M2, p.T0, p.q, p.p, p.T, p.rho, p.V, p.p0, p.ds})
        fuzz::requireFinite(v);
    if (r.T0Star) {
        fuzz::requireFinite(*r.T0Star);
        fuzz::requireFinite(*r.qStar);
    }
    using flow::extended::Real;
    const Real ratio = flow::extended::stateAt(gamma, p.M2).T0 / flow::extended::stateAt(gamma, M1).T0;
    fuzz::require(std::fabs(ratio / p.T0 - 1) <= 1e-12L);
    return 0;
}

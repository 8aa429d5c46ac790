#include "check.h"
#include "flow/heat.h"
#include "flow/relations.h"

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
    // T0/T0* at both ends, where each is a normal double.
    const double t1 = flow::fromMach(gamma, M1).state->T0, t2 = flow::fromMach(gamma, p.M2).state->T0;
    if (t1 >= 0x1p-1000 && t2 >= 0x1p-1000)
        fuzz::require(std::fabs(t2 / t1 / p.T0 - 1) <= 1e-12);
    return 0;
}

// The forward kernel against the exact path on any (gamma, M): where it
// settles a ratio, the exact path rounds to the same double, and the exact
// value always lies within the kernel's bound.

#include "check.h"

#include "flow/exact.h"
#include "flow/forward.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    double gamma = fuzz::takeDouble(data, size);
    const double M = fuzz::takeDouble(data, size);
    // Most bit patterns are no gamma: fold them into (1, 1e6].
    if (!(gamma > 1 && gamma <= 1e6))
        gamma = std::isfinite(gamma) ? 1 + std::fmod(std::fabs(gamma), 1e6 - 1) : 1.4;
    if (gamma == 1)
        gamma = 1.4;
    const flow::forward::Bounded b = flow::forward::bounded(gamma, M);
    if (!b.inDomain)
        return 0;
    for (int k = 0; k < 7; ++k)
        fuzz::require(flow::exact::distance(k, gamma, M, b.hi[k], b.lo[k]) <= b.bound[k]);
    double ratio[7];
    if (flow::forward::one(gamma, M, ratio)) {
        const flow::exact::Ratios e = flow::exact::ratios(gamma, M);
        const double exact[7] = {e.T, e.p, e.rho, e.V, e.T0, e.p0, e.s};
        for (int k = 0; k < 7; ++k)
            fuzz::require(ratio[k] == exact[k]);
    }
    return 0;
}

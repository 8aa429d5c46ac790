// The inverse kernel against the exact path on any (quantity, branch, gamma,
// value): where it settles an element, the exact inverse finds a root with
// the same M and the same seven ratios.

#include "check.h"

#include "flow/exact.h"
#include "flow/inverse.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t choice = *data++;
    --size;
    const int k = choice % 7;
    const bool high = choice & 8;
    double gamma = fuzz::takeDouble(data, size);
    double value = fuzz::takeDouble(data, size);
    // Most bit patterns are no gamma: fold them into (1, 1e6].
    if (!(gamma > 1 && gamma <= 1e6))
        gamma = std::isfinite(gamma) ? 1 + std::fmod(std::fabs(gamma), 1e6 - 1) : 1.4;
    if (gamma == 1)
        gamma = 1.4;
    // Most are no value in range either: half the time the value is the
    // ratio at a Mach number taken from the bits.
    if (choice & 16) {
        const flow::exact::Ratios r = flow::exact::ratios(gamma, std::fabs(value));
        const double all[7] = {r.T, r.p, r.rho, r.V, r.T0, r.p0, r.s};
        value = all[k];
    }
    double M, ratio[7];
    if (!flow::inverse::one(k, high, gamma, value, M, ratio))
        return 0;
    const flow::exact::Inverse e = flow::exact::inverse(k, gamma, value, high);
    fuzz::require(e.found == flow::exact::Found::Root && e.M == M);
    const double exact[7] = {e.at.T, e.at.p, e.at.rho, e.at.V, e.at.T0, e.at.p0, e.at.s};
    for (int j = 0; j < 7; ++j)
        fuzz::require(ratio[j] == exact[j]);
    return 0;
}

#include "check.h"
#include "flow/window/rayleigh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const double gama = fuzz::takeDouble(data, size);
    const double M = fuzz::takeDouble(data, size);
    try {
        const flow::RayleighRatios r = flow::RatiosFromMach(gama, M);
        for (double v : {r.TTstar, r.PPstar, r.RoRoStar, r.PoPoStar, r.ToToStar})
            fuzz::requireFinite(v);
    } catch (const flow::ArithmeticFault &) { }
    return 0;
}

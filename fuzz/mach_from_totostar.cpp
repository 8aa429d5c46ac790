#include "check.h"
#include "flow/window/rayleigh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const double gama = fuzz::takeDouble(data, size);
    const double t = fuzz::takeDouble(data, size);
    try {
        const flow::MachNumbers m = flow::MachFromToToStar(gama, t);
        fuzz::requireFinite(m.Msub);
        if (m.Msup)
            fuzz::requireFinite(*m.Msup);
    } catch (const flow::ArithmeticFault &) { }
    return 0;
}

#pragma once

// What every target may see: finite results, or a fault. Anything else stops
// the run where it happened, so libFuzzer keeps the input.

#include "flow/window/fault.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzz {

inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

inline void requireFinite(double value) { require(std::isfinite(value)); }

// The next 8 bytes as a double's bit pattern; missing bytes are zeros.
inline double takeDouble(const std::uint8_t *&data, std::size_t &size)
{
    unsigned char bytes[sizeof(double)] = {};
    const std::size_t n = size < sizeof bytes ? size : sizeof bytes;
    if (n > 0)
        std::memcpy(bytes, data, n);
    data += n;
    size -= n;
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

} // namespace fuzz

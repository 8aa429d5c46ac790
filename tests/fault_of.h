#pragma once

// Shared by the GoogleTest and the Qt Test files.

#include "flow/window/fault.h"

#include <optional>

// The kind of fault a call raises; nothing when it raises none.
template<typename Call> std::optional<flow::ArithmeticFault::Kind> faultOf(Call call)
{
    try {
        call();
    } catch (const flow::ArithmeticFault &fault) {
        return fault.kind();
    }
    return std::nullopt;
}

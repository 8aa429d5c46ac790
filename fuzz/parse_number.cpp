#include "check.h"
#include "flow/window/number_text.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        fuzz::requireFinite(flow::ParseNumber(text));
    } catch (const flow::ArithmeticFault &fault) {
        // Too large is the only way a text can fail.
        fuzz::require(fault.kind() == flow::ArithmeticFault::Kind::Overflow);
    }
    return 0;
}

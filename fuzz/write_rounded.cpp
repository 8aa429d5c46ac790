// The command line's rounding against std::to_chars in fixed form, which
// rounds the double's exact value: the same digits wherever 15 hold them.
// Half the inputs are moved next to a decimal tie, where a rounding that
// goes through a scaled product errs.
#include "check.h"
#include "flow/number_text.h"
#include "tests/to_chars_rounding.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int decimals = data[0] % 16;
    const int nudge = data[1] % 9 - 4; // ulps from the tie
    const bool nearTie = data[1] >= 128;
    data += 2;
    size -= 2;
    double value = fuzz::takeDouble(data, size);
    if (nearTie && std::isfinite(value) && std::fabs(value) < 1e15) {
        const double scale = std::pow(10.0, decimals);
        value = (std::trunc(value * scale) + 0.5) / scale;
        for (int i = 0; i < std::abs(nudge); ++i)
            value = std::nextafter(value, nudge > 0 ? INFINITY : -INFINITY);
    }

    char buffer[flow::kMaxNumberText];
    const std::string text(buffer, flow::writeRounded(buffer, value, decimals));
    if (!std::isfinite(value)) {
        fuzz::require(text.empty());
        return 0;
    }
    fuzz::require(!text.empty() && text.find_first_not_of("0123456789.-+E") == std::string::npos);
    if (const auto expected = toCharsRounded(value, decimals))
        fuzz::require(text == *expected);
    return 0;
}

#include "check.h"
#include "flow/window/number_text.h"

#include <algorithm>
#include <string>

namespace {

using Kind = flow::ArithmeticFault::Kind;

std::string formatted(double value, const char *separator)
{
    try {
        std::string text = flow::FormatResult(value, separator);
        fuzz::require(std::isfinite(value));
        return text;
    } catch (const flow::ArithmeticFault &fault) {
        fuzz::require(!std::isfinite(value));
        fuzz::require(fault.kind() == (std::isnan(value) ? Kind::NoRealValue : Kind::Overflow));
        return {};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const double value = fuzz::takeDouble(data, size);
    const std::string point = formatted(value, ".");
    std::string comma = formatted(value, ",");
    if (!std::isfinite(value))
        return 0;

    // The separator is the only difference, and there is at most one.
    fuzz::require(!point.empty() && point.size() == comma.size());
    fuzz::require(std::count(comma.begin(), comma.end(), ',') <= 1);
    std::replace(comma.begin(), comma.end(), ',', '.');
    fuzz::require(comma == point);
    fuzz::require(point.find_first_not_of("0123456789.-+E") == std::string::npos);

    // Read back, the text is the value to 5 decimals and 15 significant
    // digits; the largest doubles round up past the range when written.
    try {
        const double back = flow::ParseNumber(point);
        const double tolerance = 0.5e-5 * (1 + 1e-9) + 1e-14 * std::fabs(value);
        fuzz::require(std::fabs(back - value) <= tolerance);
    } catch (const flow::ArithmeticFault &) {
        fuzz::require(std::fabs(value) > 1.797693134862315e308);
    }
    return 0;
}

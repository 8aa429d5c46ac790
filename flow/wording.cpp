#include "flow/wording.h"

#include <charconv>

namespace flow {

std::string shortestText(double v)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

std::string boundText(double bound, double value)
{
    for (int digits = 5; digits < 17; ++digits) {
        char buffer[40];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, bound, std::chars_format::general, digits).ptr;
        double shown = 0;
        std::from_chars(buffer, end, shown);
        if ((shown < value) == (bound < value) && (shown > value) == (bound > value))
            return std::string(buffer, end);
    }
    return shortestText(bound);
}

} // namespace flow

#pragma once

// The digits the command line must write for value at decimals places:
// std::to_chars in fixed form, which rounds the double's exact value, less
// trailing zeros and the sign of a zero. Nothing where the command line
// writes another form: 1e15 and above, or more than 15 digits.

#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>

inline std::optional<std::string> toCharsRounded(double value, int decimals)
{
    if (!(std::fabs(value) < 1e15))
        return std::nullopt;
    char buffer[400];
    const char *end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    std::string text(static_cast<const char *>(buffer), end);
    const std::size_t point = text.find('.');
    const std::size_t whole = (point == std::string::npos ? text.size() : point) - (value < 0 ? 1 : 0);
    if (whole + static_cast<std::size_t>(decimals) > 15)
        return std::nullopt;
    if (point != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    if (text.find_first_not_of("-0") == std::string::npos)
        text = "0";
    return text;
}

#include "cli/shown.h"

#include <algorithm>
#include <cstdint>

namespace cli {
namespace {

// The length of the valid UTF-8 character at the start of text, or 0 for
// a byte that starts none (overlong forms and surrogates included).
std::size_t characterLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t first = byte(0);
    if (first < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF; // the second byte's range
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

std::string cut(std::string_view text)
{
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < kShownLength; ++characters)
        at += std::max<std::size_t>(characterLength(text.substr(at)), 1);
    return at < text.size() ? std::string(text.substr(0, at)) + "…" : std::string(text);
}

// Escaped here, as a message read back through what() would end at a NUL.
std::string inQuotes(std::string_view text) { return '"' + escaped(cut(text)) + '"'; }

std::string escaped(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = characterLength(text);
        const auto first = static_cast<std::uint8_t>(text[0]);
        // C1 controls, U+0080 to U+009F, are as unprintable as C0.
        const bool control = length == 1 ? first < 0x20 || first == 0x7F
                                         : length == 2 && first == 0xC2 && static_cast<std::uint8_t>(text[1]) < 0xA0;
        if (length == 0 || control) {
            for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i) {
                const auto byte = static_cast<std::uint8_t>(text[i]);
                out += "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            }
            text.remove_prefix(std::max<std::size_t>(length, 1));
            continue;
        }
        out.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return out;
}

} // namespace cli

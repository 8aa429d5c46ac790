#include "flow/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace flow {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::size_t kSignificantDigits = 15;

constexpr double kPowersOfTen[]
    = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Significant digits before the point of fixed-form text: a lone 0 has none.
std::size_t wholeDigits(const char *first, const char *last)
{
    if (*first == '-')
        ++first;
    const auto digits = static_cast<std::size_t>(std::find(first, last, '.') - first);
    return digits == 1 && *first == '0' ? 0 : digits;
}

// The end of fixed-form text once the zeros after its point are gone.
char *withoutTrailingZeros(char *first, char *last)
{
    if (std::find(first, last, '.') == last)
        return last;
    while (last[-1] == '0')
        --last;
    if (last[-1] == '.')
        --last;
    return last;
}

// Correctly rounded from the exact binary value, whatever the C locale says.
char *fixedText(char (&buffer)[64], double value, std::size_t decimals)
{
    return std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, static_cast<int>(decimals))
        .ptr;
}

// Writes units / 10^places. With at most 15 digits the double nearest that
// quotient prints as exactly these digits, so they need no conversion of
// the double: the work is that of an integer.
char *writeScaled(char *out, std::int64_t units, std::size_t places)
{
    if (units == 0) {
        *out = '0'; // also for -0
        return out + 1;
    }
    if (units < 0) {
        *out++ = '-';
        units = -units;
    }
    // Digits from the right, at least one before the point; byte loops, as
    // these few bytes are not worth a call to memcpy.
    char digits[32];
    char *const last = digits + sizeof digits;
    char *first = last;
    auto rest = static_cast<std::uint64_t>(units);
    do {
        *--first = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0 || static_cast<std::size_t>(last - first) <= places);
    const char *const point = last - places;
    while (first != point)
        // The loop above wrote more than places digits, so first runs over
        // written ones only; the analyzer loses that bound.
        *out++ = *first++; // NOLINT(clang-analyzer-core.uninitialized.Assign)
    const char *end = last;
    while (end != point && end[-1] == '0')
        --end;
    if (end == point)
        return out;
    *out++ = '.';
    while (first != end)
        *out++ = *first++;
    return out;
}

char *writeExponentForm(char *out, double value)
{
    char buffer[64];
    char *end = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::scientific, static_cast<int>(kSignificantDigits - 1))
                    .ptr;
    char *e = std::find(buffer, end, 'e');
    out = std::copy(buffer, withoutTrailingZeros(buffer, e), out);
    *out++ = 'E';
    return std::copy(e + 1, end, out);
}

} // namespace

char *writeDecimals(char *out, double value, std::size_t places, Rounding rounding)
{
    const double scale = kPowersOfTen[places];
    const double scaled = value * scale;
    // Past about 1.8e293 the scaling leaves the range, but such a value has
    // no decimals left to round.
    double units = std::isfinite(scaled) ? std::nearbyint(scaled) : scaled;
    // The product is rounded once, and to nearest: it lands on a tie only
    // from within half an ulp of one, where the exact remainder decides.
    if (rounding == Rounding::exact && std::fabs(scaled - units) == 0.5) {
        const double remainder = std::fma(value, scale, -scaled);
        if (remainder != 0.0)
            units = scaled + std::copysign(0.5, remainder);
    }
    if (std::fabs(units) < 1e15)
        return writeScaled(out, static_cast<std::int64_t>(units), places);
    const double rounded = rounding == Rounding::exact || !std::isfinite(scaled) ? value : units / scale;
    if (!(std::fabs(rounded) < 1e15))
        return writeExponentForm(out, rounded);

    char buffer[64];
    char *end = fixedText(buffer, rounded, places);
    const std::size_t whole = wholeDigits(buffer, end);
    if (whole + places > kSignificantDigits) {
        end = fixedText(buffer, rounded, kSignificantDigits - std::min(whole, kSignificantDigits));
        // Rounding at the cut may carry into a sixteenth digit.
        if (wholeDigits(buffer, end) > kSignificantDigits)
            return writeExponentForm(out, rounded);
    }
    return std::copy(buffer, withoutTrailingZeros(buffer, end), out);
}

NumberReading readNumber(std::string_view text)
{
    constexpr std::string_view notANumber = "is not a number";
    // from_chars would also take "inf" and "nan", and it refuses '+'.
    const bool plus = text.starts_with('+');
    const std::size_t sign = plus || text.starts_with('-') ? 1 : 0;
    if (text.size() <= sign || !(isDigit(text[sign]) || text[sign] == '.'))
        return {0.0, notANumber};
    const char *last = text.data() + text.size();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data() + (plus ? 1 : 0), last, value);
    if (end != last || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return {0.0, notANumber};
    if (ec == std::errc::result_out_of_range || !std::isfinite(value))
        return {0.0, "is out of range"};
    return {value, {}};
}

char *writeRounded(char *out, double value, int decimals)
{
    if (!std::isfinite(value))
        return out;
    return writeDecimals(out, value, static_cast<std::size_t>(std::clamp(decimals, 0, 15)), Rounding::exact);
}

char *writeShortest(char *out, double value)
{
    if (!std::isfinite(value))
        return out;
    if (value == 0.0) {
        *out = '0'; // also for -0
        return out + 1;
    }
    return std::to_chars(out, out + kMaxNumberText, value).ptr;
}

} // namespace flow

#include "flow/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace flow {
namespace {

using Kind = ArithmeticFault::Kind;

// Walks the text and steps over the blanks that may stand anywhere.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) { skipBlanks(); }

    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

    void next()
    {
        ++m_pos;
        skipBlanks();
    }

    bool take(char upper)
    {
        const char c = peek();
        if (c != upper && c != upper - 'A' + 'a')
            return false;
        next();
        return true;
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n'))
            ++m_pos;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

double checkedResult(std::string_view digits, std::chars_format format, bool overflowIfOutOfRange)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, format);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        if (overflowIfOutOfRange)
            throw ArithmeticFault(Kind::Overflow);
        return 0.0;
    }
    if (ec != std::errc())
        return 0.0;
    if (std::isinf(value))
        throw ArithmeticFault(Kind::Overflow);
    return value;
}

// A whole number after &H or &O, as an unsigned value rounded to a double.
double readRadix(Cursor &in, int bitsPerDigit)
{
    // Octal digits are regrouped into hexadecimal ones so that one correctly
    // rounded conversion serves both.
    std::string bits;
    for (;;) {
        const int v = hexValue(in.peek());
        if (v < 0 || v >= (1 << bitsPerDigit))
            break;
        for (int b = bitsPerDigit - 1; b >= 0; --b)
            bits.push_back(static_cast<char>('0' + ((v >> b) & 1)));
        in.next();
    }
    if (bits.empty())
        return 0.0;
    const auto firstOne = bits.find('1');
    if (firstOne == std::string::npos)
        return 0.0;
    bits.erase(0, firstOne);
    bits.insert(0, (4 - bits.size() % 4) % 4, '0');
    std::string hex;
    for (std::size_t i = 0; i < bits.size(); i += 4) {
        const int v = (bits[i] - '0') * 8 + (bits[i + 1] - '0') * 4 + (bits[i + 2] - '0') * 2 + (bits[i + 3] - '0');
        hex.push_back("0123456789abcdef"[v]);
    }
    return checkedResult(hex, std::chars_format::hex, true);
}

double readDecimal(Cursor &in)
{
    std::string digits; // mantissa digits and point, as from_chars reads them
    bool seenPoint = false;
    bool anyDigit = false;
    // Decimal position of the first significant digit: tells whether a value
    // out of range is too large or too small.
    std::int64_t integerDigits = 0;
    std::int64_t zerosAfterPoint = 0;
    bool significant = false;
    for (;;) {
        const char c = in.peek();
        if (isDigit(c)) {
            anyDigit = true;
            significant = significant || c != '0';
            if (significant && !seenPoint)
                ++integerDigits;
            else if (!significant && seenPoint)
                ++zerosAfterPoint;
            digits.push_back(c);
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            digits.push_back(c);
        } else {
            break;
        }
        in.next();
    }
    if (!anyDigit)
        return 0.0;
    const std::int64_t magnitude = integerDigits > 0 ? integerDigits : -zerosAfterPoint;

    std::int64_t exponent = 0;
    if (in.take('E') || in.take('D')) {
        bool negative = false;
        if (in.peek() == '+' || in.peek() == '-') {
            negative = in.peek() == '-';
            in.next();
        }
        // Saturate: beyond a billion the answer is overflow or zero anyway.
        constexpr std::int64_t cap = 1'000'000'000;
        while (isDigit(in.peek())) {
            exponent = std::min(cap, exponent * 10 + (in.peek() - '0'));
            in.next();
        }
        if (negative)
            exponent = -exponent;
    }
    if (!significant)
        return 0.0;
    digits += 'e';
    digits += std::to_string(exponent);
    return checkedResult(digits, std::chars_format::general, magnitude + exponent > 0);
}

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
        *out++ = *first++;
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

// How a value is rounded to its decimals: the window scales by a power of
// ten and rounds that product half to even; the command line rounds the
// double's exact value, so ties to even only where the double is one.
enum class Rounding { scaledHalfEven, exact };

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

} // namespace

double ParseNumber(std::string_view text)
{
    Cursor in(text);
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
        negative = in.peek() == '-';
        in.next();
    }
    double value = 0.0;
    if (in.peek() == '&') {
        in.next();
        if (in.take('H'))
            value = readRadix(in, 4);
        else if (in.take('O'))
            value = readRadix(in, 3);
    } else {
        value = readDecimal(in);
    }
    return negative ? -value : value;
}

std::string FormatResult(double value, std::string_view decimalSeparator)
{
    if (std::isnan(value))
        throw ArithmeticFault(Kind::NoRealValue);
    if (std::isinf(value))
        throw ArithmeticFault(Kind::Overflow);

    char buffer[kMaxNumberText];
    std::string text(buffer, writeDecimals(buffer, value, 5, Rounding::scaledHalfEven));
    const auto point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    return text;
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

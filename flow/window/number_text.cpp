#include "flow/window/number_text.h"

#include "flow/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
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

} // namespace flow

#pragma once

// Numbers as text for the command line and the Python module: strict
// reading and correctly rounded writing. The window's twin is
// flow/window/number_text.h: it keeps its own lenient parser and its scaled
// rounding, which differ from these on purpose; both write through
// writeDecimals, so their form is the same.

#include <cstddef>
#include <string_view>

namespace flow {

// A number read by readNumber, or why the text is not one.
struct NumberReading {
    double value = 0.0;
    std::string_view problem; // empty when value holds the number

    explicit operator bool() const { return problem.empty(); }
};

// Reads text that must be one finite decimal number and nothing else: an
// optional sign, digits with at most one '.', an optional exponent after E.
// Unlike the window's ParseNumber it skips nothing and guesses nothing, so "1,4", "1.4x",
// "", "inf" and "1e999" are refused. problem reads "is not a number" or
// "is out of range".
NumberReading readNumber(std::string_view text);

// Room enough for anything writeDecimals, writeRounded or writeShortest writes.
inline constexpr std::size_t kMaxNumberText = 32;

// How writeDecimals rounds to its decimals: the window scales by 10^places
// and rounds that product half to even; exact rounds the double's own value,
// so ties go to even only where the double is one.
enum class Rounding { scaledHalfEven, exact };

// Writes finite value at out with at most places (0 to 15) decimals, no
// trailing zeros, at most 15 significant digits, from 1e15 on in exponent
// form (1.5E+15), '.' as the decimal point and zero without a sign; returns
// the end.
char *writeDecimals(char *out, double value, std::size_t places, Rounding rounding);

// Writes value at out correctly rounded to decimals (0 to 15), as
// std::to_chars in fixed form does: ties go to even only where the double
// is exactly one, in writeDecimals's form. Returns the end; a value that is
// not finite writes nothing.
char *writeRounded(char *out, double value, int decimals);

// Writes the shortest text that reads back as value, '.' as the decimal
// point and zero without a sign, and returns the end. A value that is not
// finite writes nothing.
char *writeShortest(char *out, double value);

} // namespace flow

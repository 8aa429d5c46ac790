#pragma once

#include "flow/fault.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace flow {

// Reads the longest leading number of text, the same way in every locale:
// blanks, tabs and line feeds are skipped anywhere, '.' is the only decimal
// separator, E or D starts an exponent, &H and &O start a hexadecimal or octal
// whole number. Text without a leading number reads as 0. A number beyond a
// double's range throws ArithmeticFault (overflow); one below it reads as 0.
double ParseNumber(std::string_view text);

// Writes value scaled by 10^5 and rounded half to even (the product, not the
// double's exact value, so 1.000005 gives 1), with at most 15 significant
// digits, no trailing zeros and the given decimal separator.
// Magnitudes from 1e15 on are written in exponent form, 1.5E+15. A value
// that is not finite throws ArithmeticFault.
std::string FormatResult(double value, std::string_view decimalSeparator);

// A number read by readNumber, or why the text is not one.
struct NumberReading {
    double value = 0.0;
    std::string_view problem; // empty when value holds the number

    explicit operator bool() const { return problem.empty(); }
};

// Reads text that must be one finite decimal number and nothing else: an
// optional sign, digits with at most one '.', an optional exponent after E.
// Unlike ParseNumber it skips nothing and guesses nothing, so "1,4", "1.4x",
// "", "inf" and "1e999" are refused. problem reads "is not a number" or
// "is out of range".
NumberReading readNumber(std::string_view text);

// Room enough for anything writeRounded or writeShortest writes.
inline constexpr std::size_t kMaxNumberText = 32;

// Writes value at out correctly rounded to decimals (0 to 15), as
// std::to_chars in fixed form does: ties go to even only where the double
// is exactly one. Otherwise FormatResult's form, with '.' as the decimal
// point. Returns the end; a value that is not finite writes nothing.
char *writeRounded(char *out, double value, int decimals);

// Writes the shortest text that reads back as value, '.' as the decimal
// point and zero without a sign, and returns the end. A value that is not
// finite writes nothing.
char *writeShortest(char *out, double value);

} // namespace flow

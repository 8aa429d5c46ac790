#pragma once

#include "flow/fault.h"

#include <string>
#include <string_view>

namespace flow {

// Reads the longest leading number of text, the same way in every locale:
// blanks, tabs and line feeds are skipped anywhere, '.' is the only decimal
// separator, E or D starts an exponent, &H and &O start a hexadecimal or octal
// whole number. Text without a leading number reads as 0. A number beyond a
// double's range throws ArithmeticFault (overflow); one below it reads as 0.
double ParseNumber(std::string_view text);

// Writes value rounded to 5 decimals (ties to even), with at most 15
// significant digits, no trailing zeros and the given decimal separator.
// Magnitudes from 1e15 on are written in exponent form, 1.5E+15. A value
// that is not finite throws ArithmeticFault.
std::string FormatResult(double value, std::string_view decimalSeparator);

} // namespace flow

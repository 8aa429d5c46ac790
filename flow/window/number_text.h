#pragma once

// The window's numbers as text. Its twin for the command line and the Python
// module is flow/number_text.h (readNumber, writeRounded): the window keeps
// its lenient reading, its faults and its scaled rounding, where the twin
// refuses what is not one number and rounds the double itself correctly.

#include "flow/window/fault.h"

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

} // namespace flow

#pragma once

// Arithmetic that refuses to produce inf or NaN: each operation either returns
// a finite double or throws the ArithmeticFault of its kind. Underflow to zero
// is not a fault; a later division by that zero is. Only the window's
// procedures compute this way; the command line's flow/ rounds correctly
// and answers a sentence instead of a fault.

#include "flow/window/fault.h"

#include <cmath>

namespace flow::checked {

// Out of line and cold, so that the inline operations stay a compare and a
// branch: the ratios are computed tens of times per click.
[[noreturn]] void fail(ArithmeticFault::Kind kind);

inline double finite(double result)
{
    if (!std::isfinite(result)) [[unlikely]]
        fail(std::isnan(result) ? ArithmeticFault::Kind::NoRealValue : ArithmeticFault::Kind::Overflow);
    return result;
}

inline double add(double a, double b) { return finite(a + b); }
inline double sub(double a, double b) { return finite(a - b); }
inline double mul(double a, double b) { return finite(a * b); }

inline double div(double a, double b)
{
    if (b == 0.0) [[unlikely]]
        fail(ArithmeticFault::Kind::DivisionByZero);
    return finite(a / b);
}

// Real power: a negative base needs a whole exponent; any base to the 0 is 1.
double pow(double base, double exponent);
double sqrt(double x);

} // namespace flow::checked

#pragma once

// Arithmetic that refuses to produce inf or NaN: each operation either returns
// a finite double or throws the ArithmeticFault of its kind. Underflow to zero
// is not a fault; a later division by that zero is.

#include "flow/fault.h"

namespace flow::checked {

double add(double a, double b);
double sub(double a, double b);
double mul(double a, double b);
double div(double a, double b);
// Real power: a negative base needs a whole exponent; any base to the 0 is 1.
double pow(double base, double exponent);
double sqrt(double x);

} // namespace flow::checked

#include "flow/checked.h"

#include <cmath>

namespace flow::checked {
namespace {

using Kind = ArithmeticFault::Kind;

double finite(double result)
{
    if (std::isnan(result))
        throw ArithmeticFault(Kind::NoRealValue);
    if (std::isinf(result))
        throw ArithmeticFault(Kind::Overflow);
    return result;
}

} // namespace

double add(double a, double b) { return finite(a + b); }
double sub(double a, double b) { return finite(a - b); }
double mul(double a, double b) { return finite(a * b); }

double div(double a, double b)
{
    if (b == 0.0)
        throw ArithmeticFault(Kind::DivisionByZero);
    return finite(a / b);
}

double pow(double base, double exponent)
{
    if (exponent == 0.0)
        return 1.0;
    if (base < 0.0 && std::trunc(exponent) != exponent)
        throw ArithmeticFault(Kind::NoRealValue);
    if (base == 0.0 && exponent < 0.0)
        throw ArithmeticFault(Kind::DivisionByZero);
    return finite(std::pow(base, exponent));
}

double sqrt(double x)
{
    if (x < 0.0)
        throw ArithmeticFault(Kind::NoRealValue);
    return finite(std::sqrt(x));
}

} // namespace flow::checked

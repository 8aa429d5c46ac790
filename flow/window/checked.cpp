#include "flow/window/checked.h"

namespace flow::checked {

void fail(ArithmeticFault::Kind kind) { throw ArithmeticFault(kind); }

double pow(double base, double exponent)
{
    using Kind = ArithmeticFault::Kind;
    if (exponent == 0.0)
        return 1.0;
    // A square is one correctly rounded product, and a fraction of the
    // cost of the general power.
    if (exponent == 2.0)
        return mul(base, base);
    if (base < 0.0 && std::trunc(exponent) != exponent)
        fail(Kind::NoRealValue);
    if (base == 0.0 && exponent < 0.0)
        fail(Kind::DivisionByZero);
    return finite(std::pow(base, exponent));
}

double sqrt(double x)
{
    if (x < 0.0)
        fail(ArithmeticFault::Kind::NoRealValue);
    return finite(std::sqrt(x));
}

} // namespace flow::checked

#include "flow/window/fault.h"

namespace flow {
namespace {

const char *describe(ArithmeticFault::Kind kind)
{
    switch (kind) {
    case ArithmeticFault::Kind::DivisionByZero:
        return "division by zero";
    case ArithmeticFault::Kind::Overflow:
        return "overflow";
    case ArithmeticFault::Kind::NoRealValue:
        return "no real value";
    }
    return "arithmetic fault";
}

} // namespace

ArithmeticFault::ArithmeticFault(Kind kind) : std::runtime_error(describe(kind)), m_kind(kind) { }

} // namespace flow

#pragma once

#include <stdexcept>

namespace flow {

// The one exception of the core: an operation whose result would be infinite
// or undefined. The calculation stops where it is raised.
class ArithmeticFault : public std::runtime_error {
public:
    enum class Kind { DivisionByZero, Overflow, NoRealValue };

    explicit ArithmeticFault(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

} // namespace flow

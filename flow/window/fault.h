#pragma once

#include <stdexcept>

namespace flow {

// The one exception of the window's arithmetic: an operation whose result
// would be infinite or undefined. The calculation stops where it is raised.
// The command line's relations (flow/relations.h) never throw: an input
// without an answer gets a sentence that says why.
class ArithmeticFault : public std::runtime_error {
public:
    enum class Kind { DivisionByZero, Overflow, NoRealValue };

    explicit ArithmeticFault(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

} // namespace flow

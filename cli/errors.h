#pragma once

#include <stdexcept>
#include <string>

namespace cli {

// The command line asks for something that cannot be done: the message is
// one line naming the argument, and the program exits with 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string &what) : std::runtime_error(what) { }
};

// Standard output refused the table (a full disk, a closed pipe).
class OutputError : public std::runtime_error {
public:
    OutputError() : std::runtime_error("cannot write the output") { }
};

} // namespace cli

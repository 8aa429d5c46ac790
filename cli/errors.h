#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace cli {

// The command line asks for something that cannot be done: the message is
// one line naming the argument, and the program exits with 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string &what) : std::runtime_error(what) { }
};

// Standard output refused the table (a full disk, a closed pipe); error is
// the errno it left, 0 when the stream gave none.
class OutputError : public std::runtime_error {
public:
    explicit OutputError(int error)
        : std::runtime_error(
            "cannot write the output" + (error == 0 ? std::string() : ": " + std::string(std::strerror(error))))
    { }
};

} // namespace cli

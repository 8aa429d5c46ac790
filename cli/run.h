#pragma once

#include <cstddef>
#include <iosfwd>

namespace cli {

// The most values one run accepts; more is a usage error, not hours of work.
inline constexpr std::size_t kDefaultValueLimit = 10'000'000;

// Runs kalvenor-cli with its arguments (argv[0] is the program): VALUES
// given as "-" come from in, the table goes to out, every message to err. Returns the exit status: 0 when each
// input was solved, 1 when some were not, 2 for a usage error or output
// that could not be written.
int run(int argc, const char *const *argv, std::istream &in, std::ostream &out, std::ostream &err,
    std::size_t valueLimit = kDefaultValueLimit);

} // namespace cli

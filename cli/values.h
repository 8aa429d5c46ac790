#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace cli {

// One item of a VALUES argument: a number, or an inclusive range
// start:stop:step. A number is a range of one value.
struct Range {
    double start = 0.0;
    double step = 0.0;
    double last = 0.0; // stop itself when the steps land on it
    std::size_t count = 1;

    // start + i * step from start each time, so that no error accumulates.
    double operator[](std::size_t i) const { return i + 1 == count ? last : start + static_cast<double>(i) * step; }
};

// Reads VALUES: numbers and ranges separated by commas, at most maxCount
// values in all. Throws UsageError naming option on anything else: a text
// that is not wholly a number, a step that is not positive, a range that
// runs downward, too many values.
std::vector<Range> readValues(std::string_view option, std::string_view text, std::size_t maxCount);

// Reads an argument that takes one number, or throws UsageError naming option.
double readOneNumber(std::string_view option, std::string_view text);

} // namespace cli

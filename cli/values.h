#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// One item of a VALUES argument: a number, or an inclusive range
// start:stop:step. A number is a range of one value.
struct Range {
    double start = 0.0;
    double step = 0.0;
    double last = 0.0; // stop itself when a whole number of steps lands on it
    std::size_t count = 1;

    // start + i * step computed exactly and rounded once, so that no error
    // accumulates and none comes from the product.
    double operator[](std::size_t i) const { return i + 1 == count ? last : stepFrom(start, step, i); }

    static double stepFrom(double start, double step, std::size_t i);
};

// Reads VALUES: numbers and ranges separated by commas, at most maxCount
// values in all. Throws UsageError naming option on anything else: a text
// that is not wholly a number, a step that is not positive, a range that
// runs downward, too many values.
std::vector<Range> readValues(std::string_view option, std::string_view text, std::size_t maxCount);

// Reads VALUES from a whole text such as a file: items separated by blanks,
// commas or line ends. A bad item's UsageError names its line.
std::vector<Range> readValueLines(std::string_view option, std::string_view text, std::size_t maxCount);

// Whether text such as "2,5" may be a number with a decimal comma, which
// reads as two values.
bool mayHaveDecimalComma(std::string_view text);

// Reads the VALUES of a run's options: their text, or for "-" standard
// input, which one option at most may read. At most maxCount values each.
class ValueReader {
public:
    ValueReader(std::istream &in, std::ostream &err, std::size_t maxCount);

    std::vector<Range> operator()(std::string_view option, std::string_view text);

private:
    std::istream &m_in;
    std::ostream &m_err;
    std::size_t m_maxCount;
    std::string m_readsInput; // the option that took standard input
};

// Reads an argument that takes one number, or throws UsageError naming option.
double readOneNumber(std::string_view option, std::string_view text);

} // namespace cli

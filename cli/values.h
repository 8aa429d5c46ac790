#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <span>
#include <stdexcept>
#include <streambuf>
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

// Whether text such as "2,5" may be a number with a decimal comma, which
// reads as two values.
bool mayHaveDecimalComma(std::string_view text);

// The values of one input handed out block by block: from the ranges of
// an argument, or read from a stream as they arrive, so that memory stays
// the same however many there are. The stream's items are numbers and
// ranges separated by blanks, commas or line ends. A fault found while
// reading (a bad item, too many values, a read error) is thrown after the
// values before it have been handed out, so that their rows are written.
class ValueSource {
public:
    static constexpr std::size_t kBlockSize = 4096;

    explicit ValueSource(std::vector<Range> ranges = {});
    // option names the input in messages.
    ValueSource(std::string option, std::istream &in, std::size_t maxCount);
    ValueSource(ValueSource &&) noexcept;
    ValueSource &operator=(ValueSource &&) noexcept;
    ~ValueSource();

    // The next block of at most kBlockSize values, valid until the next
    // call; empty at the end.
    std::span<const double> next();

    // Only the values of ranges are known before they are read, and may be
    // read again from the start.
    bool known() const { return !m_stream; }
    std::size_t size() const;
    void rewind();

    // A stream read together with another input: at most maxCount values,
    // and message in place of "more than N values".
    void limit(std::size_t maxCount, std::string message);

private:
    struct Stream;
    bool nextRange();

    std::vector<Range> m_ranges;
    std::size_t m_range = 0; // the range being handed out, and its next value
    std::size_t m_index = 0;
    std::unique_ptr<Stream> m_stream;
    std::vector<double> m_block;
};

// The values of VALUES: numbers and ranges separated by commas, at most
// maxCount in all; an error as readValues.
ValueSource argumentValues(std::string_view option, std::string_view text, std::size_t maxCount);

// Reads the VALUES of a run's options: their text, or for "-" standard
// input, which one option at most may read. At most maxCount values each.
class ValueReader {
public:
    ValueReader(std::istream &in, std::ostream &err, std::size_t maxCount);

    ValueSource operator()(std::string_view option, std::string_view text);

private:
    std::istream &m_in;
    std::ostream &m_err;
    std::size_t m_maxCount;
    std::string m_readsInput; // the option that took standard input
};

// Standard input that reports why it could not be read: a read error is
// thrown as std::system_error, not taken for the end of the input.
class FileInput : public std::streambuf {
public:
    explicit FileInput(int fd) : m_fd(fd) { }

protected:
    int_type underflow() override;

private:
    int m_fd;
    char m_buffer[1 << 16];
};

// A read error of standard input: the run ends with status 2, and the rows
// already written stay.
class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string &what) : std::runtime_error(what) { }
};

// Reads an argument that takes one number, or throws UsageError naming option.
double readOneNumber(std::string_view option, std::string_view text);

} // namespace cli

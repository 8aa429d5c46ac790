#include "cli/values.h"

#include "cli/errors.h"
#include "cli/shown.h"
#include "flow/number_text.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <istream>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace cli {
namespace {

std::string shortest(double value)
{
    char text[flow::kMaxNumberText];
    return std::string(text, flow::writeShortest(text, value));
}

// a + b as the rounded sum and its exact error.
std::pair<double, double> twoSum(double a, double b)
{
    const double sum = a + b;
    const double bb = sum - a;
    return {sum, (a - (sum - bb)) + (b - bb)};
}

// a + b rounded to the neighbour whose last bit is odd: what lets a second
// rounding to nearest give the correctly rounded sum of three.
double roundToOdd(double a, double b)
{
    const auto [sum, error] = twoSum(a, b);
    if (error == 0 || (std::bit_cast<std::uint64_t>(sum) & 1) != 0)
        return sum;
    return std::nextafter(sum, error > 0 ? HUGE_VAL : -HUGE_VAL);
}

// where says where a number stands when it is part of more, as
// ' (in "0:x:1")', or is empty.
double readNumber(std::string_view option, std::string_view text, const std::string &where)
{
    const flow::NumberReading reading = flow::readNumber(text);
    if (reading)
        return reading.value;
    throw UsageError(std::string(option) + ": " + inQuotes(text) + ' ' + std::string(reading.problem) + where);
}

Range readRange(std::string_view option, std::string_view item, std::size_t maxCount, const std::string &where)
{
    const auto first = item.find(':');
    const auto second = item.find(':', first + 1);
    if (second == std::string_view::npos || item.find(':', second + 1) != std::string_view::npos)
        throw UsageError(std::string(option) + ": " + inQuotes(item) + " is not a range start:stop:step" + where);
    const std::string_view parts[]
        = {item.substr(0, first), item.substr(first + 1, second - first - 1), item.substr(second + 1)};

    Range range;
    const std::string inItem = " (in " + inQuotes(item) + ')' + where;
    range.start = readNumber(option, parts[0], inItem);
    const double stop = readNumber(option, parts[1], inItem);
    range.step = readNumber(option, parts[2], inItem);
    if (!(range.step > 0))
        throw UsageError(std::string(option) + ": the step of " + inQuotes(item) + " must be positive" + where);
    if (stop < range.start)
        throw UsageError(
            std::string(option) + ": " + inQuotes(item) + " runs downward; ranges go from small to large" + where);
    // In extended precision, so that stop - start cannot overflow however
    // far apart the ends are.
    const long double quotient = (static_cast<long double>(stop) - range.start) / range.step;
    // A step no larger than the spacing of doubles at the range's far end
    // would give equal values there.
    const double far = std::max(std::fabs(range.start), std::fabs(stop));
    const double spacing = far - std::nextafter(far, 0.0);
    if (quotient >= 1 && range.step < spacing)
        throw UsageError(std::string(option) + ": the step of " + inQuotes(item)
            + " is finer than the spacing of doubles near " + shortest(far) + ", " + shortest(spacing)
            + ": values would repeat" + where);
    // Stop is a whole number of steps from start when the quotient is within
    // what rounding the three numbers to doubles and dividing can move it.
    constexpr long double u = 0x1p-53L;
    const long double whole = std::nearbyint(quotient);
    const long double tolerance
        = 2 * u * (std::fabs(static_cast<long double>(range.start)) + std::fabs(stop)) / range.step + 4 * u * quotient;
    const bool onStop = std::fabs(quotient - whole) <= tolerance;
    const long double steps = onStop ? whole : std::floor(quotient);
    if (!(steps < static_cast<long double>(maxCount)))
        throw UsageError(std::string(option) + ": " + inQuotes(item) + " has more than " + std::to_string(maxCount)
            + " values" + where);
    range.count = static_cast<std::size_t>(steps) + 1;
    range.last = onStop ? stop : Range::stepFrom(range.start, range.step, range.count - 1);
    return range;
}

Range readItem(std::string_view option, std::string_view item, std::size_t maxCount, const std::string &where)
{
    if (item.find(':') != std::string_view::npos)
        return readRange(option, item, maxCount, where);
    Range range;
    range.start = range.last = readNumber(option, item, where);
    return range;
}

void add(std::vector<Range> &values, std::size_t &total, Range range, std::string_view option, std::size_t maxCount)
{
    total += range.count;
    if (total > maxCount)
        throw UsageError(std::string(option) + ": more than " + std::to_string(maxCount) + " values");
    values.push_back(range);
}

} // namespace

double Range::stepFrom(double start, double step, std::size_t i)
{
    const auto n = static_cast<double>(i); // exact: i is below 2^53
    const double product = n * step;
    const double error = std::fma(n, step, -product); // n * step = product + error
    // The correctly rounded sum of three (Boldo and Melquiond).
    const auto [high, low] = twoSum(start, product);
    const double value = high + roundToOdd(low, error);
    // Near a double's limits the parts may overflow where the sum does not.
    return std::isfinite(value) && std::isfinite(error)
        ? value
        : static_cast<double>(start + static_cast<long double>(n) * step);
}

std::vector<Range> readValues(std::string_view option, std::string_view text, std::size_t maxCount)
{
    std::vector<Range> values;
    std::size_t total = 0;
    for (std::string_view rest = text;;) {
        const auto comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const std::string where = item == text ? "" : " (in " + inQuotes(text) + ')';
        add(values, total, readItem(option, item, maxCount, item.find(':') == item.npos ? where : ""), option,
            maxCount);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return values;
}

bool mayHaveDecimalComma(std::string_view text)
{
    const auto comma = text.find(',');
    if (comma == text.npos || text.find(',', comma + 1) != text.npos)
        return false;
    const auto digits = [](std::string_view part) {
        if (part.starts_with('-') || part.starts_with('+'))
            part.remove_prefix(1);
        return !part.empty() && part.find_first_not_of("0123456789") == part.npos;
    };
    return digits(text.substr(0, comma)) && text[comma + 1] != '+' && text[comma + 1] != '-'
        && digits(text.substr(comma + 1));
}

ValueReader::ValueReader(std::istream &in, std::ostream &err, std::size_t maxCount)
    : m_in(in), m_err(err), m_maxCount(maxCount)
{ }

ValueSource ValueReader::operator()(std::string_view option, std::string_view text)
{
    if (text != "-") {
        if (mayHaveDecimalComma(text))
            m_err << "kalvenor-cli: note: " << option << ' ' << text
                  << " is read as two values: lists are comma-separated and the decimal point is '.'\n";
        return ValueSource(readValues(option, text, m_maxCount));
    }
    if (!m_readsInput.empty())
        throw UsageError(m_readsInput + " and " + std::string(option) + " both read standard input: one at most can");
    m_readsInput = option;
    return ValueSource(std::string(option), m_in, m_maxCount);
}

ValueSource argumentValues(std::string_view option, std::string_view text, std::size_t maxCount)
{
    return ValueSource(readValues(option, text, maxCount));
}

// What a stream source keeps between blocks: the chunk being read, an item
// that runs on into the next chunk, and a fault owed.
struct ValueSource::Stream {
    static constexpr std::size_t kChunk = std::size_t(1) << 16;
    // No number is longer; a longer item is refused, not kept whole.
    static constexpr std::size_t kLongest = std::size_t(1) << 16;

    std::string option;
    std::istream *in;
    std::size_t maxCount;
    std::string limitMessage;
    std::unique_ptr<char[]> chunk {new char[kChunk]};
    const char *at = nullptr;
    const char *end = nullptr;
    bool ended = false;
    std::string item;
    std::size_t line = 1;
    std::size_t total = 0;
    std::exception_ptr owed;

    bool fill();
    bool nextItem(std::string_view &out);
    [[noreturn]] void refuse(const std::string &what) const
    {
        throw UsageError(what + " (standard input, line " + std::to_string(line) + ')');
    }
};

// Reads what the stream has now, at most a chunk; false at its end.
bool ValueSource::Stream::fill()
{
    if (ended)
        return false;
    std::streambuf &buffer = *in->rdbuf();
    std::streamsize got = 0;
    try {
        // What one read gives, so that a slow pipe is not waited on for a
        // whole chunk.
        if (buffer.sgetc() != std::streambuf::traits_type::eof()) {
            const std::streamsize available = std::max<std::streamsize>(buffer.in_avail(), 1);
            got = buffer.sgetn(chunk.get(), std::min<std::streamsize>(available, kChunk));
        }
    } catch (const std::system_error &error) {
        const int code = error.code().value();
        if (code == EISDIR)
            throw InputError(option + ": standard input is a directory, not a file or pipe of values");
        if (code == EBADF)
            throw InputError(option + ": standard input is closed");
        throw InputError(option + ": cannot read standard input: " + std::strerror(code));
    }
    if (got <= 0) {
        ended = true;
        return false;
    }
    at = chunk.get();
    end = at + got;
    return true;
}

// The next item, valid until the next call; false at the end of the input.
bool ValueSource::Stream::nextItem(std::string_view &out)
{
    constexpr std::string_view separators = " \t\r\v\f,\n";
    const auto separator = [&](char c) { return separators.find(c) != separators.npos; };
    item.clear();
    bool started = false;
    for (;;) {
        if (at == end && !fill()) {
            out = item;
            return started;
        }
        if (!started) {
            for (; at < end && separator(*at); ++at)
                line += *at == '\n';
            if (at == end)
                continue;
        }
        const char *first = at;
        while (at < end && !separator(*at))
            ++at;
        if (at < end && !started) {
            out = std::string_view(first, static_cast<std::size_t>(at - first));
            return true;
        }
        if (item.size() + static_cast<std::size_t>(at - first) > kLongest)
            refuse(option + ": " + inQuotes(item) + " is longer than any number, " + std::to_string(kLongest)
                + " characters");
        item.append(first, at);
        started = true;
        if (at < end) {
            out = item;
            return true;
        }
    }
}

ValueSource::ValueSource(std::vector<Range> ranges) : m_ranges(std::move(ranges)) { }

ValueSource::ValueSource(std::string option, std::istream &in, std::size_t maxCount) : m_stream(new Stream)
{
    m_stream->option = std::move(option);
    m_stream->in = &in;
    m_stream->maxCount = maxCount;
    m_stream->limitMessage = m_stream->option + ": more than " + std::to_string(maxCount) + " values";
    m_block.reserve(kBlockSize);
}

ValueSource::ValueSource(ValueSource &&) noexcept = default;
ValueSource &ValueSource::operator=(ValueSource &&) noexcept = default;
ValueSource::~ValueSource() = default;

std::size_t ValueSource::size() const
{
    std::size_t count = 0;
    for (const Range &range : m_ranges)
        count += range.count;
    return count;
}

void ValueSource::rewind()
{
    m_range = 0;
    m_index = 0;
}

void ValueSource::limit(std::size_t maxCount, std::string message)
{
    if (m_stream) {
        m_stream->maxCount = maxCount;
        m_stream->limitMessage = std::move(message);
    }
}

// Reads the stream's next item into the ranges; false at the end.
bool ValueSource::nextRange()
{
    Stream &s = *m_stream;
    std::string_view item;
    if (!s.nextItem(item))
        return false;
    if (s.total == 0 && item.starts_with("\xEF\xBB\xBF")) { // a byte order mark
        item.remove_prefix(3);
        if (item.empty())
            return nextRange();
    }
    Range range;
    try {
        range = readItem(s.option, item, s.maxCount, "");
    } catch (const UsageError &error) { // the line is named only when needed: a column may be millions long
        s.refuse(error.what());
    }
    if (range.count > s.maxCount - s.total)
        throw UsageError(s.limitMessage);
    s.total += range.count;
    m_ranges.assign(1, range);
    m_range = 0;
    m_index = 0;
    return true;
}

std::span<const double> ValueSource::next()
{
    m_block.clear();
    if (m_stream && m_stream->owed)
        std::rethrow_exception(std::exchange(m_stream->owed, nullptr));
    try {
        while (m_block.size() < kBlockSize) {
            if (m_range < m_ranges.size() && m_index < m_ranges[m_range].count) {
                const Range &range = m_ranges[m_range];
                const std::size_t n = std::min(kBlockSize - m_block.size(), range.count - m_index);
                for (std::size_t i = 0; i < n; ++i)
                    m_block.push_back(range[m_index + i]);
                m_index += n;
            } else if (!m_stream && m_range < m_ranges.size()) {
                ++m_range;
                m_index = 0;
            } else if (!m_stream || !nextRange()) {
                break;
            }
        }
    } catch (...) {
        if (m_block.empty())
            throw;
        m_stream->owed = std::current_exception();
    }
    if (m_stream && m_block.empty() && m_stream->total == 0)
        throw UsageError(m_stream->option + ": standard input holds no values");
    return m_block;
}

FileInput::int_type FileInput::underflow()
{
    for (;;) {
        const ssize_t got = ::read(m_fd, m_buffer, sizeof m_buffer);
        if (got > 0) {
            setg(m_buffer, m_buffer, m_buffer + got);
            return traits_type::to_int_type(m_buffer[0]);
        }
        if (got == 0)
            return traits_type::eof();
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category());
    }
}

double readOneNumber(std::string_view option, std::string_view text)
{
    const flow::NumberReading reading = flow::readNumber(text);
    if (reading)
        return reading.value;
    std::string message = std::string(option) + ": " + inQuotes(text) + ' ' + std::string(reading.problem);
    if (text.find(',') != std::string_view::npos)
        message += " (it takes one number, and the decimal point is '.')";
    throw UsageError(message);
}

} // namespace cli

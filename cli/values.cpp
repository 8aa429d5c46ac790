#include "cli/values.h"

#include "cli/errors.h"
#include "cli/shown.h"
#include "flow/number_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <istream>
#include <iterator>
#include <ostream>
#include <string>

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

std::vector<Range> readValueLines(std::string_view option, std::string_view text, std::size_t maxCount)
{
    constexpr std::string_view separators = " \t\r\v\f,";
    std::vector<Range> values;
    std::size_t total = 0;
    std::size_t line = 1;
    for (std::string_view rest = text; !rest.empty();) {
        const auto end = rest.find('\n');
        std::string_view items = rest.substr(0, end);
        for (auto first = items.find_first_not_of(separators); first != items.npos;
             first = items.find_first_not_of(separators)) {
            items.remove_prefix(first);
            const std::string_view item = items.substr(0, items.find_first_of(separators));
            Range range;
            try {
                range = readItem(option, item, maxCount, "");
            } catch (const UsageError &error) { // the line is named only when needed: a column may be millions long
                throw UsageError(std::string(error.what()) + " (standard input, line " + std::to_string(line) + ')');
            }
            add(values, total, range, option, maxCount);
            items.remove_prefix(item.size());
        }
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
        ++line;
    }
    if (values.empty())
        throw UsageError(std::string(option) + ": standard input holds no values");
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

std::vector<Range> ValueReader::operator()(std::string_view option, std::string_view text)
{
    if (text != "-") {
        if (mayHaveDecimalComma(text))
            m_err << "kalvenor-cli: note: " << option << ' ' << text
                  << " is read as two values: lists are comma-separated and the decimal point is '.'\n";
        return readValues(option, text, m_maxCount);
    }
    if (!m_readsInput.empty())
        throw UsageError(m_readsInput + " and " + std::string(option) + " both read standard input: one at most can");
    m_readsInput = option;
    const std::string all {std::istreambuf_iterator<char>(m_in), std::istreambuf_iterator<char>()};
    if (m_in.bad())
        throw UsageError(std::string(option) + ": cannot read standard input");
    return readValueLines(option, all, m_maxCount);
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

#include "cli/values.h"

#include "cli/errors.h"
#include "flow/number_text.h"

#include <cmath>
#include <string>

namespace cli {
namespace {

// Stop counts as reached when the steps come this close to it, so that the
// rounding in (stop - start) / step neither drops nor adds the last value.
constexpr double kStepTolerance = 1e-6;

std::string quoted(std::string_view text) { return '"' + std::string(text) + '"'; }

double readNumber(std::string_view option, std::string_view text, std::string_view whole)
{
    const flow::NumberReading reading = flow::readNumber(text);
    if (reading)
        return reading.value;
    std::string message = std::string(option) + ": " + quoted(text) + ' ' + std::string(reading.problem);
    if (text != whole)
        message += " (in " + quoted(whole) + ')';
    throw UsageError(message);
}

Range readRange(std::string_view option, std::string_view item, std::size_t maxCount)
{
    const auto first = item.find(':');
    const auto second = item.find(':', first + 1);
    if (second == std::string_view::npos || item.find(':', second + 1) != std::string_view::npos)
        throw UsageError(std::string(option) + ": " + quoted(item) + " is not a range start:stop:step");
    const std::string_view parts[]
        = {item.substr(0, first), item.substr(first + 1, second - first - 1), item.substr(second + 1)};

    Range range;
    range.start = readNumber(option, parts[0], item);
    const double stop = readNumber(option, parts[1], item);
    range.step = readNumber(option, parts[2], item);
    if (!(range.step > 0))
        throw UsageError(std::string(option) + ": the step of " + quoted(item) + " must be positive");
    if (stop < range.start)
        throw UsageError(std::string(option) + ": " + quoted(item) + " runs downward; ranges go from small to large");
    const double steps = std::floor((stop - range.start) / range.step + kStepTolerance);
    if (!(steps < static_cast<double>(maxCount)))
        throw UsageError(
            std::string(option) + ": " + quoted(item) + " has more than " + std::to_string(maxCount) + " values");
    range.count = static_cast<std::size_t>(steps) + 1;
    range.last = range.start + steps * range.step;
    if (std::fabs(stop - range.last) <= kStepTolerance * range.step)
        range.last = stop;
    return range;
}

} // namespace

std::vector<Range> readValues(std::string_view option, std::string_view text, std::size_t maxCount)
{
    std::vector<Range> values;
    std::size_t total = 0;
    for (std::string_view rest = text;;) {
        const auto comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        Range range;
        if (item.find(':') == std::string_view::npos)
            range.start = range.last = readNumber(option, item, text);
        else
            range = readRange(option, item, maxCount);
        total += range.count;
        if (total > maxCount)
            throw UsageError(std::string(option) + ": more than " + std::to_string(maxCount) + " values");
        values.push_back(range);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return values;
}

double readOneNumber(std::string_view option, std::string_view text)
{
    const flow::NumberReading reading = flow::readNumber(text);
    if (reading)
        return reading.value;
    std::string message = std::string(option) + ": " + quoted(text) + ' ' + std::string(reading.problem);
    if (text.find(',') != std::string_view::npos)
        message += " (it takes one number, and the decimal point is '.')";
    throw UsageError(message);
}

} // namespace cli

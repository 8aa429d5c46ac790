#include "flow/wording.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace flow {
namespace {

void addNames(
    std::string &note, const std::vector<std::string_view> &names, const char *where, double limit, const char *why)
{
    if (names.empty())
        return;
    if (!note.empty())
        note += "; ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        note += i == 0 ? "" : i + 1 == names.size() ? " and " : ", ";
        note += names[i];
    }
    note += names.size() > 1 ? " are " : " is ";
    note += where + limitText(limit) + why;
}

} // namespace

std::string limitText(double limit)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, limit, std::chars_format::general, 5).ptr;
    return std::string(buffer, end);
}

std::string shortestText(double v)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

std::string boundText(double bound, double value)
{
    for (int digits = 5; digits < 17; ++digits) {
        char buffer[40];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, bound, std::chars_format::general, digits).ptr;
        double shown = 0;
        std::from_chars(buffer, end, shown);
        if ((shown < value) == (bound < value) && (shown > value) == (bound > value))
            return std::string(buffer, end);
    }
    return shortestText(bound);
}

void RangeNote::note(std::string_view name, double v) { (std::isfinite(v) ? m_below : m_above).push_back(name); }

std::string RangeNote::note() const
{
    std::string note;
    addNames(note, m_above, "above ", std::numeric_limits<double>::max(), ", the largest a double holds");
    addNames(note, m_below, "below ", std::numeric_limits<double>::min(), ", the smallest a double holds");
    addNames(note, m_vanished, "below ", std::numeric_limits<double>::denorm_min(), ", the smallest a double holds");
    return note;
}

} // namespace flow

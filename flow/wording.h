#pragma once

// Numbers inside the sentences that say why an input has no answer.

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flow {

// The shortest text that reads back as v.
std::string shortestText(double v);

// The ends of a double's range in five digits: 1.7977e+308, 2.2251e-308.
std::string limitText(double limit);

// A bound in as few digits (5 or more) as keep it on its side of the value
// it is compared with, so the sentence never contradicts itself.
std::string boundText(double bound, double value);

// Gathers the values that leave a double's range, by name, for one note: a
// value there is left out rather than shown as infinity or as a false 0.
class RangeNote {
public:
    // x as a double, or nothing when it is past the largest double or,
    // though not 0, below the smallest normal one. The name is kept as it
    // is, not copied: a literal or another text that outlives the note.
    std::optional<double> keep(std::string_view name, long double x)
    {
        const auto v = static_cast<double>(x);
        // Inline: the ratios keep eight values per state.
        if (std::isfinite(v) && (std::fabs(v) >= std::numeric_limits<double>::min() || x == 0)) [[likely]]
            return v;
        note(name, v);
        return std::nullopt;
    }

    // keep's double, or in its place infinity past the largest double and
    // NaN below the smallest, never a false 0.
    double valueOf(std::string_view name, long double x)
    {
        return keep(name, x).value_or(
            x > 1 ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN());
    }

    // v, correctly rounded from a positive exact value: kept, subnormal or
    // not; infinity past the largest double and NaN in place of a false 0,
    // each named.
    double rounded(std::string_view name, double v)
    {
        if (v > 0 && std::isfinite(v)) [[likely]]
            return v;
        (v == 0 ? m_vanished : m_above).push_back(name);
        return v == 0 ? std::numeric_limits<double>::quiet_NaN() : v;
    }

    // "T2/T1 is below 2.2251e-308, the smallest a double holds", or "".
    std::string note() const;

private:
    void note(std::string_view name, double v);

    std::vector<std::string_view> m_above, m_below, m_vanished;
};

} // namespace flow

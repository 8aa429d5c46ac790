#pragma once

// Numbers inside the sentences that say why an input has no answer.

#include <optional>
#include <string>
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
    // though not 0, below the smallest normal one.
    std::optional<double> keep(std::string name, long double x);

    // "T2/T1 is below 2.2251e-308, the smallest a double holds", or "".
    std::string note() const;

private:
    std::vector<std::string> m_above, m_below;
};

} // namespace flow

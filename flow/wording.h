#pragma once

// Numbers inside the sentences that say why an input has no answer.

#include <string>

namespace flow {

// The shortest text that reads back as v.
std::string shortestText(double v);

// A bound in as few digits (5 or more) as keep it on its side of the value
// it is compared with, so the sentence never contradicts itself.
std::string boundText(double bound, double value);

} // namespace flow

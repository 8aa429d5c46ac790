#pragma once

#include "cli/table.h"
#include "cli/values.h"
#include "flow/heat.h"

#include <iosfwd>
#include <optional>

namespace cli {

// Heat added between two stations, for every inlet Mach number with every
// heat; with T01 also the absolute temperatures, pressures and heats.
struct HeatRequest {
    double gamma = 1.4;
    ValueSource mach1;
    ValueSource heat;
    flow::HeatGiven given = flow::HeatGiven::T0Ratio;
    std::optional<double> T01; // K
    std::optional<double> p1;  // Pa
    double cp = 1005;          // J/(kg K)
};

// Writes one row per pair of M1 and heat. Returns 0 when every pair has an
// exit state, 1 when some have not (their note says why).
int writeHeat(HeatRequest &request, const TableStyle &style, std::ostream &out);

} // namespace cli

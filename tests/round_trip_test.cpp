#include "flow/rayleigh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

// sqrt(D) is about |M^2 - 1| / (gama + 1), so the solver's floor D < 1e-10
// sends both roots to 1 inside this band; the margin covers the second order.
bool inSonicBand(double gama, double M) { return std::fabs(M * M - 1) < 1.1e-5 * (gama + 1); }

// The Mach number recovered from M's own T0/T0*, on M's branch.
std::optional<double> roundTrip(double gama, double M)
{
    const flow::MachNumbers back = flow::MachFromToToStar(gama, flow::RatiosFromMach(gama, M).ToToStar);
    return M < 1 ? std::optional(back.Msub) : back.Msup;
}

// Checks every (gama, M) of the grid, reporting the first few misses only.
void expectRoundTrips(const std::vector<double> &machs)
{
    std::vector<double> gamas {5.0 / 3.0};
    for (int i = 0; i <= 19; ++i)
        gamas.push_back(1.05 + 0.05 * i);
    int misses = 0;
    for (double gama : gamas) {
        for (double M : machs) {
            if (inSonicBand(gama, M))
                continue;
            const std::optional<double> back = roundTrip(gama, M);
            if (back && std::fabs(*back - M) <= 1e-9 * M)
                continue;
            if (++misses <= 5)
                ADD_FAILURE() << "gama " << gama << ", M " << M << " came back as "
                              << (back ? std::to_string(*back) : "no supersonic root");
        }
    }
    EXPECT_EQ(misses, 0);
}

} // namespace

TEST(RoundTrip, MachFromItsOwnToToStarOverTheRange)
{
    std::vector<double> machs;
    for (int k = 0; k <= 800; ++k)
        machs.push_back(0.05 * std::pow(400.0, k / 800.0)); // 0.05 to 20, evenly in log M
    expectRoundTrips(machs);
}

TEST(RoundTrip, JustOutsideTheSonicBand)
{
    std::vector<double> machs;
    for (double d : {1e-3, 1e-4, 3e-5, 2e-5, 1.7e-5})
        for (double side : {-1.0, 1.0})
            machs.push_back(1 + side * d);
    expectRoundTrips(machs);
}

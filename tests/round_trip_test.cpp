#include "flow/window/rayleigh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

// Near M = 1, T0/T0* is flat: 1 - t is about 4 (M - 1)^2 / (gama + 1)^2, so
// the last bit of t alone moves the recovered M by this much.
double inputBitError(double gama, double t)
{
    const double ulp = std::numeric_limits<double>::epsilon();
    return 2 * (gama + 1) * ulp / (std::sqrt(std::fabs(1 - t)) + std::sqrt(ulp));
}

// The Mach number recovered from M's own T0/T0*, on M's branch.
std::optional<double> roundTrip(double gama, double M)
{
    // Next to M = 1 the forward rounding can land one bit above the maximum.
    const double t = std::min(1.0, flow::RatiosFromMach(gama, M).ToToStar);
    const flow::MachNumbers back = flow::MachFromToToStar(gama, t);
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
            const std::optional<double> back = roundTrip(gama, M);
            const double t = flow::RatiosFromMach(gama, M).ToToStar;
            if (back && std::fabs(*back - M) <= 1e-9 * M + inputBitError(gama, t))
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

TEST(RoundTrip, CloseToTheSonicPoint)
{
    std::vector<double> machs {1.0};
    for (double d : {1e-3, 1e-4, 3e-5, 2e-5, 1.7e-5, 1e-5, 3e-6, 1e-7, 1e-9})
        for (double side : {-1.0, 1.0})
            machs.push_back(1 + side * d);
    expectRoundTrips(machs);
}

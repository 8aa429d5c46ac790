#include "flow/window/rayleigh.h"

#include "fault_of.h"
#include "flow/window/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using flow::ArithmeticFault;
using flow::MachFromToToStar;
using flow::RatiosFromMach;
using Kind = ArithmeticFault::Kind;

namespace {

// The five ratios as the boxes show them.
std::string shown(const flow::RayleighRatios &r)
{
    std::string text;
    for (double v : {r.TTstar, r.PPstar, r.RoRoStar, r.PoPoStar, r.ToToStar})
        text += flow::FormatResult(v, ".") + ' ';
    return text;
}

std::optional<Kind> faultOf(double gama, double M)
{
    return ::faultOf([=] { RatiosFromMach(gama, M); });
}

std::optional<Kind> machFaultOf(double gama, double t)
{
    return ::faultOf([=] { MachFromToToStar(gama, t); });
}

} // namespace

TEST(RatiosFromMach, KnownPoints)
{
    EXPECT_EQ(shown(RatiosFromMach(1.4, 1.0)), "1 1 1 1 1 ");
    EXPECT_EQ(shown(RatiosFromMach(1.4, 2.0)), "0.52893 0.36364 0.6875 1.5031 0.79339 ");
    EXPECT_EQ(shown(RatiosFromMach(1.4, 0.5)), "0.79012 1.77778 2.25 1.11405 0.69136 ");
    // An empty gama counts as 0: the exponent is 0 and every ratio at M = 1 is 1.
    EXPECT_EQ(shown(RatiosFromMach(0.0, 1.0)), "1 1 1 1 1 ");
    EXPECT_NEAR(RatiosFromMach(0.0, 2.0).ToToStar, -8.0, 1e-12); // M^2 (2 - M^2)
}

TEST(RatiosFromMach, ChartEnds)
{
    EXPECT_NEAR(RatiosFromMach(1.4, 0.1).ToToStar, 0.0468, 1e-4);
    EXPECT_NEAR(RatiosFromMach(1.4, 3.0000000000000013).ToToStar, 0.65398, 1e-5);
}

TEST(RatiosFromMach, FaultsOfTheFormulas)
{
    EXPECT_EQ(faultOf(1.0, 2.0), Kind::DivisionByZero);    // g / (g - 1)
    EXPECT_EQ(faultOf(-1.0, 2.0), Kind::DivisionByZero);   // divisions by 1 + g
    EXPECT_EQ(faultOf(-0.25, 2.0), Kind::DivisionByZero);  // 1 + g m2 = 0
    EXPECT_EQ(faultOf(0.4, 2.0), Kind::NoRealValue);       // f / (1 + g) < 0, exponent -2/3
    EXPECT_EQ(faultOf(0.5, 2.0), Kind::DivisionByZero);    // f = 0 with a negative exponent
    EXPECT_EQ(faultOf(1.4, 3e44), Kind::Overflow);         // the power in p0/p0*
    EXPECT_EQ(faultOf(1.4, 1.4e154), Kind::Overflow);      // m2 itself
    EXPECT_EQ(faultOf(1.4, 1e-170), Kind::DivisionByZero); // m2 underflows to 0
    EXPECT_NO_THROW(RatiosFromMach(1.4, 2e44));
    // A negative base with a whole exponent (-1) has a real power.
    EXPECT_LT(RatiosFromMach(0.5, 3.0).PoPoStar, 0.0);
}

TEST(MachFromToToStar, KnownPoints)
{
    const auto sonic = MachFromToToStar(1.4, 1.0);
    EXPECT_EQ(flow::FormatResult(sonic.Msub, "."), "1");
    ASSERT_TRUE(sonic.Msup);
    EXPECT_EQ(flow::FormatResult(*sonic.Msup, "."), "1");

    const auto t09 = MachFromToToStar(1.4, 0.9);
    EXPECT_NEAR(t09.Msub, 0.68844, 5e-6);
    ASSERT_TRUE(t09.Msup);
    EXPECT_NEAR(*t09.Msup, 1.53684, 5e-6);

    const auto t05 = MachFromToToStar(1.4, 0.5);
    EXPECT_NEAR(t05.Msub, 0.38365, 5e-6);
    ASSERT_TRUE(t05.Msup);
    EXPECT_NEAR(*t05.Msup, 13.03276, 5e-6);

    const auto t03 = MachFromToToStar(1.4, 0.3);
    EXPECT_NEAR(t03.Msub, 0.27427, 5e-6);
    EXPECT_FALSE(t03.Msup);

    const auto none = MachFromToToStar(1.4, 0.0);
    EXPECT_EQ(none.Msub, 0.0);
    EXPECT_FALSE(none.Msup);
}

TEST(MachFromToToStar, BothRootsKeepTheirDigitsNextToTheSonicPoint)
{
    // 60-digit values of the exact roots for these doubles t; within 1e-10
    // of t = 1 the two roots differ from 1 in the fifth decimal.
    struct Row {
        double gama, t, Msub, Msup;
    };
    const Row rows[] {
        {1.1, 0.99999999995, 0.999992575409, 1.00000742465},
        {1.3, 0.9999999999, 0.999988500083, 1.00001150008},
        {1.4, 0.99999999995, 0.999991514766, 1.00000848533},
        {1.4, 0.9999999996, 0.999976000383, 1.00002400039},
        {5.0 / 3.0, 0.9999999996, 0.999973333866, 1.0000266672},
        {2.0, 0.9999999999, 0.999985000187, 1.00001500019},
        {2.0, 0.999999999998, 0.999997878707, 1.0000021213},
    };
    for (const Row &row : rows) {
        const auto m = MachFromToToStar(row.gama, row.t);
        EXPECT_NEAR(m.Msub, row.Msub, 1e-11) << row.gama << ' ' << row.t;
        ASSERT_TRUE(m.Msup);
        EXPECT_NEAR(*m.Msup, row.Msup, 1e-11) << row.gama << ' ' << row.t;
    }
    const auto shown = MachFromToToStar(1.4, 1 - 5e-11);
    EXPECT_EQ(flow::FormatResult(shown.Msub, "."), "0.99999");
    EXPECT_EQ(flow::FormatResult(*shown.Msup, "."), "1.00001");
}

TEST(MachFromToToStar, SubsonicRootKeepsItsDigitsAtTheLimit)
{
    // The limit (g^2 - 1) / g^2 where the supersonic branch leaves for
    // infinity; the textbook root (b - root) / a loses every digit here.
    const double exact = RatiosFromMach(1.4, 0.3779644730092272).ToToStar;
    EXPECT_NEAR(MachFromToToStar(1.4, 0.4897959183668571).Msub, 0.37796, 5e-6);
    EXPECT_NEAR(MachFromToToStar(1.4, 0.4897959183673464).Msub, 0.37796, 5e-6);
    const auto atLimit = MachFromToToStar(1.4, 0.4897959183673469);
    EXPECT_NEAR(atLimit.Msub, 0.37796, 5e-6);
    EXPECT_FALSE(atLimit.Msup);
    EXPECT_NEAR(exact, 0.4897959183673469, 1e-12);
}

TEST(MachFromToToStar, FaultsOfTheQuadratic)
{
    EXPECT_EQ(machFaultOf(-1.0, 0.5), Kind::DivisionByZero);
    EXPECT_EQ(machFaultOf(1.4, -0.5), Kind::NoRealValue); // x1 < 0
}

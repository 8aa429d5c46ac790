#include "flow/number_text.h"
#include "flow/window/number_text.h"

#include "fault_of.h"
#include "to_chars_rounding.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>

using flow::ArithmeticFault;
using flow::FormatResult;
using flow::ParseNumber;

TEST(ParseNumber, ReadsTheLeadingNumberAndIgnoresTheRest)
{
    EXPECT_EQ(ParseNumber("1.4"), 1.4);
    EXPECT_EQ(ParseNumber("1,4"), 1.0); // the comma is never a decimal separator
    EXPECT_EQ(ParseNumber("0.5xyz"), 0.5);
    EXPECT_EQ(ParseNumber("2e1"), 20.0);
    EXPECT_EQ(ParseNumber("2E-1"), 0.2);
    EXPECT_EQ(ParseNumber("1.5d2"), 150.0);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("5."), 5.0);
    EXPECT_EQ(ParseNumber("-3"), -3.0);
    EXPECT_EQ(ParseNumber("+3"), 3.0);
    EXPECT_EQ(ParseNumber("1.2.3"), 1.2);
    EXPECT_EQ(ParseNumber("007"), 7.0);
    // An exponent letter without digits ends the number.
    EXPECT_EQ(ParseNumber("2e"), 2.0);
    EXPECT_EQ(ParseNumber("2e+x"), 2.0);
}

TEST(ParseNumber, TextWithoutANumberReadsAsZero)
{
    for (const char *text : {"", " ", "abc", "-", ".", "e5", "&", "&Z", "--1", "\r1"})
        EXPECT_EQ(ParseNumber(text), 0.0) << '"' << text << '"';
}

TEST(ParseNumber, SkipsBlanksTabsAndLineFeedsAnywhere)
{
    EXPECT_EQ(ParseNumber("1 . 4"), 1.4);
    EXPECT_EQ(ParseNumber("\t- 1\n2 e 1"), -120.0);
    // Other white space ends the number.
    EXPECT_EQ(ParseNumber("1\r5"), 1.0);
    EXPECT_EQ(ParseNumber("1\xC2\xA0"
                          "5"),
        1.0);
}

TEST(ParseNumber, ConvertsCorrectlyRoundedWhateverTheLength)
{
    EXPECT_EQ(ParseNumber("0.1"), 0.1);
    EXPECT_EQ(ParseNumber("0.4897959183673469"), 0.4897959183673469);
    EXPECT_EQ(ParseNumber("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(ParseNumber("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
    const std::string longOne = "1." + std::string(100000, '0') + "1";
    EXPECT_EQ(ParseNumber(longOne), 1.0);
    const std::string manyDigits = std::string(300, '9') + "e-300";
    EXPECT_DOUBLE_EQ(ParseNumber(manyDigits), 1.0);
}

TEST(ParseNumber, OutOfRangeIsOverflowAboveAndZeroBelow)
{
    EXPECT_THROW(ParseNumber("1e400"), ArithmeticFault);
    EXPECT_THROW(ParseNumber("-1e309"), ArithmeticFault);
    EXPECT_THROW(ParseNumber("1e99999999999999999999"), ArithmeticFault);
    EXPECT_THROW(ParseNumber("0.001e312"), ArithmeticFault);
    EXPECT_EQ(ParseNumber("0.001e311"), 1e308);
    EXPECT_EQ(faultOf([] { ParseNumber("1e400"); }), ArithmeticFault::Kind::Overflow);
    EXPECT_EQ(ParseNumber("1e-400"), 0.0);
    EXPECT_EQ(ParseNumber("0e999999"), 0.0);
    EXPECT_EQ(ParseNumber("1000e-310"), 1e-307);
    EXPECT_EQ(ParseNumber("1e-99999999999999999999"), 0.0);
}

TEST(ParseNumber, RadixPrefixesGiveUnsignedWholeNumbers)
{
    EXPECT_EQ(ParseNumber("&HFF"), 255.0);
    EXPECT_EQ(ParseNumber("&hff"), 255.0);
    EXPECT_EQ(ParseNumber("&HFFFF"), 65535.0);
    EXPECT_EQ(ParseNumber("&O17"), 15.0);
    EXPECT_EQ(ParseNumber("-&H10"), -16.0);
    EXPECT_EQ(ParseNumber("&H1G"), 1.0);
    EXPECT_EQ(ParseNumber("&O78"), 7.0);
    EXPECT_EQ(ParseNumber("&H"), 0.0);
    EXPECT_EQ(ParseNumber("&H0000"), 0.0);
    EXPECT_EQ(ParseNumber("&H1.5"), 1.0);
    EXPECT_EQ(ParseNumber("&H10000000000000001"), 18446744073709551616.0); // rounded to 2^64
    EXPECT_EQ(ParseNumber("&O" + std::string(22, '7')), std::ldexp(1.0, 66));
    EXPECT_THROW(ParseNumber("&H1" + std::string(300, '0')), ArithmeticFault);
}

TEST(FormatResult, RoundsToFiveDecimalsAndDropsTrailingZeros)
{
    EXPECT_EQ(FormatResult(0.4897959, "."), "0.4898");
    EXPECT_EQ(FormatResult(1.0, "."), "1");
    EXPECT_EQ(FormatResult(2.000004, "."), "2");
    EXPECT_EQ(FormatResult(0.528925619834711, "."), "0.52893");
    EXPECT_EQ(FormatResult(-1.5, "."), "-1.5");
    EXPECT_EQ(FormatResult(123456.7, "."), "123456.7");
    EXPECT_EQ(FormatResult(0.00001, "."), "0.00001");
    EXPECT_EQ(FormatResult(0.00009, "."), "0.00009");
}

TEST(FormatResult, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(FormatResult(0.125, "."), "0.125");
    EXPECT_EQ(FormatResult(2.5e-5, "."), "0.00002");
    EXPECT_EQ(FormatResult(4.5e-5, "."), "0.00004");
    EXPECT_EQ(FormatResult(1.000005, "."), "1");
    EXPECT_EQ(FormatResult(0.100005, "."), "0.1");
    EXPECT_EQ(FormatResult(1.5e-5, "."), "0.00002");
    EXPECT_EQ(FormatResult(0.000005, "."), "0");
}

TEST(FormatResult, ZeroHasNoSign)
{
    EXPECT_EQ(FormatResult(0.0, "."), "0");
    EXPECT_EQ(FormatResult(-0.0, "."), "0");
    EXPECT_EQ(FormatResult(-0.000001, "."), "0");
}

TEST(FormatResult, WritesTheGivenDecimalSeparator)
{
    EXPECT_EQ(FormatResult(0.5, ","), "0,5");
    EXPECT_EQ(ParseNumber(FormatResult(0.5, ",")), 0.0);
    EXPECT_EQ(FormatResult(1234567.25, ","), "1234567,25"); // no digit grouping
    EXPECT_EQ(FormatResult(2.5e20, ","), "2,5E+20");
}

TEST(FormatResult, KeepsFifteenSignificantDigits)
{
    EXPECT_EQ(FormatResult(1234567890.123456, "."), "1234567890.12346");
    EXPECT_EQ(FormatResult(123456789012.34567, "."), "123456789012.346");
    EXPECT_EQ(FormatResult(99999999999999.99, "."), "100000000000000");
    EXPECT_EQ(FormatResult(999999999999999.9, "."), "1E+15");
    EXPECT_EQ(FormatResult(1e15, "."), "1E+15");
    EXPECT_EQ(FormatResult(-1.2345678901234567e150, "."), "-1.23456789012346E+150");
    EXPECT_EQ(FormatResult(std::numeric_limits<double>::max(), "."), "1.79769313486232E+308");
}

TEST(FormatResult, RefusesValuesThatAreNotFinite)
{
    EXPECT_THROW(FormatResult(std::numeric_limits<double>::infinity(), "."), ArithmeticFault);
    EXPECT_THROW(FormatResult(-std::numeric_limits<double>::infinity(), "."), ArithmeticFault);
    EXPECT_THROW(FormatResult(std::numeric_limits<double>::quiet_NaN(), "."), ArithmeticFault);
}

TEST(readNumber, TakesOnlyTextThatIsWhollyOneFiniteNumber)
{
    EXPECT_EQ(flow::readNumber("1.4").value, 1.4);
    EXPECT_EQ(flow::readNumber("+2").value, 2.0);
    EXPECT_EQ(flow::readNumber("-.5").value, -0.5);
    EXPECT_EQ(flow::readNumber("5.").value, 5.0);
    EXPECT_EQ(flow::readNumber("2.5E-3").value, 0.0025);
    EXPECT_EQ(flow::readNumber("1e-310").value, 1e-310);
    EXPECT_TRUE(flow::readNumber("0.4897959183673469"));
    for (const char *text : {"", " 1", "1 ", "abc", "1.4x", "1,4", "1.2.3", "+-1", "--1", "+", ".", "1e", "1e+", "inf",
             "-infinity", "nan", "0x10", "&H10", "1d2", "\xCE\xB3"})
        EXPECT_EQ(flow::readNumber(text).problem, "is not a number") << '"' << text << '"';
    for (const char *text : {"1e999", "-1e400", "1e-400"})
        EXPECT_EQ(flow::readNumber(text).problem, "is out of range") << text;
}

namespace {

std::string rounded(double value, int decimals)
{
    char buffer[flow::kMaxNumberText];
    return std::string(buffer, flow::writeRounded(buffer, value, decimals));
}

} // namespace

TEST(writeRounded, WritesAnyNumberOfDecimalsInFormatResultsForm)
{
    EXPECT_EQ(rounded(0.528925619834711, 5), FormatResult(0.528925619834711, "."));
    EXPECT_EQ(rounded(0.528925619834711, 0), "1");
    EXPECT_EQ(rounded(0.528925619834711, 2), "0.53");
    EXPECT_EQ(rounded(0.528925619834711, 15), "0.528925619834711");
    EXPECT_EQ(rounded(2.5, 0), "2"); // ties to even
    EXPECT_EQ(rounded(0.125, 2), "0.12");
    EXPECT_EQ(rounded(120.0, 0), "120");
    EXPECT_EQ(rounded(-0.4, 0), "0");
    EXPECT_EQ(rounded(1234.5678, 15), "1234.5678");
    EXPECT_EQ(rounded(1.0 / 3.0 * 1000, 15), "333.333333333333");
    EXPECT_EQ(rounded(2.5e20, 3), "2.5E+20");
    EXPECT_EQ(rounded(std::numeric_limits<double>::infinity(), 5), "");
    EXPECT_EQ(rounded(std::numeric_limits<double>::quiet_NaN(), 5), "");
}

// Exact binary expansions from Python's decimal.Decimal(float).
TEST(writeRounded, RoundsTheDoublesExactValue)
{
    EXPECT_EQ(rounded(0.583375, 5), "0.58337"); // 0.58337499999999997690...
    EXPECT_EQ(rounded(2.675, 2), "2.67");       // 2.67499999999999982236...
    EXPECT_EQ(rounded(26.425, 2), "26.43");     // 26.42500000000000071054...
    EXPECT_EQ(rounded(1.0005, 3), "1");         // 1.00049999999999994493...
    EXPECT_EQ(rounded(1.000005, 5), "1.00001"); // 1.00000500000000003275...
    EXPECT_EQ(rounded(2.5e-5, 5), "0.00003");   // 0.00002500000000000000119...
    EXPECT_EQ(rounded(-2.675, 2), "-2.67");
    EXPECT_EQ(rounded(-26.425, 2), "-26.43");
    EXPECT_EQ(rounded(-0.583375, 5), "-0.58337");
    EXPECT_EQ(rounded(0.1234567890123455, 15), "0.123456789012345"); // ...4549695...
}

TEST(writeRounded, TiesGoToEvenOnlyWhereTheDoubleIsOne)
{
    EXPECT_EQ(rounded(0.125, 2), "0.12");
    EXPECT_EQ(rounded(0.375, 2), "0.38");
    EXPECT_EQ(rounded(-0.125, 2), "-0.12");
    EXPECT_EQ(rounded(2.5, 0), "2");
    EXPECT_EQ(rounded(3.5, 0), "4");
    EXPECT_EQ(rounded(-0.5, 0), "0");
    EXPECT_EQ(rounded(999999999999998.5, 0), "999999999999998");
}

TEST(writeRounded, KeepsFifteenDigitsAndTheExponentFormFrom1e15)
{
    EXPECT_EQ(rounded(999999999999999.4, 0), "999999999999999"); // ...999.375
    EXPECT_EQ(rounded(999999999999999.4, 5), "999999999999999");
    EXPECT_EQ(rounded(999999999999999.5, 0), "1E+15"); // a tie, to even
    EXPECT_EQ(rounded(std::nextafter(1e15, 0.0), 3), "1E+15");
    EXPECT_EQ(rounded(1e15, 0), "1E+15");
    EXPECT_EQ(rounded(-1e15, 15), "-1E+15");
    EXPECT_EQ(rounded(1.5e15, 2), "1.5E+15");
    EXPECT_EQ(rounded(std::numeric_limits<double>::max(), 15), "1.79769313486232E+308");
    // The cut at the fifteenth digit rounds the double once.
    EXPECT_EQ(rounded(9.999999999999995, 15), "9.99999999999999"); // ...99467
    EXPECT_EQ(rounded(12345678901234.55, 5), "12345678901234.6");  // ...55078
    EXPECT_EQ(rounded(1234567890.123455, 15), "1234567890.12346"); // ...455048
    EXPECT_EQ(rounded(99999999999999.95, 5), "100000000000000");   // ...953
    EXPECT_EQ(rounded(1e-20, 15), "0");
    EXPECT_EQ(rounded(-1e-20, 15), "0");
    EXPECT_EQ(rounded(1.5e-15, 15), "0.000000000000001"); // 1.49999999999999991934e-15
    EXPECT_EQ(rounded(3.5e-15, 15), "0.000000000000004"); // 3.50000000000000007475e-15
    EXPECT_EQ(rounded(4.5e-15, 15), "0.000000000000004"); // 4.49999999999999975803e-15
}

// std::to_chars in fixed form is correctly rounded: the command line must
// write its digits, less trailing zeros, wherever 15 digits hold them.
TEST(writeRounded, AgreesWithToCharsNextToDecimalTies)
{
    std::mt19937_64 random(15);
    int compared = 0;
    for (int i = 0; i < 200000; ++i) {
        const int decimals = static_cast<int>(random() % 16);
        const int digits = 1 + static_cast<int>(random() % 15);
        const auto units = static_cast<double>(random() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
        double value = (units + 0.5) / std::pow(10.0, decimals);
        for (int step = static_cast<int>(random() % 5); step > 0; --step)
            value = std::nextafter(value, random() % 2 ? 0.0 : 1e300);
        if (random() % 2)
            value = -value;
        const auto expected = toCharsRounded(value, decimals);
        if (!expected)
            continue;
        ASSERT_EQ(rounded(value, decimals), *expected) << std::hexfloat << value << " to " << decimals;
        ++compared;
    }
    EXPECT_GT(compared, 100000);
}

TEST(FormatResult, KeepsItsScaledRoundingWhereTheRulesDiffer)
{
    EXPECT_EQ(FormatResult(0.583375, "."), "0.58338"); // 58337.5 after scaling
    EXPECT_EQ(rounded(0.583375, 5), "0.58337");
    EXPECT_EQ(FormatResult(1.000005, "."), "1");
    EXPECT_EQ(rounded(1.000005, 5), "1.00001");
    EXPECT_EQ(FormatResult(-0.583375, "."), "-0.58338");
}

TEST(writeShortest, ReadsBackAsTheSameDouble)
{
    const auto shortest = [](double value) {
        char buffer[flow::kMaxNumberText];
        return std::string(buffer, flow::writeShortest(buffer, value));
    };
    EXPECT_EQ(shortest(0.1), "0.1");
    EXPECT_EQ(shortest(0.528925619834711), "0.528925619834711");
    EXPECT_EQ(shortest(-0.0), "0");
    EXPECT_EQ(shortest(1e300), "1e+300");
    EXPECT_EQ(shortest(std::numeric_limits<double>::infinity()), "");
    for (double value : {1.0 / 3.0, std::nextafter(1.0, 2.0), std::numeric_limits<double>::denorm_min(),
             -std::numeric_limits<double>::max()})
        EXPECT_EQ(flow::readNumber(shortest(value)).value, value) << shortest(value);
}

#include "cli/errors.h"
#include "cli/run.h"
#include "cli/shown.h"
#include "cli/table.h"
#include "cli/values.h"
#include "flow/number_text.h"
#include "flow/relations.h"
#include "flow/wording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> args, std::size_t valueLimit = cli::kDefaultValueLimit, std::string input = "")
{
    args.insert(args.begin(), "kalvenor-cli");
    std::vector<const char *> argv;
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err, valueLimit);
    return {status, out.str(), err.str()};
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// The cells of one CSV row without quoted commas.
std::vector<std::string> csvRow(const std::string &out, std::size_t row) { return split(split(out, '\n')[row], ','); }

std::string usage(const std::string &what) { return "kalvenor-cli: " + what + "\nsee kalvenor-cli --help\n"; }

} // namespace

TEST(CommandLine, PrintsBothBranchesAsAnAlignedTable)
{
    const Outcome r = run({"--gamma", "1.4", "--T0", "0.9"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
        "branch        M     T/T*     p/p*  rho/rho*     V/V*  T0/T0*   p0/p0*  (s*-s)/R  note\n"
        "sub     0.68844  0.98649  1.44272   1.46248  0.68377     0.9  1.04642   0.41413\n"
        "sup     1.53684  0.73351  0.55728   0.75975  1.31623     0.9  1.14026   0.50002\n");
}

TEST(CommandLine, KeepsTheRowOfABranchWithoutSolutionAndExitsOne)
{
    const Outcome text = run({"--p0", "1.3"});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.out,
        "branch        M     T/T*     p/p*  rho/rho*     V/V*   T0/T0*  p0/p0*  (s*-s)/R  note\n"
        "sub                                                               1.3            p0/p0* = 1.3 is above "
        "1.2679, the largest a subsonic flow has at gamma = 1.4\n"
        "sup     1.78016  0.61758  0.44146   0.71482  1.39896  0.84083     1.3   0.86914\n");

    // The note holds a comma, so CSV quotes it.
    const Outcome csv = run({"--p0", "1.3", "--csv", "--branch", "sub"});
    EXPECT_EQ(csv.status, 1);
    EXPECT_EQ(csv.out,
        "branch,M,T/T*,p/p*,rho/rho*,V/V*,T0/T0*,p0/p0*,(s*-s)/R,note\n"
        "sub,,,,,,,1.3,,\"p0/p0* = 1.3 is above 1.2679, the largest a subsonic flow has at gamma = 1.4\"\n");
    EXPECT_EQ(run({"--p0", "1.3", "--branch", "sup"}).status, 0);

    // A ratio beyond a double's range leaves its cell empty, never "inf".
    const Outcome huge = run({"--mach", "1e200", "--csv"});
    EXPECT_EQ(huge.status, 1);
    EXPECT_EQ(csvRow(huge.out, 1)[7], "");
    EXPECT_EQ(huge.out.find("inf"), std::string::npos);
    EXPECT_NE(huge.out.find("p0/p0* is above"), std::string::npos);
}

TEST(CommandLine, WritesNumbersToTheDecimalsAskedOrExactly)
{
    EXPECT_EQ(csvRow(run({"--mach", "2", "--csv", "--decimals", "0"}).out, 1),
        (std::vector<std::string> {"sup", "2", "1", "0", "1", "1", "1", "2", "1"}));
    EXPECT_EQ(csvRow(run({"--mach", "2", "--csv", "--decimals", "15"}).out, 1)[2], "0.528925619834711");

    // Exact cells read back to the very doubles the relations give.
    const flow::FlowState state = *flow::fromMach(1.4, 0.3).state;
    const std::vector<std::string> cells = csvRow(run({"--mach", "0.3", "--csv", "--exact"}).out, 1);
    for (std::size_t i = 0; i < flow::kAllQuantities.size(); ++i)
        EXPECT_EQ(flow::readNumber(cells[i + 1]).value, state[flow::kAllQuantities[i]]) << cells[i + 1];
}

// The doubles' expansions from Python's decimal.Decimal.
TEST(CommandLine, RoundsTheDoubleItselfNotItsScaledProduct)
{
    // rho/rho* at M = 100 is 0.58337499999999997690...; scaled by 10^5 it
    // would land on a tie and go to 0.58338.
    EXPECT_EQ(csvRow(run({"--mach", "100", "--csv"}).out, 1)[4], "0.58337");
    EXPECT_EQ(csvRow(run({"--mach", "2.675", "--csv", "--decimals", "2"}).out, 1)[1], "2.67"); // 2.67499999...
    EXPECT_EQ(split(run({"--mach", "26.425", "--decimals", "2"}).out, '\n')[1].substr(0, 13), "sup     26.43");
}

TEST(CommandLine, RangesListsAndNumbersGiveOneRowPerValue)
{
    const Outcome r = run({"--mach", "0.1:3:0.1", "--csv"});
    const std::vector<std::string> lines = split(r.out, '\n');
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(split(lines[1], ',')[1], "0.1");
    EXPECT_EQ(split(lines[10], ',')[1], "1");
    EXPECT_EQ(split(lines[30], ',')[1], "3");
    EXPECT_EQ(split(run({"--mach", "0.5,2:3:0.5,4", "--csv"}).out, '\n').size(), 6u);
}

TEST(CommandLine, UsageErrorsSayWhatIsWrongOnOneLineAndExitTwo)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases {
        {{}, "no input: give one of --mach, --T, --p, --rho, --V, --T0, --p0, --s"},
        {{"--mach", "abc"}, "--mach: \"abc\" is not a number"},
        {{"--mach", "1.4x"}, "--mach: \"1.4x\" is not a number"},
        {{"--mach", "1e999"}, "--mach: \"1e999\" is out of range"},
        {{"--mach", "inf"}, "--mach: \"inf\" is not a number"},
        {{"--mach", "1,,2"}, "--mach: \"\" is not a number (in \"1,,2\")"},
        {{"--mach", "0:1:x"}, "--mach: \"x\" is not a number (in \"0:1:x\")"},
        {{"--mach", "0:1"}, "--mach: \"0:1\" is not a range start:stop:step"},
        {{"--mach", "0:1:0"}, "--mach: the step of \"0:1:0\" must be positive"},
        {{"--mach", "3:1:1"}, "--mach: \"3:1:1\" runs downward; ranges go from small to large"},
        {{"--gamma", "1,4", "--mach", "2"},
            "--gamma: \"1,4\" is not a number (it takes one number, and the decimal point is '.')"},
        {{"--gamma", "1", "--mach", "2"}, "--gamma: gamma must be above 1 and at most 1e6, not 1"},
        {{"--mach", "2", "--T0", "0.9"}, "--mach and --T0 both given: a run takes one input"},
        {{"--mach", "2", "--decimals", "3", "--exact"},
            "--decimals and --exact both given: --exact writes every digit"},
        {{"--mach", "2", "--decimals", "16"}, "--decimals: \"16\" is out of range: 0 to 15"},
        {{"--mach", "2", "--decimals", "0x0f"}, "--decimals: \"0x0f\" is not a number"},
        {{"--mach", "2", "--decimals", "1e1"}, "--decimals: \"1e1\" is not a number"},
        {{"--mach", "2", "--decimals", " 3"}, "--decimals: \" 3\" is not a number"},
        {{"--mach", "2", "--decimals", "-1"}, "--decimals: \"-1\" is not a number"},
        {{"--mach", "2", "--branch", "upper"}, "--branch: upper is not one of both, high, low, sub, sup"},
        {{"--mach", "2", "--branch", "0"}, "--branch: 0 is not one of both, high, low, sub, sup"},
        {{"--gamma", "1000000.0000000001", "--mach", "2"},
            "--gamma: gamma must be above 1 and at most 1e6, not 1000000.0000000001"},
        {{"--mach", "2", "extra"},
            "\"extra\" stands where no option takes it: each option takes one argument, and a list is one argument "
            "with commas, as --mach 1,2"},
    };
    for (const auto &[args, what] : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(r.err, usage(what));
    }
    const Outcome many = run({"--mach", "1:100:1"}, 50);
    EXPECT_EQ(many.status, 2);
    EXPECT_EQ(many.err, usage("--mach: \"1:100:1\" has more than 50 values"));
    EXPECT_EQ(run({"--mach", "1:10:1,1:50:1"}, 50).err, usage("--mach: more than 50 values"));
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput)
{
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kalvenor-cli " KALVENOR_VERSION "\n");
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: kalvenor-cli [--gamma G] INPUT VALUES", 0), 0u);
    EXPECT_EQ(help.err, "");
}

// Each example of --help states numbers and notes the program prints: run
// it and find them in its output.
TEST(CommandLine, HelpExamplesShowWhatTheProgramPrints)
{
    const std::string help = run({"--help"}).out;
    const std::vector<std::string> lines = split(help.substr(help.find("\nExamples")), '\n');
    std::vector<std::pair<std::string, std::string>> examples; // command, what it finds
    for (const std::string &line : lines) {
        if (line.rfind("  kalvenor-cli ", 0) == 0)
            examples.emplace_back(line.substr(15), "");
        else if (line.rfind("      ", 0) == 0 && !examples.empty())
            examples.back().second += line + ' ';
    }
    EXPECT_EQ(examples.size(), 9u); // one per input and a CSV table

    const std::regex quoted("\"([^\"]*)\""), number("[0-9]+(\\.[0-9]+)?");
    for (auto [command, finds] : examples) {
        std::vector<std::string> args = split(command.substr(0, command.find(" >")), ' ');
        const Outcome r = run(args);
        EXPECT_EQ(r.status, finds.find("exit status 1") == std::string::npos ? 0 : 1) << command;
        for (std::sregex_iterator m(finds.begin(), finds.end(), quoted), end; m != end; ++m)
            EXPECT_NE(r.out.find((*m)[1].str()), std::string::npos) << command << ": " << (*m)[1];
        finds = std::regex_replace(finds, quoted, "");
        finds = std::regex_replace(finds, std::regex("exit status 1|T0/T0\\*|p0/p0\\*"), "");
        std::string cells = ' ' + std::regex_replace(r.out, std::regex("[ ,\n]+"), " ") + ' ';
        for (std::sregex_iterator m(finds.begin(), finds.end(), number), end; m != end; ++m)
            EXPECT_NE(cells.find(' ' + m->str() + ' '), std::string::npos) << command << ": " << m->str();
    }
}

TEST(CommandLine, AnOutputThatFailsEndsTheRunWithStatusTwo)
{
    // Help and the version too: each is output like a table.
    for (std::vector<const char *> argv :
        {std::vector {"kalvenor-cli", "--mach", "1:1000:1"}, std::vector {"kalvenor-cli", "--help"},
            std::vector {"kalvenor-cli", "--version"}, std::vector {"kalvenor-cli", "heat", "--help"}}) {
        std::istringstream in;
        std::ostringstream out, err;
        out.setstate(std::ios::badbit);
        EXPECT_EQ(cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err), 2) << argv.back();
        EXPECT_EQ(err.str(), "kalvenor-cli: cannot write the output\n") << argv.back();
    }
}

TEST(Values, RangesStepFromTheStartAndEndOnTheStop)
{
    const auto values = [](const char *text) {
        std::vector<double> all;
        for (const cli::Range &range : cli::readValues("--mach", text, 1000))
            for (std::size_t i = 0; i < range.count; ++i)
                all.push_back(range[i]);
        return all;
    };
    const std::vector<double> tenths = values("0.1:3:0.1");
    ASSERT_EQ(tenths.size(), 30u);
    EXPECT_EQ(tenths[2], 0.1 + 2 * 0.1); // no sum of steps, so no drift
    EXPECT_EQ(tenths.back(), 3.0);
    EXPECT_EQ(values("0:1:0.3"), (std::vector<double> {0, 0.3, 0.6, 0.8999999999999999}));
    // Three steps are 0.9999999, not 1: the stop is only one within rounding.
    EXPECT_EQ(values("0:1:0.3333333"), (std::vector<double> {0, 0.3333333, 0.6666666, 0.9999998999999999}));
    EXPECT_EQ(values("2:2:1"), (std::vector<double> {2}));
    EXPECT_EQ(values("5:5.5:1"), (std::vector<double> {5}));
    const cli::Range million = cli::readValues("--mach", "0.001:1000:0.001", 1000000).front();
    EXPECT_EQ(million.count, 1000000u);
    EXPECT_EQ(million[999999], 1000.0);
    EXPECT_EQ(million[499999], 500.0);
    EXPECT_EQ(values("-1,0.5:1:0.25,+2"), (std::vector<double> {-1, 0.5, 0.75, 1, 2}));
}

TEST(Table, AlignsByCharactersAndQuotesCsvFields)
{
    const cli::Column columns[] {{"\xCF\x81/\xCF\x81*", true}, {"name", false}, {"x", true}};
    const auto table = [&columns](bool csv) {
        std::ostringstream out;
        cli::writeTable(out, {csv, 2, false}, columns, [](cli::TableWriter &t) {
            t.number(0.125);
            t.text("a \"b\", c");
            t.number(std::numeric_limits<double>::infinity());
            t.endRow();
            t.number(-12.5);
            t.text("\xCF\x81\""); // a quote alone is quoted too
            t.number(1);
            t.endRow();
        });
        return out.str();
    };
    // The header of two-byte letters takes four columns.
    EXPECT_EQ(table(false),
        " \xCF\x81/\xCF\x81*  name      x\n"
        " 0.12  a \"b\", c\n"
        "-12.5  \xCF\x81\"        1\n");
    EXPECT_EQ(table(true),
        "\xCF\x81/\xCF\x81*,name,x\n"
        "0.12,\"a \"\"b\"\", c\",\n"
        "-12.5,\"\xCF\x81\"\"\",1\n");
}

TEST(Table, AnAlignedTableComputesEachRowOnce)
{
    const cli::Column columns[] {{"x", true}, {"note", false}};
    int calls = 0;
    std::ostringstream out;
    cli::writeTable(out, {false, 2, false}, columns, [&calls](cli::TableWriter &t) {
        ++calls;
        for (const double x : {1.0, -10.5}) {
            t.number(x);
            t.empty();
            t.endRow();
        }
        t.empty();
        t.text("why");
        t.endRow();
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(out.str(), "    x  note\n    1\n-10.5\n       why\n");
}

TEST(CommandLine, HeatGivesTheExitStateOrWhyNot)
{
    const Outcome worked = run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--csv"});
    EXPECT_EQ(worked.status, 0);
    EXPECT_EQ(worked.out,
        "M1,T02/T01,M2,p2/p1,T2/T1,rho2/rho1,V2/V1,p02/p01,(s2-s1)/R,q*/(cp*T01),note\n"
        "0.3,1.5,0.39505,0.9241,1.48078,0.62406,1.60241,0.96676,1.45293,1.883,\n");
    // The same heat as q/(cp T01), and in absolute values.
    EXPECT_EQ(csvRow(run({"heat", "--mach1", "0.3", "--q-ratio", "0.5", "--csv"}).out, 1), csvRow(worked.out, 1));
    const Outcome absolute
        = run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--T01", "300", "--p1", "1e5", "--csv"});
    EXPECT_EQ(csvRow(absolute.out, 0)[10], "T1 K");
    EXPECT_EQ(split(absolute.out, '\n')[1],
        "0.3,1.5,0.39505,0.9241,1.48078,0.62406,1.60241,0.96676,1.45293,1.883,294.69548,436.3795,450,"
        "92409.63621,102904.85894,150750,567725.72855,");

    const Outcome choked = run({"heat", "--mach1", "0.3", "--T0-ratio", "3"});
    EXPECT_EQ(choked.status, 1);
    EXPECT_NE(choked.out.find("the duct chokes: at M1 = 0.3 and gamma = 1.4 at most q/(cp*T01) = 1.883 can be added"),
        std::string::npos);
    EXPECT_EQ(split(run({"heat", "--mach1", "0.3,2", "--T0-ratio", "1,1.1"}).out, '\n').size(), 5u); // each pair

    const auto heatUsage
        = [](const std::string &what) { return "kalvenor-cli: " + what + "\nsee kalvenor-cli heat --help\n"; };
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--q-ratio", "0.5"}).err,
        heatUsage("--T0-ratio and --q-ratio both given: the heat is one or the other"));
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--T01", "0"}).err,
        heatUsage("--T01: must be above 0, not 0"));
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--T01", "300", "--cp", "-5"}).status, 2);
    EXPECT_EQ(
        run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--p1", "1e5"}).err, heatUsage("--p1 and --cp need --T01"));
    EXPECT_EQ(run({"heat", "--T0-ratio", "1.5"}).err, heatUsage("no --mach1: give the inlet Mach numbers"));
    EXPECT_EQ(run({"heat", "--mach1", "0.3"}).err, heatUsage("no heat: give --T0-ratio or --q-ratio"));
    EXPECT_EQ(run({"heat", "heat", "--mach1", "0.3", "--T0-ratio", "1.5"}).err,
        heatUsage("heat given twice: a run takes one command"));
    EXPECT_EQ(run({"heat", "--mach", "2", "--mach1", "0.3", "--T0-ratio", "1.5"}).err,
        heatUsage("--mach is an input of the main command, not of heat, which takes --mach1 and a heat"));
}

// What the main command takes before heat counts as if given after it;
// its own inputs are refused by name.
TEST(CommandLine, OptionsBeforeHeatCountAsAfter)
{
    const std::vector<std::string> heat {"heat", "--mach1", "0.3", "--T0-ratio", "1.5"};
    const auto with = [&](std::vector<std::string> before, std::vector<std::string> after) {
        std::vector<std::string> args = before;
        args.insert(args.end(), heat.begin(), heat.end());
        args.insert(args.end(), after.begin(), after.end());
        return run(args);
    };
    for (const std::vector<std::string> &options :
        {std::vector<std::string> {"--gamma", "1.3"}, std::vector<std::string> {"--csv"},
            std::vector<std::string> {"--decimals", "2"}, std::vector<std::string> {"--exact"}}) {
        const Outcome before = with(options, {}), after = with({}, options);
        EXPECT_EQ(before.status, 0) << options[0];
        EXPECT_EQ(before.out, after.out) << options[0];
        EXPECT_NE(before.out, with({}, {}).out) << options[0];
        EXPECT_EQ(with(options, options).err,
            "kalvenor-cli: " + options[0] + " given both before and after heat\nsee kalvenor-cli heat --help\n");
    }
    EXPECT_EQ(with({"--decimals", "2"}, {"--exact"}).status, 2);
    for (const char *input : {"--mach", "--T", "--p", "--rho", "--V", "--T0", "--p0", "--s"}) {
        const Outcome r = with({input, "2"}, {});
        EXPECT_EQ(r.status, 2) << input;
        EXPECT_EQ(r.err,
            "kalvenor-cli: " + std::string(input)
                + " is an input of the main command, not of heat, which takes --mach1 and a heat\n"
                  "see kalvenor-cli heat --help\n");
    }
    EXPECT_EQ(with({"--branch", "sub"}, {}).status, 2);
}

TEST(CommandLine, NoHeatAndTheChokingHeatReadBack)
{
    // No heat changes nothing, even where T0/T0* is too flat to invert.
    const Outcome none
        = run({"heat", "--mach1", "1e10,0.999999999999,1.0000000000000002", "--q-ratio", "0", "--csv", "--exact"});
    EXPECT_EQ(none.status, 0) << none.out;
    EXPECT_EQ(csvRow(none.out, 1),
        (std::vector<std::string> {"1e+10", "1", "1e+10", "1", "1", "1", "1", "1", "0", "1.041666666666667"}));
    // q* = (M^2 - 1)^2 / (2 (1 + g) M^2 (1 + (g - 1) M^2 / 2)), from 50 digits
    EXPECT_EQ(flow::readNumber(csvRow(none.out, 2)[9]).value, 6.9441372017393111938e-25);
    EXPECT_EQ(flow::readNumber(csvRow(none.out, 3)[9]).value, 3.4238754566884185341e-32);

    for (const char *M1 : {"0.2", "0.3", "0.7", "0.999", "1.5", "3"}) {
        const std::string q = csvRow(run({"heat", "--mach1", M1, "--T0-ratio", "1", "--csv", "--exact"}).out, 1)[9];
        const Outcome back = run({"heat", "--mach1", M1, "--q-ratio", q, "--csv", "--exact"});
        EXPECT_EQ(back.status, 0) << M1 << ": " << back.out;
        EXPECT_EQ(csvRow(back.out, 1)[2], "1") << M1;
        // One step more heat chokes, and the bound shown is not the input.
        char more[32];
        *flow::writeShortest(more, std::nextafter(flow::readNumber(q).value, 1e300)) = '\0';
        const Outcome over = run({"heat", "--mach1", M1, "--q-ratio", more, "--csv", "--exact"});
        EXPECT_EQ(over.status, 1) << M1;
        EXPECT_EQ(over.out.find("= " + std::string(more) + " can be added"), std::string::npos) << over.out;
    }
    EXPECT_EQ(csvRow(run({"heat", "--mach1", "0.2", "--T0-ratio", "5.761904761904762", "--csv"}).out, 1)[2], "1");

    const Outcome limit = run({"--T0", "0.48979591836734687", "--branch", "sup"});
    EXPECT_EQ(limit.status, 1);
    EXPECT_NE(limit.out.find("T0/T0* = 0.48979591836734687 is below 0.48979591836734687 plus a fraction of an ulp"),
        std::string::npos);
}

TEST(CommandLine, EveryEmptyCellHasItsReasonAndNoFalseZero)
{
    const Outcome cold = run({"--gamma", "1e6", "--mach", "1e200", "--csv"});
    EXPECT_EQ(cold.status, 1);
    EXPECT_EQ(csvRow(cold.out, 1)[2], "");
    EXPECT_EQ(csvRow(cold.out, 1)[3], "");
    EXPECT_NE(cold.out.find("T/T* and p/p* are below 4.9407e-324, the smallest a double holds"), std::string::npos);
    EXPECT_EQ(run({"--gamma", "1e6", "--mach", "2"}).status, 0); // the largest gamma taken

    const Outcome hot = run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--T01", "1e200", "--cp", "1e200"});
    EXPECT_EQ(hot.status, 1);
    EXPECT_NE(hot.out.find("q in J/kg and q* in J/kg are above 1.7977e+308"), std::string::npos);
    const Outcome slow = run({"heat", "--mach1", "1e-200", "--T0-ratio", "1.5", "--T01", "300", "--csv"});
    EXPECT_EQ(slow.status, 1);
    EXPECT_EQ(csvRow(slow.out, 1)[9], "");
    EXPECT_EQ(csvRow(slow.out, 1)[14], "");
    EXPECT_NE(slow.out.find("q*/(cp*T01) is above 1.7977e+308"), std::string::npos);
    const Outcome fast
        = run({"heat", "--mach1", "1e100", "--T0-ratio", "1.5", "--T01", "300", "--p1", "1e5", "--csv", "--exact"});
    EXPECT_EQ(fast.status, 1);
    EXPECT_EQ(csvRow(fast.out, 1)[7], ""); // p02/p01, about 1e-500
    EXPECT_EQ(csvRow(fast.out, 1)[14].substr(0, 5), "2.134");
    EXPECT_NE(fast.out.find("p02/p01 is below 4.9407e-324"), std::string::npos);
}

TEST(CommandLine, RowsSayTheirBranchAndTheExitStatusEveryRow)
{
    // A value without a root names the side of M = 1 it lies on; one no
    // flow has names none.
    EXPECT_EQ(csvRow(run({"--p", "2.5", "--csv"}).out, 1)[0], "sub");
    EXPECT_EQ(csvRow(run({"--p", "0", "--csv"}).out, 1)[0], "sup");
    const Outcome huge = run({"--mach", "-1e308:1e308:1e308", "--csv"});
    ASSERT_EQ(split(huge.out, '\n').size(), 4u);
    EXPECT_EQ(csvRow(huge.out, 1)[0], "");
    EXPECT_EQ(csvRow(huge.out, 2)[0], "");
    EXPECT_EQ(csvRow(huge.out, 3)[0], "sup");
    EXPECT_EQ(csvRow(huge.out, 3)[1], "1E+308");
    // Each row the batch leaves to the one-value path keeps its own note.
    EXPECT_EQ(split(huge.out, '\n')[2], ",0,,,,,,,,\"M must be a number above 0, not 0\"");
    EXPECT_NE(split(huge.out, '\n')[3].find("p0/p0* is above 1.7977e+308"), std::string::npos);

    EXPECT_EQ(run({"--p0", "1.3,1.1", "--branch", "sub"}).status, 1); // unsolved, then solved
    EXPECT_EQ(run({"--p0", "1.1,1.3", "--branch", "sup"}).status, 0);
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "3,1.5"}).status, 1);
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5,3"}).status, 1);

    for (const char *low : {"low", "sub"})
        EXPECT_EQ(split(run({"--T", "0.8", "--branch", low, "--csv"}).out, '\n'),
            (std::vector<std::string> {"branch,M,T/T*,p/p*,rho/rho*,V/V*,T0/T0*,p0/p0*,(s*-s)/R,note",
                "low,0.50656,0.8,1.76569,2.20711,0.45308,0.70088,1.11135,1.34954,"}));
    for (const char *high : {"high", "sup"})
        EXPECT_EQ(csvRow(run({"--T", "0.8", "--branch", high, "--csv"}).out, 1)[0], "high");
}

TEST(CommandLine, ValuesFromStandardInput)
{
    const Outcome r = run({"--mach", "-", "--csv"}, cli::kDefaultValueLimit, "0.5 2\n3,4\r\n\n  1:2:0.5\n");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = split(r.out, '\n');
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(split(lines[7], ',')[1], "2");

    EXPECT_EQ(run({"--mach", "-"}, 100, "1\n2\n2.5x\n").err,
        usage("--mach: \"2.5x\" is not a number (standard input, line 3)"));
    EXPECT_EQ(run({"--mach", "-"}, 100, "").err, usage("--mach: standard input holds no values"));
    EXPECT_EQ(run({"--mach", "-"}, 3, "1 2 3 4").err, usage("--mach: more than 3 values"));
    EXPECT_EQ(run({"heat", "--mach1", "-", "--T0-ratio", "-"}, 100, "1").err,
        "kalvenor-cli: --mach1 and --T0-ratio both read standard input: one at most can\n"
        "see kalvenor-cli heat --help\n");
    const Outcome heat = run({"heat", "--mach1", "-", "--T0-ratio", "1.5", "--csv"}, 100, "0.3\n");
    EXPECT_EQ(csvRow(heat.out, 1)[2], "0.39505");

    // A column of full-precision values far longer than an argument list.
    std::string column;
    for (int i = 1; i <= 10000; ++i) {
        char value[32];
        *flow::writeShortest(value, 1 + i / 3.0) = '\0';
        column += std::string(value) + '\n';
    }
    const Outcome many = run({"--mach", "-", "--csv", "--exact"}, cli::kDefaultValueLimit, column);
    EXPECT_EQ(many.status, 0);
    EXPECT_EQ(split(many.out, '\n').size(), 10001u);
    EXPECT_EQ(csvRow(many.out, 10000)[1], "3334.3333333333335");
}

TEST(CommandLine, ADecimalCommaReadsAsTwoValuesWithANote)
{
    const Outcome r = run({"--mach", "2,5", "--csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(split(r.out, '\n').size(), 3u);
    EXPECT_EQ(r.err,
        "kalvenor-cli: note: --mach 2,5 is read as two values: lists are comma-separated and the decimal point "
        "is '.'\n");
    for (const char *list : {"0.5,2", "2,5,6", "2,-5", "1:2:1,5"})
        EXPECT_EQ(run({"--mach", list}).err, "") << list;
}

// Whatever CLI11 finds wrong is said in our words, whichever side of heat an
// option stands.
TEST(CommandLine, EveryMessageInOurWords)
{
    const std::string heatHelp = "\nsee kalvenor-cli heat --help\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases {
        {{"--mach", "1", "--mach", "2"}, usage("--mach given twice: give one list, as --mach 1,2")},
        {{"--mach", "1", "--mach", "2", "--mach", "3"}, usage("--mach given 3 times: give one list, as --mach 1,2")},
        {{"--gamma", "1.3", "--gamma", "1.4", "--mach", "2"}, usage("--gamma given twice: give it once")},
        {{"heat", "--mach1", "1", "--mach1", "2", "--T0-ratio", "1"},
            "kalvenor-cli: --mach1 given twice: give one list, as --mach1 1,2" + heatHelp},
        {{"--mach", "2", "heat", "--mach1", "0.3", "--T0-ratio", "1.1"},
            "kalvenor-cli: --mach is an input of the main command, not of heat, which takes --mach1 and a heat"
                + heatHelp},
        {{"heat", "--mach", "2", "--mach1", "0.3", "--T0-ratio", "1.1"},
            "kalvenor-cli: --mach is an input of the main command, not of heat, which takes --mach1 and a heat"
                + heatHelp},
        {{"heat", "--mach1", "0.3", "--T0-ratio", "1.1", "--branch", "sub"},
            "kalvenor-cli: --branch is an option of the main command, not of heat: M2 keeps M1's branch" + heatHelp},
        {{"--mach1", "0.3", "heat", "--T0-ratio", "1.1"},
            "kalvenor-cli: --mach1 is an option of heat: give it after heat, as kalvenor-cli heat --mach1 …"
                + heatHelp},
        {{"--T01", "300", "--mach", "2"},
            usage("--T01 is an option of heat: give it after heat, as kalvenor-cli heat --T01 …")},
        {{"--foo", "--mach", "2"}, usage("there is no option \"--foo\"")},
        {{"--mach"}, usage("--mach needs its VALUES, as in --mach 1,2")},
        {{"--mach", "2", "--branch"}, usage("--branch needs a value")},
        {{"--mach", "2", "--csv=maybe"}, usage("--csv takes no value, not \"maybe\": give it alone")},
        {{"--mach", "2", "--decimals", "100"}, usage("--decimals: \"100\" is out of range: 0 to 15")},
        {{"--mach", "2", "--decimals", "0000000000000000000007"}, ""},
        {{"--mach", "\x1b[31m\xff"}, usage("--mach: \"\\x1b[31m\\xff\" is not a number")},
        {{"--mach", std::string(100, '9') + "x"}, usage("--mach: \"" + std::string(40, '9') + "…\" is not a number")},
    };
    for (const auto &[args, err] : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.err, err) << args.back();
        EXPECT_EQ(r.status, err.empty() ? 0 : 2) << args.back();
    }
}

TEST(Shown, EscapesWhatATerminalCannotShowAndCutsLongText)
{
    const std::pair<std::string, std::string> escapes[] = {
        {std::string("a\0b", 3), "a\\x00b"}, {"\x1b[2J", "\\x1b[2J"}, {"\x7f\t", "\\x7f\\x09"},
        {"M\xc3\xa9lange \xe2\x80\xa6 \xf0\x9f\x94\xa5", "M\xc3\xa9lange \xe2\x80\xa6 \xf0\x9f\x94\xa5"}, // UTF-8 stays
        {"\xc3", "\\xc3"},                                                                                // cut short
        {"\xc0\xaf", "\\xc0\\xaf"},                   // overlong '/'
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},          // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"}, // past U+10FFFF
        {"\xc2\x9b", "\\xc2\\x9b"},                   // C1 control
    };
    for (const auto &[text, shown] : escapes)
        EXPECT_EQ(cli::escaped(text), shown);
    EXPECT_EQ(cli::cut(std::string(40, 'x')), std::string(40, 'x'));
    EXPECT_EQ(cli::cut(std::string(41, 'x')), std::string(40, 'x') + "…");
    std::string wide;
    for (int i = 0; i < 41; ++i)
        wide += "\xc3\xa9";
    EXPECT_EQ(cli::cut(wide), wide.substr(0, 80) + "…"); // characters, not bytes
}

TEST(CommandLine, AnOutputThatFailsSaysWhy)
{
    std::ofstream full("/dev/full");
    ASSERT_TRUE(full.is_open());
    const std::vector<const char *> argv {"kalvenor-cli", "--mach", "1:1000:1"};
    std::istringstream in;
    std::ostringstream err;
    EXPECT_EQ(cli::run(static_cast<int>(argv.size()), argv.data(), in, full, err), 2);
    EXPECT_EQ(err.str(), "kalvenor-cli: cannot write the output: No space left on device\n");
}

// Value i is start + i * step rounded once; the stop is a value only when a
// whole number of steps reaches it within rounding; a step finer than the
// doubles is refused.
TEST(Values, RangesGiveExactlyWhatWasAsked)
{
    const auto values = [](const std::string &text) {
        std::vector<double> all;
        for (const cli::Range &range : cli::readValues("--mach", text, 1000))
            for (std::size_t i = 0; i < range.count; ++i)
                all.push_back(range[i]);
        return all;
    };
    const std::pair<const char *, std::vector<double>> cases[] = {
        {"1:2:0.9999995", {1, 1.9999995}},
        {"0.1:0.3:0.1", {0.1, 0.2, 0.3}},
        {"1:1.0000000000000007:2.220446049250313e-16",
            {1, 1.0000000000000002, 1.0000000000000004, 1.0000000000000007}}, // the spacing itself
        {"-3:-2.5:0.25", {-3, -2.75, -2.5}},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(values(text), expected) << text;

    // 1 + i * 0.1 needs at most 64 bits here, so a long double holds it
    // exactly and rounding it once gives the double asked for; adding the
    // rounded product instead rounds twice.
    const cli::Range tenths = cli::readValues("--mach", "1:101:0.1", 2000).front();
    std::size_t twice = 0;
    for (std::size_t i = 0; i + 1 < tenths.count; ++i) {
        const double once = static_cast<double>(1.0L + static_cast<long double>(i) * 0.1);
        EXPECT_EQ(tenths[i], once) << i;
        twice += 1.0 + static_cast<double>(i) * 0.1 != once;
    }
    EXPECT_GT(twice, 0u); // the case is one that tells

    const std::pair<const char *, const char *> refused[] = {
        {"1:1.000001:1e-17",
            "--mach: the step of \"1:1.000001:1e-17\" is finer than the spacing of doubles near 1.000001, "
            "2.220446049250313e-16: values would repeat"},
        {"1e16:1e16+4:1", "--mach: \"1e16+4\" is not a number (in \"1e16:1e16+4:1\")"},
        {"1e16:10000000000000004:1.5",
            "--mach: the step of \"1e16:10000000000000004:1.5\" is finer than the spacing of doubles near "
            "10000000000000004, 2: values would repeat"},
    };
    for (const auto &[text, message] : refused)
        EXPECT_EQ(run({"--mach", text}).err, usage(message)) << text;
    // A step of the spacing itself moves; a range may hold exactly the limit.
    EXPECT_EQ(cli::readValues("--mach", "1e16:10000000000000004:2", 10).front().count, 3u);
    EXPECT_EQ(cli::readValues("--mach", "1:10:1", 10).front().count, 10u);
    EXPECT_THROW(cli::readValues("--mach", "1:10:1", 9), cli::UsageError);
}

namespace {

// Standard input of `lines` lines of `line`, made as it is read, that then
// fails with `error` (0: ends). It notes how much of it was read, and
// whether any output had been written by the time half of it was.
class Input : public std::streambuf {
public:
    Input(std::string line, std::size_t lines, int error, const std::ostringstream *out = nullptr)
        : m_line(std::move(line)), m_lines(lines), m_error(error), m_out(out)
    { }
    std::size_t linesRead = 0;
    bool outputBeforeHalf = false;

protected:
    int_type underflow() override
    {
        if (linesRead == m_lines) {
            if (m_error != 0)
                throw std::system_error(m_error, std::generic_category());
            return traits_type::eof();
        }
        if (++linesRead == m_lines / 2 && m_out)
            outputBeforeHalf = !m_out->str().empty();
        setg(m_line.data(), m_line.data(), m_line.data() + m_line.size());
        return traits_type::to_int_type(m_line[0]);
    }

private:
    std::string m_line;
    std::size_t m_lines;
    int m_error;
    const std::ostringstream *m_out;
};

Outcome runOn(std::streambuf &input, std::vector<const char *> argv, std::ostringstream &out,
    std::size_t valueLimit = cli::kDefaultValueLimit)
{
    argv.insert(argv.begin(), "kalvenor-cli");
    std::istream in(&input);
    std::ostringstream err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err, valueLimit);
    return {status, out.str(), err.str()};
}

} // namespace

// Values are read, computed and written a block at a time, and reading
// stops at the first fault, at the limit or at a read error.
TEST(CommandLine, StandardInputStreams)
{
    for (const char *style : {"--csv", "--exact"}) {
        std::ostringstream out;
        Input input("2\n", 200'000, 0, &out);
        const Outcome r = runOn(input, {"--mach", "-", style}, out);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(split(r.out, '\n').size(), 200'001u);
        EXPECT_TRUE(input.outputBeforeHalf) << style; // rows out while values still come in
    }

    std::ostringstream out;
    Input endless("2\n", 100'000'000, 0);
    const Outcome limited = runOn(endless, {"--mach", "-", "--csv"}, out, 1000);
    EXPECT_EQ(limited.err, usage("--mach: more than 1000 values"));
    EXPECT_EQ(split(limited.out, '\n').size(), 1001u); // the rows up to the limit
    EXPECT_LT(endless.linesRead, 100'000u);

    // Heat reads pairs: one inlet with heats from standard input, or the
    // inlets from it with every heat.
    std::ostringstream pairsOut;
    Input heats("1.1\n", 1000, 0);
    const Outcome pairs = runOn(heats, {"heat", "--mach1", "0.3,0.5", "--T0-ratio", "-", "--csv"}, pairsOut, 1000);
    EXPECT_EQ(pairs.err, "kalvenor-cli: more than 1000 pairs of --mach1 and heat\nsee kalvenor-cli heat --help\n");
    std::ostringstream inletsOut;
    Input inlets("0.3\n", 300, 0);
    const Outcome rows = runOn(inlets, {"heat", "--mach1", "-", "--T0-ratio", "1.1,1.2", "--csv"}, inletsOut);
    EXPECT_EQ(split(rows.out, '\n').size(), 601u);
    EXPECT_EQ(csvRow(rows.out, 600)[1], "1.2");
}

TEST(CommandLine, AReadErrorIsReportedAndTheRowsBeforeItStay)
{
    const std::pair<int, const char *> errors[] = {
        {EIO, "kalvenor-cli: --mach: cannot read standard input: Input/output error\n"},
        {EISDIR, "kalvenor-cli: --mach: standard input is a directory, not a file or pipe of values\n"},
        {EBADF, "kalvenor-cli: --mach: standard input is closed\n"},
    };
    for (const auto &[error, message] : errors) {
        std::ostringstream out;
        Input input("0.5\n", 10'240, error);
        const Outcome r = runOn(input, {"--mach", "-", "--csv"}, out);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(split(r.out, '\n').size(), 10'241u) << message;
    }
    std::ostringstream out;
    Input none("", 0, EISDIR);
    EXPECT_EQ(runOn(none, {"--mach", "-"}, out).err,
        "kalvenor-cli: --mach: standard input is a directory, not a file or pipe of values\n");
    EXPECT_EQ(out.str(), ""); // no header without rows
}

TEST(CommandLine, StandardInputSkipsAByteOrderMarkAndEscapesWhatItShows)
{
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(csvRow(run({"--mach", "-", "--csv"}, 100, bom + "0.5\n").out, 1)[1], "0.5");
    EXPECT_EQ(run({"--mach", "-", "--csv"}, 100, "\xEF\xBB\xBF\n2\n").status, 0);
    const Outcome r = run({"--mach", "-", "--csv"}, 100, std::string("1\n2\n2.5\0\x1b", 9) + std::string(50, '9'));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
        usage("--mach: \"2.5\\x00\\x1b" + std::string(35, '9') + "…\" is not a number (standard input, line 3)"));
    EXPECT_EQ(split(r.out, '\n').size(), 3u); // the rows of 1 and 2
    EXPECT_EQ(run({"--mach", "-"}, 100, "\xEF\xBB\xBF").err, usage("--mach: standard input holds no values"));
}

// The options and columns come from flow's table of quantities: each row's
// option takes a value, and the value read back from its own column at the
// subsonic root is the one given.
TEST(CommandLine, EachQuantityHasItsOptionAndColumn)
{
    const flow::FlowState at = flow::fromMach(1.4, 0.5).state.value();
    for (std::size_t i = 0; i < flow::kQuantities.size(); ++i) {
        const flow::QuantityRow &row = flow::kQuantities[i];
        const std::string value = flow::shortestText(at.*row.member);
        const Outcome r = run({"--" + std::string(row.option), value, "--branch", "sub", "--csv", "--exact"});
        SCOPED_TRACE(row.option);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(csvRow(r.out, 0)[i + 1], row.name);
        EXPECT_EQ(csvRow(r.out, 1)[i + 1], value);
        EXPECT_NEAR(std::stod(csvRow(r.out, 1)[1]), 0.5, 1e-9) << "M read back";
    }
    EXPECT_EQ(run({}).err, usage("no input: give one of --mach, --T, --p, --rho, --V, --T0, --p0, --s"));
}

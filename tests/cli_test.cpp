#include "cli/run.h"
#include "cli/table.h"
#include "cli/values.h"
#include "flow/number_text.h"
#include "flow/relations.h"

#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> args, std::size_t valueLimit = cli::kDefaultValueLimit)
{
    args.insert(args.begin(), "kalvenor-cli");
    std::vector<const char *> argv;
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    std::ostringstream out, err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err, valueLimit);
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
        {{"--mach", "2", "--decimals", "16"}, "--decimals: Value 16 not in range 0 to 15"},
        {{"--mach", "2", "--branch", "upper"}, "--branch: upper not in {sub,sup,both,low,high}"},
        {{"--mach", "2", "extra"}, "The following argument was not expected: extra"},
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
    const char *argv[] = {"kalvenor-cli", "--mach", "1:1000:1"};
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(cli::run(3, argv, out, err), 2);
    EXPECT_EQ(err.str(), "kalvenor-cli: cannot write the output\n");
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
    EXPECT_EQ(values("0:1:0.3333333").back(), 1.0); // within a millionth of a step
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
            t.text("\xCF\x81");
            t.number(1);
            t.endRow();
        });
        return out.str();
    };
    // The header of two-byte letters takes four columns.
    EXPECT_EQ(table(false),
        " \xCF\x81/\xCF\x81*  name      x\n"
        " 0.12  a \"b\", c\n"
        "-12.5  \xCF\x81         1\n");
    EXPECT_EQ(table(true),
        "\xCF\x81/\xCF\x81*,name,x\n"
        "0.12,\"a \"\"b\"\", c\",\n"
        "-12.5,\xCF\x81,1\n");
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

    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--q-ratio", "0.5"}).err,
        usage("heat: --T0-ratio and --q-ratio both given: the heat is one or the other"));
    EXPECT_EQ(
        run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--T01", "0"}).err, usage("--T01: must be above 0, not 0"));
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--T01", "300", "--cp", "-5"}).status, 2);
    EXPECT_EQ(run({"heat", "--mach1", "0.3", "--T0-ratio", "1.5", "--p1", "1e5"}).err,
        usage("heat: --p1 and --cp need --T01"));
    EXPECT_EQ(run({"heat", "--T0-ratio", "1.5"}).status, 2);
}

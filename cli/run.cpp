#include "cli/run.h"

#include "cli/errors.h"
#include "cli/ratios.h"
#include "cli/values.h"
#include "flow/relations.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>

namespace cli {
namespace {

constexpr const char *program = "kalvenor-cli";

struct Input {
    const char *option;
    flow::Quantity quantity;
    const char *help;
};

constexpr std::array<Input, 8> inputs {{
    {"--mach", flow::Quantity::M, "Mach numbers M"},
    {"--T", flow::Quantity::T, "T/T*, static temperature to the sonic state's"},
    {"--p", flow::Quantity::p, "p/p*, static pressure"},
    {"--rho", flow::Quantity::rho, "rho/rho*, density"},
    {"--V", flow::Quantity::V, "V/V*, velocity"},
    {"--T0", flow::Quantity::T0, "T0/T0*, stagnation temperature"},
    {"--p0", flow::Quantity::p0, "p0/p0*, stagnation pressure"},
    {"--s", flow::Quantity::s, "(s*-s)/R: the sonic state's entropy less this one's, over R"},
}};

// The options every table-writing command shares.
struct Common {
    std::string gamma = "1.4";
    TableStyle style;
};

double readGamma(const std::string &text)
{
    const double gama = ReadOneNumber("--gamma", text);
    if (const auto problem = flow::GammaProblem(gama))
        throw UsageError("--gamma: " + *problem);
    return gama;
}

// A command's description starts with its usage lines, which name the one
// input each run needs: CLI11's own usage line cannot say that.
class Help : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App *, std::string) const override { return ""; }
};

constexpr const char *description
    = R"(Usage: kalvenor-cli [--gamma G] INPUT VALUES [--branch B] [--csv] [--decimals N | --exact]

Rayleigh flow, one-dimensional flow with heat addition in a constant-area
duct: every flow state that has the given values of one ratio to the sonic
state, one row per solution, with its branch, M, every ratio and a note
that says why a branch has no solution. INPUT is one of the options below.
)";

constexpr const char *footer = R"(VALUES is one number (2), a comma-separated list (0.5,2,3), an inclusive
range start:stop:step computed as start + i*step (0.1:3:0.1 gives 30 values,
the last exactly 3; ranges go upward), or a list of these. Numbers are
written in full with '.' as the decimal point: 1.4, .5, 2e-3.

Branches: sub and sup are M < 1 and M > 1. T/T* has its two roots either
side of its maximum at M = 1/sqrt(gamma) instead, named low and high; --branch
takes low and high as other names for sub and sup.

Exit status: 0 when every input was solved, 1 when some had no solution
(their rows say why), 2 for a usage error.

Examples, each with the Mach numbers it finds (gamma is 1.4 where not given):
  kalvenor-cli --mach 2
      M 2 (sup): T/T* 0.52893, p/p* 0.36364, rho/rho* 0.6875, V/V* 1.45455,
      T0/T0* 0.79339, p0/p0* 1.5031, (s*-s)/R 1.21758
  kalvenor-cli --gamma 1.4 --T0 0.9
      M 0.68844 (sub) and 1.53684 (sup)
  kalvenor-cli --gamma 1.3 --T 0.8
      M 0.53192 (low) and 1.44614 (high)
  kalvenor-cli --p 1.77778
      M 0.5 (sub)
  kalvenor-cli --rho 0.6875
      M 2 (sup)
  kalvenor-cli --V 0.44444 --decimals 3
      M 0.5 (sub)
  kalvenor-cli --p0 1.3
      sub: "p0/p0* = 1.3 is above 1.2679, the largest a subsonic flow has at gamma = 1.4";
      M 1.78016 (sup); exit status 1
  kalvenor-cli --s 1.21758 --branch sub
      M 0.52473 (sub)
  kalvenor-cli --mach 0.5:3:0.5 --csv > table.csv
      a header row and M 0.5, 1, 1.5, 2, 2.5 and 3 as CSV)";

void addCommonOptions(CLI::App &app, Common &common)
{
    app.add_option("--gamma", common.gamma, "ratio of specific heats, above 1 and at most 1e6 (default 1.4)")
        ->type_name("G");
    app.add_flag("--csv", common.style.csv, "CSV (RFC 4180, LF line ends) in place of the aligned table")
        ->group("Output");
    app.add_option(
           "--decimals", common.style.decimals, "decimals, 0 to 15 (default 5): ties to even, at most 15 digits")
        ->type_name("N")
        ->check(CLI::Range(0, 15).description(""))
        ->group("Output");
    app.add_flag("--exact", common.style.exact, "the shortest text that reads back to the same double")
        ->group("Output");
}

// Reads what CLI11 cannot check: the numbers themselves, and options that
// exclude each other (CLI11's own excludes() would crowd the help).
double readCommon(const CLI::App &app, const Common &common)
{
    if (app.count("--decimals") > 0 && common.style.exact)
        throw UsageError("--decimals and --exact both given: --exact writes every digit");
    return readGamma(common.gamma);
}

// The main command: the values of one ratio to every flow state.
class RatiosCommand {
public:
    void addTo(CLI::App &app)
    {
        for (std::size_t i = 0; i < inputs.size(); ++i)
            app.add_option(inputs[i].option, m_values[i], inputs[i].help)->type_name("VALUES")->group("INPUT, one of");
        app.add_option("--branch", m_branch, "sub, sup or both (default): the branches of inputs with two solutions")
            ->type_name("B")
            ->check(CLI::IsMember({"sub", "sup", "both", "low", "high"}).description(""));
    }

    RatiosRequest request(const CLI::App &app, double gama, std::size_t valueLimit) const
    {
        RatiosRequest request;
        request.gama = gama;
        const Input *given = nullptr;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (app.count(inputs[i].option) == 0)
                continue;
            if (given)
                throw UsageError(
                    std::string(given->option) + " and " + inputs[i].option + " both given: a run takes one input");
            given = &inputs[i];
            request.quantity = given->quantity;
            request.values = ReadValues(given->option, m_values[i], valueLimit);
        }
        if (!given)
            throw UsageError("no input: give one of --mach, --T, --p, --rho, --V, --T0, --p0, --s");
        request.branch = m_branch == "sub" || m_branch == "low" ? flow::BranchChoice::Sub
            : m_branch == "sup" || m_branch == "high"           ? flow::BranchChoice::Sup
                                                                : flow::BranchChoice::Both;
        return request;
    }

private:
    std::array<std::string, inputs.size()> m_values;
    std::string m_branch = "both";
};

int usageError(std::ostream &err, std::string message)
{
    std::replace(message.begin(), message.end(), '\n', ' ');
    err << program << ": " << message << "\nsee " << program << " --help\n";
    return 2;
}

} // namespace

int Run(int argc, const char *const *argv, std::ostream &out, std::ostream &err, std::size_t valueLimit)
{
    CLI::App app(description, program);
    auto help = std::make_shared<Help>();
    help->column_width(24);
    app.formatter(help);
    app.set_help_flag("-h,--help", "print this help and exit");
    app.footer(footer);
    app.set_version_flag("--version", std::string(program) + ' ' + KALVENOR_VERSION, "print the version and exit");
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::Throw);

    RatiosCommand ratios;
    ratios.addTo(app);
    Common common;
    addCommonOptions(app, common);
    // A further command is a subcommand (app.add_subcommand) with its own
    // Common and options, the same formatter, and a branch below on *sub.

    try {
        app.parse(argc, argv);
        const double gama = readCommon(app, common);
        return WriteRatios(ratios.request(app, gama, valueLimit), common.style, out);
    } catch (const CLI::CallForHelp &) {
        out << app.help(); // a subcommand's own help when one was named
        return 0;
    } catch (const CLI::CallForVersion &version) {
        out << version.what() << '\n';
        return 0;
    } catch (const CLI::ParseError &error) {
        return usageError(err, error.what());
    } catch (const UsageError &error) {
        return usageError(err, error.what());
    } catch (const OutputError &error) {
        err << program << ": " << error.what() << '\n';
        return 2;
    }
}

} // namespace cli

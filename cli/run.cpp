#include "cli/run.h"

#include "cli/errors.h"
#include "cli/heat.h"
#include "cli/ratios.h"
#include "cli/shown.h"
#include "cli/values.h"
#include "flow/relations.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <ostream>
#include <string>

namespace cli {
namespace {

constexpr const char *kProgram = "kalvenor-cli";

// "--mach", "--T", ...: one option a quantity.
const std::array<std::string, flow::kQuantities.size()> kInputOptions = [] {
    std::array<std::string, flow::kQuantities.size()> options;
    for (std::size_t i = 0; i < options.size(); ++i)
        options[i] = "--" + std::string(flow::kQuantities[i].option);
    return options;
}();

// The options every table-writing command shares, as given.
struct Common {
    std::string gamma = "1.4";
    bool csv = false;
    std::string decimals = "5";
    bool exact = false;
};

// The option names of Common, which may stand before a subcommand or after.
constexpr std::array<const char *, 4> kCommonOptions {"--gamma", "--csv", "--decimals", "--exact"};

double readGamma(const std::string &text)
{
    const double gamma = readOneNumber("--gamma", text);
    if (const auto problem = flow::gammaProblem(gamma))
        throw UsageError("--gamma: " + *problem);
    return gamma;
}

// A command's description starts with its usage lines, which name the one
// input each run needs: CLI11's own usage line cannot say that.
class Help : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App *, std::string) const override { return ""; }
};

constexpr const char *kDescription
    = R"(Usage: kalvenor-cli [--gamma G] INPUT VALUES [--branch B] [--csv] [--decimals N | --exact]

Rayleigh flow, one-dimensional flow with heat addition in a constant-area
duct: every flow state that has the given values of one ratio to the sonic
state, one row per solution, with its branch, M, every ratio and a note
that says why a branch has no solution. INPUT is one of the options below.
)";

constexpr const char *kFooter = R"(VALUES is one number (2), a comma-separated list (0.5,2,3), an inclusive
range start:stop:step computed as start + i*step (0.1:3:0.1 gives 30 values,
the last exactly 3; ranges go upward), or a list of these. Numbers are
written in full with '.' as the decimal point: 1.4, .5, 2e-3. VALUES
given as - are read from standard input, separated by blanks, commas or
line ends; one option at most reads it.

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
    app.add_flag("--csv", common.csv, "CSV (RFC 4180, LF line ends) in place of the aligned table")->group("Output");
    app.add_option("--decimals", common.decimals,
           "decimals, 0 to 15 (default 5), at most 15 digits: the double correctly rounded,\n"
           "ties to even only at exact binary ties (2.675, stored as 2.67499..., gives 2.67);\n"
           "the window instead scales by 10^5 and rounds half to even")
        ->type_name("N")
        ->group("Output");
    app.add_flag("--exact", common.exact, "the shortest text that reads back to the same double")->group("Output");
}

// A plain decimal count: no sign, base prefix, exponent or blank.
int readDecimals(const std::string &text)
{
    const bool digits
        = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        throw UsageError("--decimals: " + inQuotes(text) + " is not a number");
    const auto first = text.find_first_not_of('0');
    if (first != std::string::npos && (text.size() - first > 2 || std::stoi(text.substr(first)) > 15))
        throw UsageError("--decimals: " + inQuotes(text) + " is out of range: 0 to 15");
    return first == std::string::npos ? 0 : std::stoi(text.substr(first));
}

// The shared options of a run: those of the subcommand when it was named,
// with any given before it on the main command.
struct Settings {
    double gamma;
    TableStyle style;
};

// Reads what CLI11 cannot check: the numbers themselves, and options that
// exclude each other (CLI11's own excludes() would crowd the help).
Settings readCommon(const CLI::App &main, const Common &before, const CLI::App *sub, const Common *after)
{
    Common common = before;
    const auto given = [&](const char *option) { return main.count(option) > 0 || (sub && sub->count(option) > 0); };
    if (sub) {
        for (const char *option : kCommonOptions)
            if (main.count(option) > 0 && sub->count(option) > 0)
                throw UsageError(std::string(option) + " given both before and after " + sub->get_name());
        if (sub->count("--gamma") > 0)
            common.gamma = after->gamma;
        if (sub->count("--decimals") > 0)
            common.decimals = after->decimals;
        common.csv = common.csv || after->csv;
        common.exact = common.exact || after->exact;
    }
    if (given("--decimals") && common.exact)
        throw UsageError("--decimals and --exact both given: --exact writes every digit");
    return {readGamma(common.gamma), TableStyle {common.csv, readDecimals(common.decimals), common.exact}};
}

// The main command: the values of one ratio to every flow state.
class RatiosCommand {
public:
    void addTo(CLI::App &app)
    {
        for (std::size_t i = 0; i < kInputOptions.size(); ++i)
            app.add_option(kInputOptions[i], m_values[i], std::string(flow::kQuantities[i].description))
                ->type_name("VALUES")
                ->group("INPUT, one of");
        std::map<std::string, flow::BranchChoice> branches;
        for (const auto &[name, choice] : flow::kBranchChoices)
            branches.emplace(name, choice);
        app.add_option("--branch", m_branch, "sub, sup or both (default): the branches of inputs with two solutions")
            ->type_name("B")
            ->transform(CLI::CheckedTransformer(branches).description(""))
            // Runs first, as transforms run last added first: CLI11's own
            // message would show the mapped values, and it takes them as
            // input too.
            ->transform(CLI::Validator(
                [branches](const std::string &name) {
                    std::string names;
                    for (const auto &branch : branches)
                        names += (names.empty() ? "" : ", ") + branch.first;
                    return branches.contains(name) ? "" : escaped(cut(name)) + " is not one of " + names;
                },
                ""));
    }

    RatiosRequest request(const CLI::App &app, double gamma, ValueReader &read) const
    {
        RatiosRequest request;
        request.gamma = gamma;
        const std::string *given = nullptr;
        for (std::size_t i = 0; i < kInputOptions.size(); ++i) {
            if (app.count(kInputOptions[i]) == 0)
                continue;
            if (given)
                throw UsageError(*given + " and " + kInputOptions[i] + " both given: a run takes one input");
            given = &kInputOptions[i];
            request.quantity = flow::kQuantities[i].quantity;
            request.values = read(*given, m_values[i]);
        }
        if (!given) {
            std::string options;
            for (const std::string &option : kInputOptions)
                options += (options.empty() ? "" : ", ") + option;
            throw UsageError("no input: give one of " + options);
        }
        request.branch = m_branch;
        return request;
    }

    // Refuses this command's inputs on a run of another command.
    static void refuseOn(const CLI::App &app, const CLI::App &other)
    {
        for (const std::string &option : kInputOptions)
            if (app.count(option) > 0)
                throw UsageError(option + " is an input of the main command, not of " + other.get_name()
                    + ", which takes --mach1 and a heat");
        if (app.count("--branch") > 0)
            throw UsageError(
                "--branch is an option of the main command, not of " + other.get_name() + ": M2 keeps M1's branch");
    }

private:
    std::array<std::string, kInputOptions.size()> m_values;
    flow::BranchChoice m_branch = flow::BranchChoice::Both;
};

constexpr const char *kHeatDescription
    = R"(Usage: kalvenor-cli heat [--gamma G] --mach1 VALUES (--T0-ratio VALUES | --q-ratio VALUES)
                        [--T01 K [--p1 PA] [--cp CP]] [--csv] [--decimals N | --exact]

Heat added to (or, negative, taken from) a gas between two stations of a
constant-area duct: for each inlet Mach number M1 and each heat, the exit
Mach number M2 on the inlet's branch, the exit-to-inlet ratios, the entropy
change, and the heat q* that chokes the duct. One row per pair.
)";

constexpr const char *kHeatFooter = R"(The heat is T02/T01, or q/(cp*T01) = T02/T01 - 1. With --T01 the table
adds T1, T2 and T02 in K, p2 and p02 in Pa when --p1 is given, and q and q*
in J/kg. VALUES and the exit status are as for the main command, whose
--gamma, --csv, --decimals and --exact may also stand before heat.

Example: a combustor at M1 = 0.3 that raises T0 by half,
  kalvenor-cli heat --mach1 0.3 --T0-ratio 1.5 --T01 300 --p1 1e5
      M2 0.39505; p2/p1 0.9241, T2/T1 1.48078, rho2/rho1 0.62406,
      V2/V1 1.60241, p02/p01 0.96676, (s2-s1)/R 1.45293; q*/(cp*T01) 1.883;
      T1 294.69548 K, T2 436.3795 K, T02 450 K, p2 92409.63621 Pa,
      p02 102904.85894 Pa, q 150750 J/kg, q* 567725.72855 J/kg
  kalvenor-cli heat --mach1 0.3 --T0-ratio 3
      "the duct chokes: at M1 = 0.3 and gamma = 1.4 at most q/(cp*T01) =
      1.883 can be added; more heat changes the inlet flow"; exit status 1)";

// The heat command: the exit state for an inlet and the heat added.
class HeatCommand {
public:
    void addTo(CLI::App &app)
    {
        app.add_option("--mach1", m_mach1, "inlet Mach numbers M1")->type_name("VALUES");
        app.add_option("--T0-ratio", m_t0, "T02/T01, exit to inlet stagnation temperature")->type_name("VALUES");
        app.add_option("--q-ratio", m_q, "q/(cp*T01) = T02/T01 - 1, negative for cooling")->type_name("VALUES");
        app.add_option("--T01", m_T01, "inlet stagnation temperature in K: adds absolute values")->type_name("K");
        app.add_option("--p1", m_p1, "inlet static pressure in Pa, with --T01")->type_name("PA");
        app.add_option("--cp", m_cp, "specific heat in J/(kg K), with --T01 (default 1005)")->type_name("CP");
    }

    HeatRequest request(const CLI::App &app, double gamma, ValueReader &read, std::size_t valueLimit) const
    {
        HeatRequest request;
        request.gamma = gamma;
        if (app.count("--mach1") == 0)
            throw UsageError("no --mach1: give the inlet Mach numbers");
        const bool t0 = app.count("--T0-ratio") > 0;
        const bool q = app.count("--q-ratio") > 0;
        if (t0 == q)
            throw UsageError(t0 ? "--T0-ratio and --q-ratio both given: the heat is one or the other"
                                : "no heat: give --T0-ratio or --q-ratio");
        request.mach1 = read("--mach1", m_mach1);
        request.given = t0 ? flow::HeatGiven::T0Ratio : flow::HeatGiven::QRatio;
        request.heat = read(t0 ? "--T0-ratio" : "--q-ratio", t0 ? m_t0 : m_q);
        const std::string tooMany = "more than " + std::to_string(valueLimit) + " pairs of --mach1 and heat";
        if (request.mach1.known() && request.heat.known()) {
            if (request.mach1.size() > valueLimit / request.heat.size())
                throw UsageError(tooMany);
        } else if (request.mach1.known()) {
            request.heat.limit(valueLimit / request.mach1.size(), tooMany);
        } else {
            request.mach1.limit(valueLimit / request.heat.size(), tooMany);
        }
        if (app.count("--T01") > 0)
            request.T01 = positive("--T01", m_T01);
        if (app.count("--p1") > 0)
            request.p1 = positive("--p1", m_p1);
        if (app.count("--cp") > 0)
            request.cp = positive("--cp", m_cp);
        if (!request.T01 && (request.p1 || app.count("--cp") > 0))
            throw UsageError("--p1 and --cp need --T01");
        return request;
    }

private:
    static double positive(const char *option, const std::string &text)
    {
        const double value = readOneNumber(option, text);
        if (!(value > 0))
            throw UsageError(std::string(option) + ": must be above 0, not " + text);
        return value;
    }

    std::string m_mach1, m_t0, m_q, m_T01, m_p1, m_cp;
};

// The see-line names the help of the command that was run.
int usageError(std::ostream &err, std::string message, const CLI::App *sub)
{
    std::replace(message.begin(), message.end(), '\n', ' ');
    err << kProgram << ": " << escaped(message) << "\nsee " << kProgram << (sub ? " " + sub->get_name() : "")
        << " --help\n";
    return 2;
}

// The options that take VALUES, which a second list would silently replace.
constexpr std::array<const char *, 3> kHeatValues {"--mach1", "--T0-ratio", "--q-ratio"};

bool takesValues(const std::string &option)
{
    return std::find(kInputOptions.begin(), kInputOptions.end(), option) != kInputOptions.end()
        || std::find(kHeatValues.begin(), kHeatValues.end(), option) != kHeatValues.end();
}

// An option given more than once: CLI11 would keep one silently.
void refuseRepeats(const CLI::App &app)
{
    for (const CLI::Option *option : app.get_options()) {
        const std::size_t count = option->count();
        if (count < 2 || option->get_type_size() == 0) // a flag may repeat
            continue;
        const std::string name = option->get_name();
        std::string message = name + " given ";
        message += count == 2 ? "twice" : std::to_string(count) + " times";
        message += takesValues(name) ? ": give one list, as " + name + " 1,2" : std::string(": give it once");
        throw UsageError(message);
    }
}

// What CLI11 left over: an option it does not know, one of the other
// command, or a value without its option.
void refuseExtras(const CLI::App &app, const CLI::App &heat)
{
    const std::vector<std::string> extras = app.remaining(true);
    if (extras.empty())
        return;
    const std::string &first = extras.front();
    if (first.starts_with("-") && first.size() > 1 && !(first[1] >= '0' && first[1] <= '9') && first[1] != '.') {
        const std::string name = first.substr(0, first.find('='));
        if (heat.get_option_no_throw(name))
            throw UsageError(name + " is an option of heat: give it after heat, as kalvenor-cli heat " + name + " …");
        throw UsageError("there is no option " + inQuotes(name));
    }
    throw UsageError(inQuotes(first)
        + " stands where no option takes it: each option takes one argument, and a list is one argument with commas, "
          "as "
        + (heat.parsed() ? "--mach1" : "--mach") + " 1,2");
}

// CLI11's messages for an option without its argument or a switch given
// one, in our words.
std::string ourWords(const CLI::ParseError &error)
{
    std::string what = error.what(); // not const: returned as it is, it moves
    const auto colon = what.find(": ");
    if (dynamic_cast<const CLI::ArgumentMismatch *>(&error) && colon != std::string::npos
        && what.ends_with(" missing")) {
        const std::string option = what.substr(0, colon);
        return option + (takesValues(option) ? " needs its VALUES, as in " + option + " 1,2" : " needs a value");
    }
    constexpr std::string_view conversion = "Could not convert: ";
    const auto equals = what.find(" = ");
    if (dynamic_cast<const CLI::ConversionError *>(&error) && what.starts_with(conversion)
        && equals != std::string::npos) {
        const std::string option = what.substr(conversion.size(), equals - conversion.size());
        return option + " takes no value, not " + inQuotes(what.substr(equals + 3)) + ": give it alone";
    }
    return what;
}

// Help and the version are output like a table: one that cannot be
// written is a failure.
int writeText(std::ostream &out, std::ostream &err, const std::string &text)
{
    errno = 0;
    out << text;
    out.flush();
    if (out)
        return 0;
    err << kProgram << ": " << OutputError(errno).what() << '\n';
    return 2;
}

} // namespace

int run(
    int argc, const char *const *argv, std::istream &in, std::ostream &out, std::ostream &err, std::size_t valueLimit)
{
    CLI::App app(kDescription, kProgram);
    auto help = std::make_shared<Help>();
    help->column_width(24);
    app.formatter(help);
    app.set_help_flag("-h,--help", "print this help and exit");
    app.footer(kFooter);
    app.set_version_flag("--version", std::string(kProgram) + ' ' + KALVENOR_VERSION, "print the version and exit");
    // Repeats and leftovers are refused in our words, after the parse.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.allow_extras();

    RatiosCommand ratios;
    ratios.addTo(app);
    Common common;
    addCommonOptions(app, common);
    CLI::App *heatApp = app.add_subcommand("heat", kHeatDescription);
    // The main command's options after heat reach it, to be refused there
    // as they are before it.
    heatApp->fallthrough();
    heatApp->formatter(help);
    heatApp->footer(kHeatFooter);
    heatApp->set_help_flag("-h,--help", "print this help and exit");
    HeatCommand heat;
    heat.addTo(*heatApp);
    Common heatCommon;
    addCommonOptions(*heatApp, heatCommon);

    ValueReader read(in, err, valueLimit);
    try {
        app.parse(argc, argv);
        if (heatApp->count() > 1)
            throw UsageError("heat given twice: a run takes one command");
        refuseRepeats(app);
        refuseRepeats(*heatApp);
        if (*heatApp)
            RatiosCommand::refuseOn(app, *heatApp);
        refuseExtras(app, *heatApp);
        if (*heatApp) {
            const Settings settings = readCommon(app, common, heatApp, &heatCommon);
            HeatRequest request = heat.request(*heatApp, settings.gamma, read, valueLimit);
            return writeHeat(request, settings.style, out);
        }
        const Settings settings = readCommon(app, common, nullptr, nullptr);
        RatiosRequest request = ratios.request(app, settings.gamma, read);
        return writeRatios(request, settings.style, out);
    } catch (const CLI::CallForHelp &) {
        return writeText(out, err, app.help()); // a subcommand's own help when one was named
    } catch (const CLI::CallForVersion &version) {
        return writeText(out, err, version.what() + std::string("\n"));
    } catch (const CLI::ParseError &error) {
        return usageError(err, ourWords(error), heatApp->parsed() ? heatApp : nullptr);
    } catch (const UsageError &error) {
        return usageError(err, error.what(), heatApp->parsed() ? heatApp : nullptr);
    } catch (const InputError &error) {
        err << kProgram << ": " << escaped(error.what()) << '\n';
        return 2;
    } catch (const OutputError &error) {
        err << kProgram << ": " << error.what() << '\n';
        return 2;
    }
}

} // namespace cli

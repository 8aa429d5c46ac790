#include "flow/window/number_text.h"
#include "flow/window/rayleigh.h"
#include "ui/look.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

ui::MainWindow *g_window = nullptr;
int g_messages = 0;

// Inputs pass through DoNotOptimize so that no call is folded at compile time.
template<typename Call> void twoDoubles(benchmark::State &state, Call call, double a, double b)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(call(a, b));
    }
}

// The p0/p0* power at gama 1.4, M 2.
void StdPow(benchmark::State &state)
{
    twoDoubles(
        state, [](double base, double exponent) { return std::pow(base, exponent); }, 1.5, 3.5);
}
BENCHMARK(StdPow);

void RatiosFromMach(benchmark::State &state)
{
    twoDoubles(
        state, [](double gama, double M) { return flow::RatiosFromMach(gama, M); }, 1.4, 2.0);
}
BENCHMARK(RatiosFromMach);

void MachFromToToStar(benchmark::State &state)
{
    twoDoubles(
        state, [](double gama, double t) { return flow::MachFromToToStar(gama, t); }, 1.4, 0.8);
}
BENCHMARK(MachFromToToStar);

void ParseNumber(benchmark::State &state, std::string text)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(flow::ParseNumber(text));
    }
}
BENCHMARK_CAPTURE(ParseNumber, gama, std::string("1.4"));
BENCHMARK_CAPTURE(ParseNumber, digits16, std::string("0.4897959183673469"));
BENCHMARK_CAPTURE(ParseNumber, exponent, std::string("-2.5D-3"));
BENCHMARK_CAPTURE(ParseNumber, hex, std::string("&HFFFF"));

// Long inputs of three shapes: digits, blanks, and a radix number.
std::string longText(char shape, std::size_t length)
{
    switch (shape) {
    case 'm': { // a mantissa of many digits
        std::string text = "1.";
        while (text.size() < length)
            text += static_cast<char>('0' + text.size() % 10);
        return text;
    }
    case 'b': // blanks before a short number
        return std::string(length - 3, ' ') + "1.4";
    default: // leading zeros of a hexadecimal number
        return "&H" + std::string(length - 4, '0') + "FF";
    }
}

void ParseNumberLong(benchmark::State &state, char shape)
{
    const auto length = static_cast<std::size_t>(state.range(0));
    const std::string text = longText(shape, length);
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(flow::ParseNumber(text));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}
BENCHMARK_CAPTURE(ParseNumberLong, digits, 'm')->RangeMultiplier(8)->Range(1 << 10, 1 << 20)->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(ParseNumberLong, blanks, 'b')->RangeMultiplier(8)->Range(1 << 10, 1 << 20)->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(ParseNumberLong, hex, 'h')->RangeMultiplier(8)->Range(1 << 10, 1 << 20)->Complexity(benchmark::oN);

void FormatResult(benchmark::State &state, double value)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(flow::FormatResult(value, "."));
    }
}
BENCHMARK_CAPTURE(FormatResult, ratio, 0.528925619834711);
BENCHMARK_CAPTURE(FormatResult, large, 123456789012.345678);
BENCHMARK_CAPTURE(FormatResult, exponent, 1.5e15);

// The window's handlers, as a click runs them.
void prepare(QRadioButton *mode, QLineEdit *box, const char *value)
{
    mode->click();
    box->setText(QString::fromLatin1(value));
    QCoreApplication::processEvents();
    g_messages = 0;
}

void finish(benchmark::State &state)
{
    if (g_messages != 0)
        state.SkipWithError("the window showed a message");
}

void CalculateMachMode(benchmark::State &state)
{
    ui::MainWindow &w = *g_window;
    prepare(w.Option_M, w.Text_M, "2");
    for (auto _ : state)
        w.Command1_Click();
    finish(state);
}
BENCHMARK(CalculateMachMode)->Unit(benchmark::kMicrosecond);

// The same with the repaint it asks for, as the user waits for it.
void CalculateMachModeRepainted(benchmark::State &state)
{
    ui::MainWindow &w = *g_window;
    prepare(w.Option_M, w.Text_M, "2");
    for (auto _ : state) {
        w.Command1_Click();
        QCoreApplication::processEvents();
    }
    finish(state);
}
BENCHMARK(CalculateMachModeRepainted)->Unit(benchmark::kMicrosecond);

void CalculateToToStarMode(benchmark::State &state)
{
    ui::MainWindow &w = *g_window;
    prepare(w.Option_ToToStar, w.Text_ToToStar, "0.8");
    for (auto _ : state)
        w.Command1_Click();
    finish(state);
}
BENCHMARK(CalculateToToStarMode)->Unit(benchmark::kMicrosecond);

void ChartClick(benchmark::State &state)
{
    ui::MainWindow &w = *g_window;
    g_messages = 0;
    for (auto _ : state)
        w.Picture1_Click();
    finish(state);
}
BENCHMARK(ChartClick)->Unit(benchmark::kMicrosecond);

// Keeps every run for the goal summary after the table. With repetitions
// the table shows, and the goals use, the median of each case.
class Recorder : public benchmark::ConsoleReporter {
public:
    explicit Recorder(OutputOptions options) : ConsoleReporter(options) { }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        std::vector<Run> shown;
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type == Run::RT_Iteration || run.aggregate_name == "median"
                || run.report_big_o || run.report_rms)
                shown.push_back(run);
            if (!run.error_occurred)
                m_runs.push_back(run);
        }
        if (!runs.empty() && runs.front().repetitions > 1)
            std::erase_if(
                shown, [](const Run &run) { return run.run_type == Run::RT_Iteration && !run.error_occurred; });
        ConsoleReporter::ReportRuns(shown);
    }

    // Real time per iteration in nanoseconds; negative when not measured.
    double ns(const std::string &name) const
    {
        const Run *found = nullptr;
        for (const Run &run : m_runs) {
            if (run.run_name.str() != name)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                found = &run;
            else if (run.run_type == Run::RT_Iteration && !found)
                found = &run;
        }
        return found ? found->GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(found->time_unit) * 1e9 : -1;
    }

    double rms(const std::string &family) const
    {
        for (const Run &run : m_runs)
            if (run.report_rms && run.run_name.function_name == family)
                return run.GetAdjustedRealTime();
        return -1;
    }

private:
    std::vector<Run> m_runs;
};

bool goal(const char *what, double measured, const char *unit, double limit)
{
    if (measured < 0) {
        std::printf("  %-52s %17s (goal <= %g)\n", what, "not measured", limit);
        return true;
    }
    const bool met = measured <= limit;
    std::printf("  %-52s %10.3f %-6s (goal <= %g)  %s\n", what, measured, unit, limit, met ? "met" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::setUpApplication();
    ui::MainWindow window;
    window.setMessageSink([](const QString &) { ++g_messages; });
    window.show();
    QCoreApplication::processEvents();
    g_window = &window;

    Recorder recorder(
        isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();

    // Linear means the cost per byte stays put from 1 KiB to 1 MiB.
    const auto perByteGrowth = [&recorder](const char *shape) {
        const std::string name = std::string("ParseNumberLong/") + shape;
        const double small = recorder.ns(name + "/1024"), large = recorder.ns(name + "/1048576");
        return small > 0 && large > 0 ? (large / 1048576) / (small / 1024) : -1;
    };
    const double pow = recorder.ns("StdPow");
    const double ratios = recorder.ns("RatiosFromMach");

    std::printf("\nGoals (same run, real time):\n");
    bool all = true;
    all &= goal("RatiosFromMach / one std::pow", pow > 0 && ratios > 0 ? ratios / pow : -1, "x", 3.0);
    const double calculate = recorder.ns("CalculateMachMode");
    all &= goal("calculate action, M mode (Command1_Click)", calculate > 0 ? calculate / 1e6 : -1, "ms", 1.0);
    for (const char *shape : {"digits", "blanks", "hex"}) {
        const std::string what = std::string("ParseNumber ") + shape + ": ns/byte at 1 MiB / at 1 KiB";
        all &= goal(what.c_str(), perByteGrowth(shape), "x", 1.5);
    }
    for (const char *shape : {"digits", "blanks", "hex"}) {
        const double rms = recorder.rms(std::string("ParseNumberLong/") + shape);
        if (rms >= 0)
            std::printf("  ParseNumber %s: fit to O(N) leaves %.0f%% RMS\n", shape, 100 * rms);
    }
    return all ? 0 : 2; // 1 stays for a failure to run
}

// The command line's speed against its floors, measured in one run: the
// table against writing the same numbers with std::to_chars alone, the
// program's start against a hello world, an inverse against a forward step.
#include "cli/values.h"
#include "flow/relations.h"

#include "bench/goals.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr const char *tableValues = "0.001:1000:0.001";

// Runs a program to its exit with its output thrown away; returns the CPU
// time it took (user and system), or a negative time when it failed.
double spawn(std::vector<const char *> argv)
{
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char *const *>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage {};
    if (failed != 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    const auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + 1e-6 * t.tv_usec; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The machine is shared: the time that counts is the program's own CPU
// time; the wall time is kept beside it as a counter.
void run(benchmark::State &state, std::vector<const char *> argv)
{
    double wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = spawn(argv);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (cpu < 0) {
            state.SkipWithError("the program failed");
            break;
        }
        state.SetIterationTime(cpu);
    }
    state.counters["wall"] = benchmark::Counter(wall, benchmark::Counter::kAvgIterations);
}

void CliTable(benchmark::State &state) { run(state, {KALVENOR_CLI, "--mach", tableValues, "--csv"}); }
BENCHMARK(CliTable)->Unit(benchmark::kMillisecond)->UseManualTime();

// The heat process on a 1,000-row sweep of the heat, against the same
// number of rows of the plain Mach table.
void HeatSweep(benchmark::State &state)
{
    run(state, {KALVENOR_CLI, "heat", "--mach1", "0.3", "--q-ratio", "0.001:1:0.001", "--csv"});
}
BENCHMARK(HeatSweep)->Unit(benchmark::kMillisecond)->UseManualTime();

void MachRows(benchmark::State &state) { run(state, {KALVENOR_CLI, "--mach", "0.001:1:0.001", "--csv"}); }
BENCHMARK(MachRows)->Unit(benchmark::kMillisecond)->UseManualTime();

// The same sweep with the stations' absolute values: one solve per row
// gives both.
void HeatSweepStations(benchmark::State &state)
{
    run(state,
        {KALVENOR_CLI, "heat", "--mach1", "0.3", "--q-ratio", "0.001:1:0.001", "--T01", "300", "--p1", "1e5", "--csv"});
}
BENCHMARK(HeatSweepStations)->Unit(benchmark::kMillisecond)->UseManualTime();

// The supersonic inverse of 19,901 values, aligned and as CSV: an aligned table keeps
// what it measured instead of solving every row again.
void AlignedInverse(benchmark::State &state) { run(state, {KALVENOR_CLI, "--p0", "1.01:3:0.0001", "--branch", "sup"}); }
BENCHMARK(AlignedInverse)->Unit(benchmark::kMillisecond)->UseManualTime();

void CsvInverse(benchmark::State &state)
{
    run(state, {KALVENOR_CLI, "--p0", "1.01:3:0.0001", "--branch", "sup", "--csv"});
}
BENCHMARK(CsvInverse)->Unit(benchmark::kMillisecond)->UseManualTime();

// Inverse tables against forward tables of as many rows: a closed-form
// inverse (T0, 94,001 values) and the two found by Newton steps.
void CsvInverseT0(benchmark::State &state)
{
    run(state, {KALVENOR_CLI, "--T0", "0.05:0.99:0.00001", "--branch", "sub", "--csv"});
}
BENCHMARK(CsvInverseT0)->Unit(benchmark::kMillisecond)->UseManualTime();

void MachRowsT0(benchmark::State &state) { run(state, {KALVENOR_CLI, "--mach", "0.01:0.95:0.00001", "--csv"}); }
BENCHMARK(MachRowsT0)->Unit(benchmark::kMillisecond)->UseManualTime();

void CsvInverseS(benchmark::State &state)
{
    run(state, {KALVENOR_CLI, "--s", "0.0001:1.9901:0.0001", "--branch", "sup", "--csv"});
}
BENCHMARK(CsvInverseS)->Unit(benchmark::kMillisecond)->UseManualTime();

void MachRowsP0(benchmark::State &state) { run(state, {KALVENOR_CLI, "--mach", "1.0001:2.9901:0.0001", "--csv"}); }
BENCHMARK(MachRowsP0)->Unit(benchmark::kMillisecond)->UseManualTime();

// The same rows' numbers, worked out beforehand, each written by
// std::to_chars to five decimals with the commas and line ends between them.
void ToCharsFloor(benchmark::State &state)
{
    std::vector<double> numbers;
    for (const cli::Range &range : cli::readValues("--mach", tableValues, 1'000'000)) {
        for (std::size_t i = 0; i < range.count; ++i) {
            const flow::Solution solution = flow::fromMach(1.4, range[i]);
            for (flow::Quantity q : flow::kAllQuantities)
                numbers.push_back(solution.state ? (*solution.state)[q] : 0.0);
        }
    }
    std::FILE *null = std::fopen("/dev/null", "wb");
    constexpr std::size_t size = 1 << 16;
    const auto buffer = std::make_unique<char[]>(size);
    for (auto _ : state) {
        char *end = buffer.get();
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            if (buffer.get() + size - end < 64) {
                std::fwrite(buffer.get(), 1, static_cast<std::size_t>(end - buffer.get()), null);
                end = buffer.get();
            }
            end = std::to_chars(end, end + 63, numbers[i], std::chars_format::fixed, 5).ptr;
            *end++ = (i + 1) % flow::kAllQuantities.size() == 0 ? '\n' : ',';
        }
        std::fwrite(buffer.get(), 1, static_cast<std::size_t>(end - buffer.get()), null);
    }
    std::fclose(null);
}
BENCHMARK(ToCharsFloor)->Unit(benchmark::kMillisecond);

void StartCli(benchmark::State &state) { run(state, {KALVENOR_CLI, "--mach", "2"}); }
BENCHMARK(StartCli)->Unit(benchmark::kMicrosecond)->UseManualTime();

void StartHelloWorld(benchmark::State &state) { run(state, {HELLO_WORLD}); }
BENCHMARK(StartHelloWorld)->Unit(benchmark::kMicrosecond)->UseManualTime();

// Inputs pass through DoNotOptimize so that no call is folded at compile time.
void SolveP0(benchmark::State &state)
{
    double gamma = 1.4, p0 = 1.5031;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gamma);
        benchmark::DoNotOptimize(p0);
        benchmark::DoNotOptimize(flow::solve(gamma, flow::Quantity::p0, p0, flow::BranchChoice::Sup));
    }
}
BENCHMARK(SolveP0);

void SolveS(benchmark::State &state)
{
    double gamma = 1.4, entropy = 1.2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gamma);
        benchmark::DoNotOptimize(entropy);
        benchmark::DoNotOptimize(flow::solve(gamma, flow::Quantity::s, entropy, flow::BranchChoice::Sub));
    }
}
BENCHMARK(SolveS);

void FromMach(benchmark::State &state)
{
    double gamma = 1.4, M = 2.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gamma);
        benchmark::DoNotOptimize(M);
        benchmark::DoNotOptimize(flow::fromMach(gamma, M));
    }
}
BENCHMARK(FromMach);

} // namespace

int main(int argc, char **argv)
{
    bench::Recorder recorder;
    if (!bench::runAll(argc, argv, recorder))
        return 1;

    std::printf("\nGoals (same run, medians of CPU time, the spawned program's own where one is spawned):\n");
    bool all = true;
    all &= bench::goal("1,000,000-row --csv table / its numbers by to_chars", recorder.times("CliTable"),
        recorder.times("ToCharsFloor"), 1.25);
    all &= bench::goal("kalvenor-cli --mach 2, start to exit / hello world", recorder.times("StartCli"),
        recorder.times("StartHelloWorld"), 2.0);
    all &= bench::goal("one inverse from p0/p0* / one forward (FromMach)", recorder.times("SolveP0"),
        recorder.times("FromMach"), 10.0);
    all &= bench::goal("one inverse from (s*-s)/R / one forward (FromMach)", recorder.times("SolveS"),
        recorder.times("FromMach"), 10.0);
    all &= bench::goal("--T0 over 94,001 values as CSV / as many rows of --mach", recorder.times("CsvInverseT0"),
        recorder.times("MachRowsT0"), 1.5);
    all &= bench::goal("--p0 over 19,901 values as CSV / as many rows of --mach", recorder.times("CsvInverse"),
        recorder.times("MachRowsP0"), 10.0);
    all &= bench::goal("--s over 19,901 values as CSV / as many rows of --mach", recorder.times("CsvInverseS"),
        recorder.times("MachRowsP0"), 10.0);
    all &= bench::goal(
        "heat on 1,000 rows / 1,000 rows of --mach", recorder.times("HeatSweep"), recorder.times("MachRows"), 3.0);
    all &= bench::goal(
        "heat with --T01 --p1 / heat without", recorder.times("HeatSweepStations"), recorder.times("HeatSweep"), 1.25);
    all &= bench::goal("--p0 over 19,901 values aligned / as CSV", recorder.times("AlignedInverse"),
        recorder.times("CsvInverse"), 1.25);
    return all ? 0 : 2; // 1 stays for a failure to run
}

#pragma once

// Goals as ratios of medians measured in one run of a benchmark program.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace bench {

// Shows and keeps the median of each case for the goals after the table.
class Recorder : public benchmark::ConsoleReporter {
public:
    // Colours on a terminal, a plain table into a pipe.
    Recorder() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) { }

    struct Times {
        double cpu; // the spawned program's for spawned cases, in ns
        double wall;
    };

    void ReportRuns(const std::vector<Run> &runs) override
    {
        std::vector<Run> shown;
        for (const Run &run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred || median || single)
                shown.push_back(run);
            if (run.error_occurred || !(median || single))
                continue;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const bool manual = run.run_name.time_type == "manual_time";
            const auto wall = run.counters.find("wall");
            m_times.emplace_back(run.run_name.function_name,
                Times {(manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime()) / unit * 1e9,
                    wall != run.counters.end() ? wall->second.value * 1e9 : run.GetAdjustedRealTime() / unit * 1e9});
        }
        ConsoleReporter::ReportRuns(shown);
    }

    // Nanoseconds per iteration; negative when not measured.
    Times times(const std::string &name) const
    {
        for (const auto &[run, times] : m_times)
            if (run == name)
                return times;
        return {-1, -1};
    }

private:
    std::vector<std::pair<std::string, Times>> m_times;
};

// Runs the registered benchmarks with the program's options; false for an
// option it does not know.
inline bool runAll(int argc, char **argv, Recorder &recorder)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return false;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    return true;
}

inline bool goal(const char *what, Recorder::Times measured, Recorder::Times floor, double limit)
{
    if (measured.cpu < 0 || floor.cpu <= 0) {
        std::printf("  %-52s %12s (goal <= %g)\n", what, "not measured", limit);
        return true;
    }
    const double ratio = measured.cpu / floor.cpu;
    const bool met = ratio <= limit;
    std::printf("  %-52s %8.2fx (goal <= %g)  %-6s  wall time %.2fx\n", what, ratio, limit, met ? "met" : "MISSED",
        measured.wall / floor.wall);
    return met;
}

} // namespace bench

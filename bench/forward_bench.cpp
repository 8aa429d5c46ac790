// The forward kernel against the seven ratios as plain double closed forms,
// each instruction set forced in turn, on one set of inputs.

#include "bench/closed_forms.h"
#include "bench/goals.h"
#include "flow/forward.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// 1e6 Mach numbers log-uniform over [1e-3, 1e3], then 1e5 over [0.9, 1.1].
const std::vector<double> &machs()
{
    static const std::vector<double> m = [] {
        std::mt19937_64 random(20261209);
        std::uniform_real_distribution<double> exponent(-3, 3), near(0.9, 1.1);
        std::vector<double> v;
        for (int i = 0; i < 1'000'000; ++i)
            v.push_back(std::pow(10.0, exponent(random)));
        for (int i = 0; i < 100'000; ++i)
            v.push_back(near(random));
        return v;
    }();
    return m;
}

using bench::Out;

constexpr double kGamma = 1.4;

void ClosedForms(benchmark::State &state)
{
    const std::vector<double> &M = machs();
    Out out(M.size());
    const bench::ClosedForms forms(kGamma);
    for (auto _ : state) {
        for (std::size_t i = 0; i < M.size(); ++i) {
            forms.at(M[i] * M[i], out, i);
        }
        benchmark::DoNotOptimize(out.s.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ClosedForms)->Unit(benchmark::kMillisecond);

void Kernel(benchmark::State &state, std::int64_t target)
{
    flow::forward::forceTarget(target);
    const std::vector<double> &M = machs();
    Out out(M.size());
    std::vector<std::size_t> rest;
    const double g = kGamma;
    for (auto _ : state) {
        rest.clear();
        flow::forward::ratios(M.data(), &g, false, M.size(), out.columns(), rest);
        benchmark::DoNotOptimize(out.s.data());
        benchmark::ClobberMemory();
    }
    state.counters["left"] = static_cast<double>(rest.size());
    flow::forward::forceTarget(0);
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::int64_t> targets = flow::forward::targets();
    for (std::int64_t target : targets)
        benchmark::RegisterBenchmark(
            (std::string("Kernel/") + flow::forward::targetName(target)).c_str(), Kernel, target)
            ->Unit(benchmark::kMillisecond);
    bench::Recorder recorder;
    if (!bench::runAll(argc, argv, recorder))
        return 1;

    std::printf("\nLeft to the exact path, of %zu M:", machs().size());
    for (const double gamma : {1.4, 1e6}) {
        Out out(machs().size());
        std::vector<std::size_t> rest;
        flow::forward::ratios(machs().data(), &gamma, false, machs().size(), out.columns(), rest);
        std::printf(" %zu at gamma %g;", rest.size(), gamma);
    }
    std::printf("\n\nGoals (same run, medians of CPU time; 1.1e6 M at gamma 1.4):\n");
    bool all = true;
    const auto closed = recorder.times("ClosedForms");
    for (std::int64_t target : targets) {
        const std::string name = flow::forward::targetName(target);
        const double limit = name == "AVX2" ? 1.6 : name == "AVX3" || name == "AVX3_DL" ? 1.2 : 1e9;
        const std::string what = "kernel, " + name + " forced / plain double closed forms";
        if (limit < 1e9)
            all &= bench::goal(what.c_str(), recorder.times("Kernel/" + name), closed, limit);
        else
            bench::goal(what.c_str(), recorder.times("Kernel/" + name), closed, limit);
    }
    return all ? 0 : 2;
}

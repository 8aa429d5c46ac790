// The inverse kernel against the same inverse as plain double closed forms,
// with the seven ratios at the M found, each instruction set forced in turn;
// and p0 and s, which have no closed form, per value against the forward
// kernel per M.

#include "bench/closed_forms.h"
#include "bench/goals.h"
#include "flow/forward.h"
#include "flow/inverse.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kGamma = 1.4;
constexpr std::size_t kCount = 100'000;
const char *const kNames[7] = {"T", "p", "rho", "V", "T0", "p0", "s"};

// M log-uniform over [1e-3, 1e3], on the subsonic branch for T (below
// 1/sqrt(gamma)) and for T0, p0 and s (below 1).
const std::vector<double> &machs(int k)
{
    static std::vector<double> m[7];
    if (m[k].empty()) {
        std::mt19937_64 random(20261209 + k);
        const double top = k == 0 ? 1 / std::sqrt(kGamma) : k >= 4 ? 1.0 : 1e3;
        std::uniform_real_distribution<double> exponent(-3, std::log10(top));
        for (std::size_t i = 0; i < kCount; ++i)
            m[k].push_back(std::pow(10.0, exponent(random)));
    }
    return m[k];
}

using bench::Out;

// Ratio k at each M, as values to invert.
const std::vector<double> &values(int k)
{
    static std::vector<double> v[7];
    if (v[k].empty()) {
        const std::vector<double> &M = machs(k);
        Out out(M.size());
        std::vector<std::size_t> rest;
        flow::forward::ratios(M.data(), &kGamma, false, M.size(), out.columns(), rest);
        const std::vector<double> *columns[7] = {&out.T, &out.p, &out.rho, &out.V, &out.T0, &out.p0, &out.s};
        v[k] = *columns[k];
    }
    return v[k];
}

// As a user of numpy writes it: the closed-form root, then the seven ratios
// at it.
void Plain(benchmark::State &state, int k)
{
    const std::vector<double> &value = values(k);
    Out out(value.size());
    const bench::ClosedForms forms(kGamma);
    const double g = forms.g, a = forms.a;
    for (auto _ : state) {
        for (std::size_t i = 0; i < value.size(); ++i) {
            const double v = value[i];
            double m2;
            switch (k) {
            case 0:
                m2 = 4 * v / std::pow(a + std::sqrt(a * a - 4 * g * v), 2);
                break;
            case 1:
                m2 = (a - v) / (g * v);
                break;
            case 2:
                m2 = 1 / (a * v - g);
                break;
            case 3:
                m2 = v / (a - g * v);
                break;
            default: {
                const double e = 1 - v;
                m2 = v / (1 + g * e + a * std::sqrt(e));
            }
            }
            out.M[i] = std::sqrt(m2);
            forms.at(m2, out, i);
        }
        benchmark::DoNotOptimize(out.s.data());
        benchmark::ClobberMemory();
    }
}

void Kernel(benchmark::State &state, int k, std::int64_t target)
{
    flow::forward::forceTarget(target);
    const std::vector<double> &value = values(k);
    Out out(value.size());
    std::vector<std::size_t> rest;
    for (auto _ : state) {
        rest.clear();
        flow::inverse::roots(k, false, value.data(), &kGamma, false, value.size(), out.M.data(), out.columns(), rest);
        benchmark::DoNotOptimize(out.s.data());
        benchmark::ClobberMemory();
    }
    state.counters["left"] = static_cast<double>(rest.size());
    flow::forward::forceTarget(0);
}

// The forward kernel on as many M, the yardstick for p0 and s.
void Forward(benchmark::State &state, std::int64_t target)
{
    flow::forward::forceTarget(target);
    const std::vector<double> &M = machs(5);
    Out out(M.size());
    std::vector<std::size_t> rest;
    for (auto _ : state) {
        rest.clear();
        flow::forward::ratios(M.data(), &kGamma, false, M.size(), out.columns(), rest);
        benchmark::DoNotOptimize(out.s.data());
        benchmark::ClobberMemory();
    }
    flow::forward::forceTarget(0);
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::int64_t> targets = flow::forward::targets();
    for (int k = 0; k < 7; ++k) {
        if (k < 5)
            benchmark::RegisterBenchmark((std::string("Plain/") + kNames[k]).c_str(), Plain, k)
                ->Unit(benchmark::kMillisecond);
        for (std::int64_t target : targets)
            benchmark::RegisterBenchmark(
                (std::string("Kernel/") + kNames[k] + "/" + flow::forward::targetName(target)).c_str(), Kernel, k,
                target)
                ->Unit(benchmark::kMillisecond);
    }
    for (std::int64_t target : targets)
        benchmark::RegisterBenchmark(
            (std::string("Forward/") + flow::forward::targetName(target)).c_str(), Forward, target)
            ->Unit(benchmark::kMillisecond);
    bench::Recorder recorder;
    if (!bench::runAll(argc, argv, recorder))
        return 1;

    std::printf("\nLeft to the exact path, of %zu values at gamma %g:", kCount, kGamma);
    for (int k = 0; k < 7; ++k) {
        Out out(kCount);
        std::vector<std::size_t> rest;
        flow::inverse::roots(k, false, values(k).data(), &kGamma, false, kCount, out.M.data(), out.columns(), rest);
        std::printf(" %s %zu;", kNames[k], rest.size());
    }
    std::printf("\n\nGoals (same run, medians of CPU time):\n");
    bool all = true;
    for (std::int64_t target : targets) {
        const std::string name = flow::forward::targetName(target);
        const bool counted = name != "SCALAR" && name != "EMU128";
        for (int k = 0; k < 7; ++k) {
            const bool closed = k < 5;
            const std::string what = std::string("inverse ") + kNames[k] + ", " + name
                + (closed ? " forced / plain double" : " forced / forward kernel");
            const auto measured = recorder.times(std::string("Kernel/") + kNames[k] + "/" + name);
            const auto floor
                = closed ? recorder.times(std::string("Plain/") + kNames[k]) : recorder.times("Forward/" + name);
            const bool met = bench::goal(what.c_str(), measured, floor, closed ? 1.5 : 10);
            all &= met || !counted;
        }
    }
    return all ? 0 : 2;
}

// Load and look-up costs, with one memchr pass over as many bytes as the table holds
// as the physical reference for a full linear scan. The look-up runs on the path
// FindCodeUnit chooses for this machine; each path's kernel is also timed on its own.
#include "stroke_lookup.h"
#include "stroke_table.h"
#include "unit_search_paths.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using unit_search::Path;

constexpr char16_t kMissKey = u'a';
constexpr char16_t kLastKey = u'龘';

const StrokeTable& sharedTable() {
    static const StrokeTable table = LoadStrokeTable();
    return table;
}

void BM_LoadStrokeTable(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadStrokeTable());
}

void lookup(benchmark::State& state, std::u16string_view input) {
    const StrokeTable& table = sharedTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(LookupStrokes(table, input));
}

void BM_LookupStrokes_Miss(benchmark::State& state) {
    lookup(state, std::u16string_view(&kMissKey, 1));
}
void BM_LookupStrokes_LastEntry(benchmark::State& state) {
    lookup(state, std::u16string_view(&kLastKey, 1));
}
void BM_LookupStrokes_Found(benchmark::State& state) {
    lookup(state, u"字");
}

void BM_MemchrSameBytes(benchmark::State& state) {
    const std::vector<char> bytes(sharedTable().size() * sizeof(char16_t), 'x');
    for (auto _ : state) {
        const void* hit = std::memchr(bytes.data(), 'y', bytes.size());
        benchmark::DoNotOptimize(hit);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
}

// One kernel scanning the table, whatever FindCodeUnit would choose.
void scanWith(benchmark::State& state, unit_search::Kernel kernel, char16_t key) {
    const StrokeTable& table = sharedTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(kernel(table.data(), table.size(), key));
}

std::string kernelBenchmark(Path path, const char* what) {
    return std::string("BM_Kernel_") + what + "/" + unit_search::PathName(path);
}

BENCHMARK(BM_LoadStrokeTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupStrokes_Miss)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupStrokes_LastEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupStrokes_Found)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemchrSameBytes)->Unit(benchmark::kMicrosecond);

void registerKernelBenchmarks() {
    for (const Path path : unit_search::kPaths) {
        const unit_search::Kernel kernel = unit_search::PathKernel(path);
        if (kernel == nullptr)
            continue;
        benchmark::RegisterBenchmark(kernelBenchmark(path, "Miss").c_str(), scanWith, kernel,
                                     kMissKey)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(kernelBenchmark(path, "LastEntry").c_str(), scanWith, kernel,
                                     kLastKey)
            ->Unit(benchmark::kMicrosecond);
    }
}

// Prints as usual and keeps each benchmark's CPU time per iteration for the ratios: on a
// machine shared with other work the wall clock also counts the time spent waiting for a
// core, which no scan can help. With --benchmark_repetitions the ratios are of medians,
// which a virtual machine's bursts of noise move least.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nanoseconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            nanoseconds[run.run_name.str()] = run.GetAdjustedCPUTime() * 1000.0;
        }
    }
};

void printRatios(const RatioReporter& reporter) {
    const auto found = reporter.nanoseconds.find("BM_MemchrSameBytes");
    if (found == reporter.nanoseconds.end() || found->second <= 0)
        return;
    const double memchrNs = found->second;
    // "-" for a benchmark left out by --benchmark_filter.
    const auto ratio = [&](const std::string& name) {
        const auto it = reporter.nanoseconds.find(name);
        char text[16] = "-";
        if (it != reporter.nanoseconds.end())
            std::snprintf(text, sizeof text, "%.2fx", it->second / memchrNs);
        return std::string(text);
    };
    const Path chosen = unit_search::ChosenPath();
    std::printf("\nTable: %zu units (%zu bytes)\n", sharedTable().size(),
                sharedTable().size() * sizeof(char16_t));
    for (const char* name : {"BM_LookupStrokes_Miss", "BM_LookupStrokes_LastEntry"})
        std::printf("%s / memchr pass: %s (target at most 1.10x)\n", name, ratio(name).c_str());
    std::printf("Each path's kernel alone / memchr pass:\n%-10s %6s %11s\n", "path", "miss",
                "last entry");
    for (const Path path : unit_search::kPaths) {
        if (unit_search::PathKernel(path) == nullptr) {
            std::printf("%-10s not run: this machine lacks it\n", unit_search::PathName(path));
            continue;
        }
        std::printf("%-10s %6s %11s%s\n", unit_search::PathName(path),
                    ratio(kernelBenchmark(path, "Miss")).c_str(),
                    ratio(kernelBenchmark(path, "LastEntry")).c_str(),
                    path == chosen ? "  (FindCodeUnit's)" : "");
    }
}

} // namespace

int main(int argc, char** argv) {
    // First, so that it is said even where the benchmark library's CPU probe fails (under
    // qemu-user, which shows the host's /proc/cpuinfo).
    std::printf("FindCodeUnit's path on this machine: %s\n",
                unit_search::PathName(unit_search::ChosenPath()));
    std::fflush(stdout);
    benchmark::Initialize(&argc, argv);
    registerKernelBenchmarks();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}

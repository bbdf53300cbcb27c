// Load and look-up costs, with one memchr pass over as many bytes as the table holds
// as the physical reference for a full linear scan.
#include "stroke_lookup.h"
#include "stroke_table.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

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
    lookup(state, u"a");
}
void BM_LookupStrokes_LastEntry(benchmark::State& state) {
    lookup(state, u"龘");
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

BENCHMARK(BM_LoadStrokeTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupStrokes_Miss)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupStrokes_LastEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupStrokes_Found)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemchrSameBytes)->Unit(benchmark::kMicrosecond);

// Prints as usual and keeps each benchmark's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nanoseconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime() * 1000.0;
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double memchrNs = reporter.nanoseconds["BM_MemchrSameBytes"];
    if (memchrNs > 0) {
        std::printf("\nTable: %zu units (%zu bytes)\n", sharedTable().size(),
                    sharedTable().size() * sizeof(char16_t));
        for (const char* name : {"BM_LookupStrokes_Miss", "BM_LookupStrokes_LastEntry"}) {
            if (const auto it = reporter.nanoseconds.find(name); it != reporter.nanoseconds.end())
                std::printf("%s / memchr pass: %.2fx (target at most 2x)\n", name,
                            it->second / memchrNs);
        }
    }
    benchmark::Shutdown();
    return 0;
}

// Logic-layer benchmarks on a full document (32,767 records): save, open, search, and the
// reader against plain file reading. Prints each budget with the measured time, and the
// ratio of reading a document to reading and summing its bytes.
//   --benchmark_repetitions=N: the table uses each benchmark's fastest repetition.
//   KYQ_BENCH_ENFORCE=1 makes a missed budget the exit status 1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/BudgetTable.h"
#include "bench/LargeDocument.h"
#include "core/document/AnyFormat.h"
#include "core/document/DocumentFormat.h"
#include "core/document/FindEntries.h"

namespace kyq::bench {
namespace {

const PasswordDocument& Large()
{
    static const PasswordDocument doc = MakeLargeDocument();
    return doc;
}

// The document written once to a temporary file that lives as long as the program.
const std::string& LargeFile()
{
    static const std::string path = WriteTemporaryDocument(
        "kyq-logic-bench", [](const std::string& p) { return WriteDocument(Large(), p); });
    return path;
}

const ExpiryContext NoReminder{0, 0, 0, 0};

// With --benchmark_repetitions=N the budget table takes each benchmark's fastest
// repetition: on a shared machine the fastest run is the one least disturbed.
double Fastest(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

void Write(benchmark::State& state)
{
    const PasswordDocument& doc = Large();
    const std::string path = LargeFile() + ".w";
    for (auto _ : state) {
        if (!WriteDocument(doc, path))
            state.SkipWithError("write failed");
    }
    std::filesystem::remove(path);
}
BENCHMARK(Write)->Name("write")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

void EncodeOnly(benchmark::State& state)
{
    const PasswordDocument& doc = Large();
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        if (!EncodeDocument(doc, bytes))
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(EncodeOnly)->Name("encode_in_memory")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// What opening a file costs the program: probe, read, then the records into title order.
void ProbeReadReorder(benchmark::State& state)
{
    const std::string& path = LargeFile();
    for (auto _ : state) {
        PasswordDocument doc;
        doc.Path = path;
        if (!ProbeHeader(doc, path))
            state.SkipWithError("probe failed");
        if (!OpenProbedDocument(doc, LargeDocumentPassword, NoReminder))
            state.SkipWithError("read failed");
        doc.ReorderEntries(false);
        benchmark::DoNotOptimize(doc.Entries.data());
        if (doc.EntryCount() != LargeRecordCount)
            state.SkipWithError("wrong record count");
    }
}
BENCHMARK(ProbeReadReorder)->Name("probe_read_reorder")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

void ProbeRead(benchmark::State& state)
{
    const std::string& path = LargeFile();
    for (auto _ : state) {
        PasswordDocument doc;
        doc.Path = path;
        if (!ProbeHeader(doc, path))
            state.SkipWithError("probe failed");
        if (!OpenProbedDocument(doc, LargeDocumentPassword, NoReminder))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(doc.Entries.data());
    }
}
BENCHMARK(ProbeRead)->Name("probe_read")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

// The floor any reader stands on: the file's bytes into memory in one read, each looked
// at once.
void ReadBytesAndSum(benchmark::State& state)
{
    const std::string& path = LargeFile();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        std::vector<char> bytes(static_cast<size_t>(in.tellg()));
        in.seekg(0);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        uint64_t sum = 0;
        for (const char c : bytes)
            sum += static_cast<unsigned char>(c);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(ReadBytesAndSum)->Name("read_bytes_and_sum")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

void Find(benchmark::State& state)
{
    const PasswordDocument& doc = Large();
    size_t found = 0;
    for (auto _ : state) {
        const std::vector<int> hits = FindEntries(doc, SearchKeyword);
        found = hits.size();
        benchmark::DoNotOptimize(hits.data());
    }
    state.counters["matches"] = static_cast<double>(found);
}
BENCHMARK(Find)->Name("find_keyword")->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);


}  // namespace
}  // namespace kyq::bench

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    kyq::bench::BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& ms = reporter.Milliseconds;
    const auto& cpu = reporter.CpuMilliseconds;
    bool held = kyq::bench::PrintBudgets(
        reporter, {{"write", 20}, {"probe_read_reorder", 40}, {"find_keyword", 10}});
    const auto read = ms.find("probe_read"), floor = ms.find("read_bytes_and_sum");
    if (read != ms.end() && floor != ms.end() && floor->second > 0) {
        const double ratio = read->second / floor->second;
        const double cpuRatio = cpu.at("probe_read") / std::max(cpu.at("read_bytes_and_sum"), 1e-9);
        const bool ok = ratio <= 5.0;
        held = held && ok;
        std::printf("%-22s %9.1fx %9.1fx %9.0fx  %s  (probe_read %.2fms / read_bytes_and_sum %.2fms)\n",
                    "read_vs_bytes", ratio, cpuRatio, 5.0, ok ? "ok" : "MISSED", read->second, floor->second);
    }
    kyq::bench::NoteMachineLoad();
    std::error_code ec;
    std::filesystem::remove(kyq::bench::LargeFile(), ec);
    benchmark::Shutdown();
    return kyq::bench::BudgetExitStatus(held);
}

// The sealed format on a full document (32,767 records): what an open costs beyond the key
// derivation (probe, read, decrypt, parse, re-order), a save that keeps the key, and the
// derivation itself at the default cost. Prints the budgets with the measured times.
//   KYQ_BENCH_ENFORCE=1 makes a missed budget the exit status 1.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "bench/BudgetTable.h"
#include "bench/LargeDocument.h"
#include "core/document/AnyFormat.h"
#include "core/document/SealedFormat.h"
#include "platform/WholeFile.h"

namespace kyq::bench {
namespace {

const ExpiryContext NoReminder{0, 0, 0, 0};

// The large document, sealed with a key of the default cost derived once.
PasswordDocument& Large()
{
    static PasswordDocument doc = [] {
        PasswordDocument d = MakeLargeDocument();
        d.FormatVersion = SealedFormatNumber;
        return d;
    }();
    return doc;
}

const std::string& LargeFile()
{
    static const std::string path = WriteTemporaryDocument("kyq-sealed-bench", [](const std::string& p) {
        return SaveDocument(Large(), p, DefaultKeyCost);
    });
    return path;
}

void Derive(benchmark::State& state)
{
    const SealedParameters parameters = SealedKey::FreshParameters(DefaultKeyCost);
    for (auto _ : state) {
        auto key = SealedKey::Derive(LargeDocumentPassword, parameters);
        if (!key)
            state.SkipWithError("derivation failed");
    }
}
BENCHMARK(Derive)->Name("sealed_derive_default_cost")->Unit(benchmark::kMillisecond)->Iterations(3);

// The open with the key already derived: all the open adds to the derivation.
void OpenBeyondKey(benchmark::State& state)
{
    const std::string& path = LargeFile();
    const std::shared_ptr<const SealedKey> key = Large().SealKey;
    for (auto _ : state) {
        PasswordDocument doc;
        doc.Path = path;
        // One read: the probe's bytes are the ones decrypted, as in the real open.
        if (!ProbeHeader(doc, path))
            state.SkipWithError("probe failed");
        if (!ReadSealedRecords(doc, doc.ProbedBytes, *key, NoReminder))
            state.SkipWithError("read failed");
        doc.ProbedBytes = {};
        doc.ReorderEntries(false);
        if (doc.EntryCount() != LargeRecordCount)
            state.SkipWithError("wrong record count");
        benchmark::DoNotOptimize(doc.Entries.data());
    }
}
BENCHMARK(OpenBeyondKey)->Name("sealed_open_beyond_key")->Unit(benchmark::kMillisecond);

// The same open of the same records in format 200, measured alongside: on a loaded machine
// the ratio is the fairer figure.
const std::string& Format200File()
{
    static const std::string path = [] {
        const std::string p = LargeFile() + ".200";
        if (!WriteDocument(MakeLargeDocument(), p))
            std::exit(2);
        return p;
    }();
    return path;
}

void OpenFormat200(benchmark::State& state)
{
    const std::string& path = Format200File();
    for (auto _ : state) {
        PasswordDocument doc;
        doc.Path = path;
        if (!ProbeHeader(doc, path) || !OpenProbedDocument(doc, LargeDocumentPassword, NoReminder))
            state.SkipWithError("read failed");
        doc.ReorderEntries(false);
        benchmark::DoNotOptimize(doc.Entries.data());
    }
}
BENCHMARK(OpenFormat200)->Name("format200_open_for_comparison")->Unit(benchmark::kMillisecond);

// A save without a change of password: the kept key, a fresh nonce, the atomic write.
void SaveKeepingKey(benchmark::State& state)
{
    const std::string path = LargeFile() + ".w";
    int derivations = 0;
    const BlockingWork counted = [&](const std::function<void()>& work) {
        ++derivations;
        work();
    };
    for (auto _ : state) {
        if (!SaveDocument(Large(), path, DefaultKeyCost, counted))
            state.SkipWithError("save failed");
    }
    if (derivations != 0)
        state.SkipWithError("the save derived a key");
    std::filesystem::remove(path);
}
BENCHMARK(SaveKeepingKey)->Name("sealed_save_same_password")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kyq::bench

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    kyq::bench::LargeFile();  // the key is derived before any timing starts
    kyq::bench::BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool held = kyq::bench::PrintBudgets(
        reporter, {{"sealed_open_beyond_key", 15}, {"sealed_save_same_password", 30}});
    kyq::bench::NoteMachineLoad();
    std::error_code ec;
    std::filesystem::remove(kyq::bench::LargeFile(), ec);
    std::filesystem::remove(kyq::bench::Format200File(), ec);
    benchmark::Shutdown();
    return kyq::bench::BudgetExitStatus(held);
}

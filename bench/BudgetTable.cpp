#include "bench/BudgetTable.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace kyq::bench {

void BudgetReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.error_occurred)
            continue;
        const std::string name = run.run_name.function_name;
        const bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
        if (fastest || (run.run_type == Run::RT_Iteration && !fastestSeen_.count(name))) {
            Milliseconds[name] = run.GetAdjustedRealTime();
            CpuMilliseconds[name] = run.GetAdjustedCPUTime();
        }
        if (fastest)
            fastestSeen_.insert(name);
    }
    ConsoleReporter::ReportRuns(runs);
}

bool PrintBudgets(const BudgetReporter& reporter, std::initializer_list<Budget> budgets)
{
    bool held = true;
    std::printf("\n%-22s %10s %10s %10s\n", "budget", "wall", "cpu", "limit");
    for (const Budget& b : budgets) {
        const auto it = reporter.Milliseconds.find(b.name);
        if (it == reporter.Milliseconds.end())
            continue;
        const bool ok = it->second <= b.limitMs;
        held = held && ok;
        std::printf("%-22s %8.2fms %8.2fms %8.0fms  %s\n", b.name, it->second,
                    reporter.CpuMilliseconds.at(b.name), b.limitMs, ok ? "ok" : "MISSED");
    }
    return held;
}

void NoteMachineLoad()
{
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = 0;
        std::fclose(f);
    }
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    if (load > static_cast<double>(cores))
        std::printf("note: load average %.1f on %ld cores: wall times are inflated; compare the "
                    "cpu column\n",
                    load, cores);
}

int BudgetExitStatus(bool allHeld)
{
    const char* enforce = std::getenv("KYQ_BENCH_ENFORCE");
    return !allHeld && enforce && std::string(enforce) == "1" ? 1 : 0;
}

}  // namespace kyq::bench

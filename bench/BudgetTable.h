// The budget table every benchmark program prints after its runs: wall and CPU time per
// budgeted benchmark, and exit status 1 for a missed budget when KYQ_BENCH_ENFORCE=1.
#pragma once

#include <benchmark/benchmark.h>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kyq::bench {

// Keeps each benchmark's time per iteration (ms); with repetitions, the fastest run.
class BudgetReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Milliseconds;     // wall clock
    std::map<std::string, double> CpuMilliseconds;  // this thread's CPU time

    void ReportRuns(const std::vector<Run>& runs) override;

private:
    std::set<std::string> fastestSeen_;
};

struct Budget {
    const char* name;
    double limitMs;
};

// Prints the header and one line per budget that ran; false when one was missed.
bool PrintBudgets(const BudgetReporter& reporter, std::initializer_list<Budget> budgets);
// Budgets hold for an otherwise idle machine; says so when it was not.
void NoteMachineLoad();
int BudgetExitStatus(bool allHeld);

}  // namespace kyq::bench

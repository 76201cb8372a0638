#pragma once

// Collects what the benchmark runs measured and prints the closing table: each case beside its
// baseline from the same run, the ratio, the goal and whether it was met.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarvolin::bench {

// Passes every run on to the console and keeps its wall time per iteration, by name.
// Every case runs a few times and its fastest run counts (see Collector), measured on the wall
// clock: file syncs and window-system work are part of the cost.
inline constexpr int kRepetitions = 3;

inline benchmark::internal::Benchmark *onWallClock(benchmark::internal::Benchmark *benchmark,
                                                   benchmark::TimeUnit unit) {
    return benchmark->Unit(unit)->UseRealTime()->Repetitions(kRepetitions);
}

class Collector final : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that a saved log stays plain text.
    Collector();
    void ReportRuns(const std::vector<Run> &runs) override;

    // Seconds per iteration; nullopt when the benchmark did not run or failed.
    std::optional<double> seconds(const std::string &name) const;
    // Why it failed; empty when it did not.
    std::string error(const std::string &name) const;

private:
    std::map<std::string, double> seconds_;
    std::map<std::string, std::string> errors_;
};

struct Row {
    std::string name;
    std::string measured;
    std::string baseline;
    std::string ratio;
    std::string goal;
    std::string verdict;
};

std::string formatSeconds(double seconds);
std::string formatRatio(double ratio);

class Table {
public:
    // Wall time of `measured` against `baseline`; met when measured / baseline <= maxRatio.
    void addTimeRatio(std::string name, std::string measured, std::string baseline,
                      double maxRatio);
    // Throughput over `bytes` of input; met when `measured` beats `baseline`. The ratio is
    // measured throughput over baseline throughput. No goal in MB/s: those move with the machine.
    void addThroughput(std::string name, std::string measured, std::string baseline, double bytes);
    // Time per unit (a pair) of `measured`, which handles `units` of them; no goal.
    void addPerUnit(std::string name, std::string measured, double units);
    // Time per unit of `measured` against that of `baseline`; met when the ratio is at most
    // maxRatio.
    void addPerUnitRatio(std::string name, std::string measured, double measuredUnits,
                         std::string baseline, double baselineUnits, double maxRatio);
    // Time per unit that `measured` takes beyond `baseline` (which handles no units); a figure
    // without a goal, as it moves with the machine.
    void addPerUnitBeyond(std::string name, std::string measured, std::string baseline,
                          double units);
    // A row computed elsewhere (the separate memory and stress processes).
    void addRow(Row row);

    // The table in Markdown. Returns the number of cases that failed or crashed (a missed
    // goal is a result, not a failure).
    int print(const Collector &collector, std::ostream &out) const;

private:
    std::vector<std::function<Row(const Collector &)>> rows_;
};

} // namespace tarvolin::bench

#include "results.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include <unistd.h>

namespace tarvolin::bench {

namespace {

std::string format(const char *pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string verdict(bool met, double ratio, double limit) {
    if (met)
        return "met";
    return format("missed by %.0f%%", (ratio / limit - 1.0) * 100.0);
}

// A row for a case whose inputs are missing: the benchmark failed or was filtered out.
std::optional<Row> unavailable(const Collector &collector, const std::string &name,
                               const std::vector<std::string> &needed, const std::string &goal) {
    for (const std::string &benchmark : needed) {
        if (collector.seconds(benchmark))
            continue;
        const std::string error = collector.error(benchmark);
        return Row{name, "-",  "-",
                   "-",  goal, error.empty() ? "not run (" + benchmark + ")" : "error: " + error};
    }
    return std::nullopt;
}

} // namespace

Collector::Collector()
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OutputOptions(OO_Tabular)) {}

void Collector::ReportRuns(const std::vector<Run> &runs) {
    for (const Run &run : runs) {
        if (run.run_type != Run::RT_Iteration)
            continue;
        // The registered name, without the "/real_time" the framework appends.
        const std::string &name = run.run_name.function_name;
        if (run.error_occurred) {
            errors_[name] = run.error_message;
        } else if (run.iterations > 0) {
            // Over repetitions the fastest run counts: it is the one least disturbed by other
            // work on the machine.
            const double seconds = run.real_accumulated_time / double(run.iterations);
            const auto [it, added] = seconds_.try_emplace(name, seconds);
            if (!added)
                it->second = std::min(it->second, seconds);
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

std::optional<double> Collector::seconds(const std::string &name) const {
    const auto it = seconds_.find(name);
    return it == seconds_.end() ? std::nullopt : std::optional<double>(it->second);
}

std::string Collector::error(const std::string &name) const {
    const auto it = errors_.find(name);
    return it == errors_.end() ? std::string() : it->second;
}

std::string formatSeconds(double seconds) {
    if (seconds < 1e-6)
        return format("%.1f ns", seconds * 1e9);
    if (seconds < 1e-3)
        return format("%.1f µs", seconds * 1e6);
    if (seconds < 1.0)
        return format("%.2f ms", seconds * 1e3);
    return format("%.2f s", seconds);
}

std::string formatRatio(double ratio) {
    return format("%.2f", ratio);
}

void Table::addTimeRatio(std::string name, std::string measured, std::string baseline,
                         double maxRatio) {
    addPerUnitRatio(std::move(name), std::move(measured), 1.0, std::move(baseline), 1.0, maxRatio);
}

void Table::addThroughput(std::string name, std::string measured, std::string baseline,
                          double bytes) {
    rows_.push_back([=](const Collector &collector) {
        const std::string goal = "ahead of baseline";
        if (auto row = unavailable(collector, name, {measured, baseline}, goal))
            return *row;
        const double m = bytes / *collector.seconds(measured) / 1e6;
        const double b = bytes / *collector.seconds(baseline) / 1e6;
        const double ratio = m / b;
        return Row{name,
                   format("%.0f MB/s", m),
                   format("%.0f MB/s", b),
                   formatRatio(ratio),
                   goal,
                   ratio > 1.0 ? "met" : "missed: behind the baseline"};
    });
}

void Table::addPerUnit(std::string name, std::string measured, double units) {
    rows_.push_back([=](const Collector &collector) {
        if (auto row = unavailable(collector, name, {measured}, "-"))
            return *row;
        return Row{name, formatSeconds(*collector.seconds(measured) / units), "-", "-", "-", "-"};
    });
}

void Table::addPerUnitRatio(std::string name, std::string measured, double measuredUnits,
                            std::string baseline, double baselineUnits, double maxRatio) {
    rows_.push_back([=](const Collector &collector) {
        const std::string goal = "≤ " + formatRatio(maxRatio) + "×";
        if (auto row = unavailable(collector, name, {measured, baseline}, goal))
            return *row;
        const double m = *collector.seconds(measured) / measuredUnits;
        const double b = *collector.seconds(baseline) / baselineUnits;
        const double ratio = m / b;
        return Row{name,
                   formatSeconds(m),
                   formatSeconds(b),
                   formatRatio(ratio),
                   goal,
                   verdict(ratio <= maxRatio, ratio, maxRatio)};
    });
}

void Table::addPerUnitBeyond(std::string name, std::string measured, std::string baseline,
                             double units) {
    rows_.push_back([=](const Collector &collector) {
        if (auto row = unavailable(collector, name, {measured, baseline}, "-"))
            return *row;
        const double m = (*collector.seconds(measured) - *collector.seconds(baseline)) / units;
        return Row{name, formatSeconds(m), "-", "-", "-", "-"};
    });
}

void Table::addRow(Row row) {
    rows_.push_back([row](const Collector &) { return row; });
}

// The processor's model as the system names it: a row's figure says where it was measured.
static std::string processorModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.starts_with("model name") && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    }
    return "unknown processor";
}

int Table::print(const Collector &collector, std::ostream &out) const {
    int failures = 0;
    out << "\nProcessor " << processorModel() << ", Qt " << qVersion() << "\n"
        << "\n| Case | Measured | Baseline | Ratio | Goal | Result |\n"
        << "|---|---|---|---|---|---|\n";
    for (const auto &make : rows_) {
        const Row row = make(collector);
        if (row.verdict.starts_with("error") || row.verdict.starts_with("crashed"))
            ++failures;
        out << "| " << row.name << " | " << row.measured << " | " << row.baseline << " | "
            << row.ratio << " | " << row.goal << " | " << row.verdict << " |\n";
    }
    return failures;
}

} // namespace tarvolin::bench

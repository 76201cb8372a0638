// Runs the benchmarks, then the memory and stress probes in child processes, then prints the
// table of every case beside its baseline.
//
//   tarvolin_bench [--benchmark_filter=REGEX ...] [--skip-probes]
//   tarvolin_bench --memory | --stress      (one probe; prints name=value lines)

#include "cases.h"
#include "corpus.h"
#include "results.h"

#include <QApplication>

#include <cstring>
#include <iostream>

int main(int argc, char *argv[]) {
    // Measured without a display server, whatever the desktop offers.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);

    bool probes = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--memory") == 0 || std::strcmp(argv[i], "--stress") == 0)
            return tarvolin::bench::runProbe(argv[i]);
        if (std::strcmp(argv[i], "--skip-probes") == 0)
            probes = false;
    }

    tarvolin::bench::Corpus corpus;
    tarvolin::bench::Table table;
    tarvolin::bench::registerStartupCases(corpus, table);
    tarvolin::bench::registerParseCases(corpus, table);
    tarvolin::bench::registerHandlerCases(corpus, table);
    tarvolin::bench::registerStoreCases(corpus, table);

    tarvolin::bench::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    if (probes)
        tarvolin::bench::addProbeRows(table);
    const int failures = table.print(collector, std::cout);
    benchmark::Shutdown();
    return failures == 0 ? 0 : 1;
}

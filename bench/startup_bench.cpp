// Start-up: the loaded window (Form_Load on a main file of 50 engines) shown up to its first
// paint, against the same controls built bare, without touching any file.

#include "cases.h"
#include "corpus.h"
#include "results.h"
#include "workspace.h"

#include <QComboBox>

namespace tarvolin::bench {

namespace {

constexpr int kEngines = 50;

void loadedStartup(benchmark::State &state, const QByteArray &mainFile) {
    Workspace workspace;
    if (!workspace.write(mainFileName(), mainFile)) {
        state.SkipWithError("cannot write the main file");
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<frmMain> window = workspace.loadedWindow();
        const bool painted = showUntilPainted(*window);
        state.PauseTiming();
        if (!painted || window->cmbEngine->count() != kEngines) {
            state.SkipWithError("the window did not load and paint");
            break;
        }
        window.reset();
        settle();
        state.ResumeTiming();
    }
}

void bareStartup(benchmark::State &state, const QByteArray &mainFile) {
    // The bare window gets the size the loaded one gives itself, so both paint the same area.
    QSize size;
    {
        Workspace sizing;
        sizing.write(mainFileName(), mainFile);
        size = sizing.loadedWindow()->size();
    }
    Workspace workspace; // stays empty: the bare window reads nothing
    for (auto _ : state) {
        std::unique_ptr<frmMain> window = workspace.bareWindow();
        window->resize(size);
        const bool painted = showUntilPainted(*window);
        state.PauseTiming();
        if (!painted) {
            state.SkipWithError("the bare window did not paint");
            break;
        }
        window.reset();
        settle();
        state.ResumeTiming();
    }
}

} // namespace

void registerStartupCases(Corpus &, Table &table) {
    const QByteArray mainFile = mainFileText(kEngines);
    onWallClock(benchmark::RegisterBenchmark("startup/loaded_50_engines", loadedStartup, mainFile),
                benchmark::kMillisecond);
    onWallClock(benchmark::RegisterBenchmark("startup/bare", bareStartup, mainFile),
                benchmark::kMillisecond);
    table.addTimeRatio("Start-up to first paint, 50 engines", "startup/loaded_50_engines",
                       "startup/bare", 1.10);
}

} // namespace tarvolin::bench

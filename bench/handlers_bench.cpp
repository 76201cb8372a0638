// The other handlers that read profile files, each on a 10 MB file, against one read of that
// file into memory.

#include "cases.h"
#include "corpus.h"
#include "results.h"
#include "workspace.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

namespace tarvolin::bench {

namespace {

constexpr qsizetype kFileSize = 10 * kMiB;

void readOnce(benchmark::State &state, const QByteArray &bytes) {
    Workspace workspace;
    if (!workspace.write(engineFileName(), bytes)) {
        state.SkipWithError("cannot write the file");
        return;
    }
    for (auto _ : state) {
        QFile file(workspace.filePath(engineFileName()));
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the file");
            break;
        }
        const QByteArray read = file.readAll();
        benchmark::DoNotOptimize(read.constData());
    }
}

// A loaded window on the engine file, its rows labelled with the file's first 20 key names as
// a parse would leave them.
struct EngineSetup {
    Workspace workspace;
    std::unique_ptr<frmMain> window;
    QStringList sections;

    bool prepare(const QByteArray &engineFile) {
        sections = sectionNamesOf(engineFile);
        if (sections.size() < frmMain::kKeyRows ||
            !workspace.write(mainFileName(), mainFileText(50)) ||
            !workspace.write(engineFileName(), engineFile))
            return false;
        window = workspace.loadedWindow();
        for (int i = 0; i < frmMain::kKeyRows; ++i)
            window->lblKey[i]->setText(sections[i]);
        return showUntilPainted(*window);
    }
};

void fillCombos(benchmark::State &state, const QByteArray &engineFile) {
    EngineSetup setup;
    if (!setup.prepare(engineFile)) {
        state.SkipWithError("cannot set up the window");
        return;
    }
    for (auto _ : state) {
        setup.window->FillCombos();
        state.PauseTiming();
        settle();
        state.ResumeTiming();
    }
    if (setup.window->cmbKey[frmMain::kKeyRows - 1]->count() == 0)
        state.SkipWithError("FillCombos left the last row's list empty");
}

void updateKeyList(benchmark::State &state, const QByteArray &engineFile) {
    EngineSetup setup;
    if (!setup.prepare(engineFile)) {
        state.SkipWithError("cannot set up the window");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        setup.window->cmbAvailKeys->clear();
        settle();
        state.ResumeTiming();
        setup.window->UpdateSearchEngineKeyList({});
    }
    if (setup.window->cmbAvailKeys->count() != setup.sections.size() - frmMain::kKeyRows)
        state.SkipWithError("the pool does not hold every key name no row shows");
}

void engineClick(benchmark::State &state, const QByteArray &mainFile) {
    Workspace workspace;
    if (!workspace.write(mainFileName(), mainFile)) {
        state.SkipWithError("cannot write the main file");
        return;
    }
    std::unique_ptr<frmMain> window = workspace.loadedWindow();
    showUntilPainted(*window);
    // Alternates between an engine half-way down the list and the last one, so that every
    // click is a change of engine and looks far into the file.
    const int count = window->cmbEngine->count();
    const int choices[] = {count / 2, count - 1};
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window->cmbEngine->setCurrentIndex(choices[next]);
        next = 1 - next;
        settle();
        state.ResumeTiming();
        window->cmbEngine_Click();
    }
    if (window->txtEngine->text() != window->cmbEngine->itemText(choices[1 - next]) ||
        window->txtQueryKey->text().isEmpty())
        state.SkipWithError("the click did not switch the engine");
}

void formLoad(benchmark::State &state, const QByteArray &mainFile) {
    Workspace workspace;
    if (!workspace.write(mainFileName(), mainFile)) {
        state.SkipWithError("cannot write the main file");
        return;
    }
    // Besides one line per engine, mainFileText writes two headers and two LastUsed entries.
    const qsizetype engines = mainFile.count('\n') - 4;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<frmMain> window = workspace.bareWindow();
        state.ResumeTiming();
        window->Form_Load();
        state.PauseTiming();
        const bool loaded = window->cmbEngine->count() == engines;
        window.reset();
        settle();
        state.ResumeTiming();
        if (!loaded) {
            state.SkipWithError("Form_Load did not list every engine");
            break;
        }
    }
}

// What any Form_Load does: the main file read, and the engine names of its first section (as
// mainFileText writes it) split into a list.
void readAndSplitEngines(benchmark::State &state, const QByteArray &mainFile) {
    Workspace workspace;
    if (!workspace.write(mainFileName(), mainFile)) {
        state.SkipWithError("cannot write the main file");
        return;
    }
    QStringList names;
    for (auto _ : state) {
        QFile file(workspace.filePath(mainFileName()));
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the file");
            break;
        }
        const QByteArray bytes = file.readAll();
        names = QStringList();
        const qsizetype end = bytes.indexOf("\n[", 1) + 1;
        for (qsizetype at = bytes.indexOf('\n') + 1; at < end;) {
            const qsizetype equals = bytes.indexOf('=', at);
            names.append(QString::fromUtf8(bytes.constData() + at, equals - at));
            at = bytes.indexOf('\n', equals) + 1;
        }
        benchmark::DoNotOptimize(names.constData());
    }
    if (names.size() != mainFile.count('\n') - 4)
        state.SkipWithError("not every engine was listed");
}

void registerHandler(const char *name, void (*run)(benchmark::State &, const QByteArray &),
                     const QByteArray &bytes) {
    onWallClock(benchmark::RegisterBenchmark(name, run, bytes), benchmark::kMillisecond);
}

} // namespace

void registerHandlerCases(Corpus &corpus, Table &table) {
    const QByteArray &engineFile = corpus.engineFile(kFileSize);
    const QByteArray &mainFile = corpus.mainFileOfSize(kFileSize);

    registerHandler("handlers/read_10MB_engine_file", readOnce, engineFile);
    registerHandler("handlers/FillCombos_20_rows", fillCombos, engineFile);
    registerHandler("handlers/UpdateSearchEngineKeyList", updateKeyList, engineFile);
    registerHandler("handlers/read_10MB_main_file", readOnce, mainFile);
    registerHandler("handlers/cmbEngine_Click", engineClick, mainFile);
    registerHandler("handlers/Form_Load", formLoad, mainFile);
    registerHandler("handlers/read_and_split_engines", readAndSplitEngines, mainFile);

    table.addTimeRatio("FillCombos, 20 filled rows, 10 MB engine file",
                       "handlers/FillCombos_20_rows", "handlers/read_10MB_engine_file", 3.0);
    table.addTimeRatio("UpdateSearchEngineKeyList, 10 MB engine file",
                       "handlers/UpdateSearchEngineKeyList", "handlers/read_10MB_engine_file", 3.0);
    table.addTimeRatio("cmbEngine_Click, 10 MB main file", "handlers/cmbEngine_Click",
                       "handlers/read_10MB_main_file", 3.0);
    // Every engine is listed: the time per listed engine beyond the read, for the record; the
    // goal is the ratio below, against a baseline of the same run.
    const double engines = double(mainFile.count('\n') - 4);
    table.addPerUnitBeyond("Start-up (Form_Load), 10 MB main file, per engine beyond the read",
                           "handlers/Form_Load", "handlers/read_10MB_main_file", engines);
    // The ratio of a quiet run when this baseline came (0.67), with a margin for noise: kept.
    table.addTimeRatio("Start-up (Form_Load), 10 MB main file, against reading it and splitting "
                       "its engine names",
                       "handlers/Form_Load", "handlers/read_and_split_engines", 0.8);
}

} // namespace tarvolin::bench

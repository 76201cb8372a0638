// A Parse click against the least any parse must do with the same file: read it once and
// rewrite it, atomically, durably and under its lock, with the bytes the parse produced.

#include "cases.h"
#include "corpus.h"
#include "results.h"
#include "workspace.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

#include <array>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvolin::bench {

namespace {

struct ParseCase {
    std::string name; // benchmark name; its baseline adds "/baseline"
    std::string label;
    QByteArray engineFile;
    QString url;
    QString otherUrl; // when set, every other click parses this one
};

// A loaded, shown window on a folder holding the main file and the case's engine file.
struct ParseSetup {
    Workspace workspace;
    std::unique_ptr<frmMain> window;

    bool prepare(const ParseCase &c) {
        if (!workspace.write(mainFileName(), mainFileText(50)) ||
            !workspace.write(engineFileName(), c.engineFile))
            return false;
        window = workspace.loadedWindow();
        return showUntilPainted(*window);
    }

    // Puts the engine file back as it was and the URL in the box, outside the timing.
    bool reset(const ParseCase &c, bool other = false) {
        window->txtParseMe->setText(other && !c.otherUrl.isEmpty() ? c.otherUrl : c.url);
        settle();
        return workspace.writeSynced(engineFileName(), c.engineFile);
    }
};

void parseClick(benchmark::State &state, const ParseCase &c) {
    ParseSetup setup;
    if (!setup.prepare(c)) {
        state.SkipWithError("cannot set up the window");
        return;
    }
    bool other = false;
    for (auto _ : state) {
        state.PauseTiming();
        const bool ready = setup.reset(c, other = !other);
        state.ResumeTiming();
        if (!ready) {
            state.SkipWithError("cannot restore the engine file");
            break;
        }
        setup.window->cmdParse->click();
    }
    // A parse that found no query key or wrote nothing would be quick and meaningless.
    if (setup.window->lblKey[0]->text().isEmpty() ||
        setup.workspace.read(engineFileName()) == c.engineFile)
        state.SkipWithError("the parse did not fill the rows and write the engine file");
}

void readAndRewrite(benchmark::State &state, const ParseCase &c) {
    ParseSetup setup;
    if (!setup.prepare(c) || !setup.reset(c)) {
        state.SkipWithError("cannot set up the window");
        return;
    }
    // The bytes each click writes: two versions when the clicks alternate between two URLs.
    std::array<QByteArray, 2> produced;
    for (int k = 0; k < 2; ++k) {
        if (!setup.reset(c, k == 1)) {
            state.SkipWithError("cannot set up the window");
            return;
        }
        setup.window->cmdParse->click();
        produced[k] = setup.workspace.read(engineFileName());
    }
    const QString path = setup.workspace.filePath(engineFileName());
    bool other = false;
    for (auto _ : state) {
        state.PauseTiming();
        // It starts where a click starts: after the window painted what the click before it
        // changed. Painting the rows evicts from the caches what a file write uses; with the
        // window hidden, clicks that change every row took half the time for the same work.
        other = !other;
        bool ready = setup.reset(c, other);
        setup.window->cmdParse->click();
        ready = setup.reset(c, other) && ready;
        const QByteArray &rewrite = produced[other ? 1 : 0];
        state.ResumeTiming();
        // The store's lock: flock(2) on the lock file it keeps in the working folder.
        const int folderFd =
            ::open(QFile::encodeName(setup.workspace.filePath(QStringLiteral(".tarvolin.lock")))
                       .constData(),
                   O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        QFile in(path);
        QSaveFile out(path);
        if (!ready || folderFd < 0 || ::flock(folderFd, LOCK_EX) != 0 ||
            !in.open(QIODevice::ReadOnly)) {
            if (folderFd >= 0)
                ::close(folderFd);
            state.SkipWithError("cannot lock or read the engine file");
            break;
        }
        const QByteArray read = in.readAll();
        benchmark::DoNotOptimize(read.constData());
        in.close();
        if (!out.open(QIODevice::WriteOnly) || out.write(rewrite) != rewrite.size() ||
            !out.commit()) {
            ::close(folderFd);
            state.SkipWithError("cannot save the engine file");
            break;
        }
        // Durable as the store's save is: the rename is synced in the folder too.
        const int folder = ::open(QFile::encodeName(setup.workspace.path()).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        ::close(folderFd);
    }
}

void registerCase(const ParseCase &c) {
    onWallClock(benchmark::RegisterBenchmark(c.name.c_str(), parseClick, c),
                benchmark::kMillisecond);
    onWallClock(benchmark::RegisterBenchmark((c.name + "/baseline").c_str(), readAndRewrite, c),
                benchmark::kMillisecond);
}

} // namespace

void registerParseCases(Corpus &corpus, Table &table) {
    constexpr int kNames = 50;
    const QString url25 = realisticUrl(25);
    const QByteArray &small = corpus.engineFile(2 * kKiB);
    const std::vector<ParseCase> cases = {
        {"parse/25_pairs/2KB", "Parse, 25 pairs, 2 KB engine file", small, url25, {}},
        {"parse/25_pairs/1MB",
         "Parse, 25 pairs, 1 MB engine file",
         corpus.engineFile(kMiB),
         url25,
         {}},
        {"parse/25_pairs/10MB",
         "Parse, 25 pairs, 10 MB engine file",
         corpus.engineFile(10 * kMiB),
         url25,
         {}},
        {"parse/1000_pairs/2KB",
         "Parse, 1,000 pairs (50 names), 2 KB engine file",
         small,
         repeatedNamesUrl(1000, kNames),
         {}},
        {"parse/100000_pairs/2KB",
         "Parse, 100,000 pairs (50 names), 2 KB engine file",
         small,
         repeatedNamesUrl(100000, kNames),
         {}},
        // Each click's values differ from the last one's, so every value list changes.
        {"parse/25_pairs_alternating/2KB", "Parse, 25 pairs, two URLs in turn, 2 KB engine file",
         small, url25, realisticUrl(25, 1)},
    };
    for (const ParseCase &c : cases) {
        registerCase(c);
        // The click's own work grows with the pairs, the baseline hardly: 100,000 pairs get 10x.
        table.addTimeRatio(c.label, c.name, c.name + "/baseline",
                           c.name == "parse/100000_pairs/2KB" ? 12.0 : 2.0);
    }
    // Values chosen to collide in a hash that is not made for chosen input, against as many
    // ordinary ones: a pasted URL must not freeze the window.
    const std::string crafted = "parse/16384_crafted_values/2KB";
    const std::string ordinary = "parse/16384_ordinary_values/2KB";
    for (const ParseCase &c : {ParseCase{crafted, "", small, blockValuesUrl(true), {}},
                               ParseCase{ordinary, "", small, blockValuesUrl(false), {}}})
        onWallClock(benchmark::RegisterBenchmark(c.name.c_str(), parseClick, c),
                    benchmark::kMillisecond);
    table.addTimeRatio("Parse, 16,384 crafted values, against 16,384 ordinary ones", crafted,
                       ordinary, 3.0);
    table.addPerUnit("Parse, per pair, 25 pairs", "parse/25_pairs/2KB", 25);
    table.addPerUnit("Parse, per pair, 1,000 pairs", "parse/1000_pairs/2KB", 1000);
    table.addPerUnit("Parse, per pair, 100,000 pairs", "parse/100000_pairs/2KB", 100000);
    table.addPerUnitRatio("Parse, per pair, 100,000 vs 1,000 pairs", "parse/100000_pairs/2KB",
                          100000, "parse/1000_pairs/2KB", 1000, 1.25);
}

} // namespace tarvolin::bench

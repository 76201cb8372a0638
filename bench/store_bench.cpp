// The store's typed read on text held in memory: listing one section's entry names, against
// SimpleIni loading the same text and listing the same section.

#include "cases.h"
#include "corpus.h"
#include "results.h"

#include "settings/profile_document.h"

// Header-only use: no character conversion (ConvertUTF.h is not shipped), and Debian's header
// keeps the template bodies behind SI_IMPLEMENTATION.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cstring>
#include <list>

namespace tarvolin::bench {

namespace {

void ourEntryNames(benchmark::State &state, const QByteArray &bytes, const QString &section,
                   ProfileDocument::Paths paths) {
    QString list;
    for (auto _ : state) {
        // A fresh document each time: its header index is part of the work.
        ProfileDocument document(bytes, paths);
        list = document.entryList(section);
        benchmark::DoNotOptimize(list.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    // Checked once, untimed: counting the names is no part of listing them (SimpleIni's
    // count below is a stored size).
    if (list.count(QChar(u'\0')) == 0)
        state.SkipWithError("the section listed no names");
}

void simpleIniEntryNames(benchmark::State &state, const QByteArray &bytes, const QString &section) {
    const std::string name = section.toStdString();
    size_t names = 0;
    for (auto _ : state) {
        // Case-sensitive, as the store is.
        CSimpleIniCaseA ini;
        if (ini.LoadData(bytes.constData(), size_t(bytes.size())) < 0) {
            state.SkipWithError("SimpleIni could not load the text");
            break;
        }
        CSimpleIniCaseA::TNamesDepend keys;
        ini.GetAllKeys(name.c_str(), keys);
        names = keys.size();
        benchmark::DoNotOptimize(&keys);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    if (names == 0)
        state.SkipWithError("the section listed no names");
}

// The least a listing does: one memchr pass over the same bytes, counting their line feeds.
void countLineFeeds(benchmark::State &state, const QByteArray &bytes) {
    qsizetype lines = 0;
    for (auto _ : state) {
        lines = 0;
        const char *at = bytes.constData();
        const char *end = at + bytes.size();
        while (const void *hit = std::memchr(at, '\n', size_t(end - at))) {
            ++lines;
            at = static_cast<const char *>(hit) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void registerPair(const std::string &name, const QByteArray &bytes, const QString &section) {
    onWallClock(benchmark::RegisterBenchmark(name.c_str(), ourEntryNames, bytes, section,
                                             ProfileDocument::Paths::Fast),
                benchmark::kMicrosecond);
    onWallClock(benchmark::RegisterBenchmark((name + "/simpleini").c_str(), simpleIniEntryNames,
                                             bytes, section),
                benchmark::kMicrosecond);
}

} // namespace

void registerStoreCases(Corpus &corpus, Table &table) {
    const QByteArray &multi = corpus.engineFile(kMiB);
    const QStringList sections = sectionNamesOf(multi);
    // A section from the middle of the file, as a row's value list would ask for.
    const QString middle = sections.value(sections.size() / 2);
    registerPair("store/entry_names/1MB_multi_section", multi, middle);
    table.addThroughput("Store: one section's names, 1 MB file of " +
                            std::to_string(sections.size()) + " sections (vs SimpleIni)",
                        "store/entry_names/1MB_multi_section",
                        "store/entry_names/1MB_multi_section/simpleini", double(multi.size()));

    const QByteArray &single = corpus.singleSection(kMiB);
    registerPair("store/entry_names/1MB_single_section", single, QStringLiteral("ved="));
    table.addThroughput("Store: all names, 1 MB single-section file (vs SimpleIni)",
                        "store/entry_names/1MB_single_section",
                        "store/entry_names/1MB_single_section/simpleini", double(single.size()));
    onWallClock(
        benchmark::RegisterBenchmark("store/line_feeds/1MB_single_section", countLineFeeds, single),
        benchmark::kMicrosecond);
    table.addTimeRatio("Store: all names, 1 MB single-section file, against one memchr pass",
                       "store/entry_names/1MB_single_section",
                       "store/line_feeds/1MB_single_section", 2.0);
    // The SSE2 scan stays while it pays: the same listing without it.
    onWallClock(benchmark::RegisterBenchmark("store/entry_names/1MB_single_section/careful",
                                             ourEntryNames, single, QStringLiteral("ved="),
                                             ProfileDocument::Paths::Careful),
                benchmark::kMicrosecond);
    table.addThroughput(
        "Store: all names, 1 MB single-section file, SSE2 scan (vs the careful path)",
        "store/entry_names/1MB_single_section", "store/entry_names/1MB_single_section/careful",
        double(single.size()));
}

} // namespace tarvolin::bench

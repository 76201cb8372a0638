#pragma once

// The texts the benchmarks work on: profile files shaped like the ones the program writes, and
// URLs of a given number of pairs. Everything is generated, deterministically, so every run
// measures the same bytes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

namespace tarvolin::bench {

// The engine every benchmark uses, its query key and its engine file's name in the folder.
QString engineName();
QString queryKey();
QString engineFileName();
QString mainFileName();

// Key names as search URLs carry them, "q=" first; past the familiar ones they are numbered.
QString keyName(int index);

// A main profile file listing `engines` engines (engineName() first) and a LastUsed section
// naming engineName().
QByteArray mainFileText(int engines);

// An engine profile file of about `bytes` bytes, ending at a line end: key-name sections
// ("[hl=]") of remembered values ("en=en"), a few dozen per familiar key and a few hundred
// per numbered one. Never a "[q=]" section: the program does not remember search terms.
QByteArray engineFileText(qsizetype bytes);

// One "[ved=]" section of about `bytes` bytes of values.
QByteArray singleSectionText(qsizetype bytes);

// An engine file that knows `names` numbered key names ("[k000007=]"), one value each, the
// one distinctNamesUrl gives them.
QByteArray knownNamesText(int names);

// The section names of an engine file made by engineFileText, in file order.
QStringList sectionNamesOf(const QByteArray &engineFile);

// A search URL of `pairs` pairs: "q=" and then familiar key names; about half the values are
// ones a large engine file already holds, the rest are new. Another variant gives every pair
// another value.
QString realisticUrl(int pairs, int variant = 0);

// A URL of `pairs` pairs whose key names cycle through keyName(0) to keyName(names - 1); every
// value differs, so each pair adds an entry to the engine file.
QString repeatedNamesUrl(int pairs, int names);

// A URL of 16,384 pairs of one key name whose values are distinct texts of 112 characters.
// Colliding ones are those that a hash of four UTF-16 units a step, multiplied and folded
// (hash = mix(hash ^ units), mix(x) = x * odd ^ (x * odd >> 32)), maps to one value whatever
// its seed: in each run of eight units, units 3, 5 and 7 have their top bit set or not
// together. The others set units 3, 5 and 6 instead, which that hash spreads.
QString blockValuesUrl(bool colliding);

// A URL of `pairs` pairs, each with its own numbered key name ("k000007=v7").
QString distinctNamesUrl(int pairs);

// Generated texts kept for the length of a run: several benchmarks (and the framework's
// repeated calls of each) share the large ones.
class Corpus {
public:
    const QByteArray &engineFile(qsizetype bytes);
    const QByteArray &singleSection(qsizetype bytes);
    // A main file of about `bytes` bytes whose engine list makes up the bulk.
    const QByteArray &mainFileOfSize(qsizetype bytes);

private:
    std::map<qsizetype, QByteArray> engineFiles_;
    std::map<qsizetype, QByteArray> singleSections_;
    std::map<qsizetype, QByteArray> mainFiles_;
};

inline constexpr qsizetype kKiB = 1024;
inline constexpr qsizetype kMiB = 1024 * 1024;

} // namespace tarvolin::bench

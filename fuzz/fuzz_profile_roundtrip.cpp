// Writing arbitrary names and values into an arbitrary profile file, then reading back.
//
// The input gives the file's first bytes and up to eight writes; a write's section and entry
// name are either new text or names the file already lists, so edits, additions, deletions (a
// write without a value) and new sections all occur. The writes go once through the in-memory
// document and once through the store into a real file (the first few one by one, the rest in
// one Group), and once through a document that takes the careful paths only, which must give
// the same bytes. For all results:
//  - each written entry reads back exactly its last value, a deleted one as missing (unless the
//    file spelled it twice);
//  - every entry not written reads back as before;
//  - the section list is the old one plus the new sections, each entry list of a written section
//    the old one less the first of each deleted name, plus the new names in the order written;
//  - apart from the lines of written entries and the headers of written sections, the lines
//    are byte for byte the old lines, in the old order (an old last line without a line end
//    may have gained one).

#include "fuzz_support.h"
#include "settings/profile_document.h"
#include "settings/profile_store.h"
#include "settings/profile_text.h"

#include <QSet>

#include <fuzzer/FuzzedDataProvider.h>

using namespace tarvolin;
using fuzz::Check;
namespace text = tarvolin::profile_text;

namespace {

struct Write {
    QString section, key;
    std::optional<QString> value; // nullopt: delete
};

QString Text(FuzzedDataProvider &input) {
    const std::string bytes = input.ConsumeRandomLengthString(48);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// A name the file lists, or new text.
QString Name(FuzzedDataProvider &input, const QStringList &listed) {
    if (!listed.isEmpty() && input.ConsumeBool())
        return listed[input.ConsumeIntegralInRange<qsizetype>(0, listed.size() - 1)];
    return Text(input);
}

// Whether a line is a header naming one of `sections` or an entry line whose name is one of
// `keys`, in whatever section: the lines a write may change or add. Read as the document
// reads lines; the first line's byte order mark is not part of it.
bool Touched(QByteArrayView line, const QSet<QString> &sections, const QSet<QString> &keys) {
    qsizetype start = 0;
    while (start < line.size() && text::isBlank(line[start]))
        ++start;
    if (start == line.size() || line[start] == ';' || line[start] == '#')
        return false;
    const bool utf8 = line.isValidUtf8();
    if (line[start] == '[') {
        const qsizetype close = line.indexOf(']', start + 1);
        const QByteArrayView raw =
            line.sliced(start + 1, (close < 0 ? line.size() : close) - start - 1);
        return sections.contains(text::decodeField(text::trimmed(raw), utf8));
    }
    const qsizetype equals = line.indexOf('=', start);
    return equals >= 0 && keys.contains(text::decodeField(
                              text::trimmed(line.sliced(start, equals - start)), utf8));
}

// The lines of the file that no write may touch, without their line feeds.
QList<QByteArrayView> Untouched(QByteArrayView bytes, const QSet<QString> &sections,
                                const QSet<QString> &keys) {
    QList<QByteArrayView> lines;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    while (!bytes.isEmpty()) {
        const qsizetype newline = bytes.indexOf('\n');
        const QByteArrayView line = newline < 0 ? bytes : bytes.first(newline);
        if (!Touched(line, sections, keys))
            lines.append(line);
        bytes = newline < 0 ? QByteArrayView() : bytes.sliced(newline + 1);
    }
    return lines;
}

void CheckResult(const QByteArray &before, ProfileDocument &old, const QList<Write> &writes,
                 const QByteArray &after) {
    ProfileDocument now(after, ProfileDocument::Paths::Careful);
    QSet<QString> writtenSections, writtenKeys;
    QHash<QString, QHash<QString, std::optional<QString>>> last;
    QStringList sections = fuzz::Names(old.sectionList());
    QHash<QString, QStringList> names;
    for (const Write &w : writes) {
        writtenSections.insert(w.section);
        writtenKeys.insert(w.key);
        last[w.section][w.key] = w.value;
        if (!names.contains(w.section))
            names[w.section] = fuzz::Names(old.entryList(w.section));
        const bool listable = !w.key.contains(QChar(u'\0'));
        if (!w.value) {
            names[w.section].removeOne(w.key);
            continue;
        }
        if (listable && !names[w.section].contains(w.key))
            names[w.section].append(w.key);
        if (!w.section.contains(QChar(u'\0')) && !sections.contains(w.section))
            sections.append(w.section);
    }

    for (auto section = last.cbegin(); section != last.cend(); ++section) {
        for (auto entry = section->cbegin(); entry != section->cend(); ++entry) {
            // A name spelled twice reads as its second line once the first is deleted.
            if (entry.value() || fuzz::Names(old.entryList(section.key())).count(entry.key()) < 2)
                Check(now.value(section.key(), entry.key()) == entry.value());
        }
        Check(fuzz::Names(now.entryList(section.key())) == names[section.key()]);
    }
    Check(fuzz::Names(now.sectionList()) == sections);
    for (const QString &section : fuzz::Names(old.sectionList())) {
        for (const QString &name : fuzz::Names(old.entryList(section))) {
            if (!last.value(section).contains(name))
                Check(now.value(section, name) == old.value(section, name));
        }
    }

    const QList<QByteArrayView> oldLines = Untouched(before, writtenSections, writtenKeys);
    const QList<QByteArrayView> newLines = Untouched(after, writtenSections, writtenKeys);
    Check(oldLines.size() == newLines.size());
    for (qsizetype i = 0; i < oldLines.size(); ++i) {
        // Only a last line without a line feed ends where the file ends.
        const bool gainedEnd = oldLines[i].end() == before.constEnd() &&
                               newLines[i] == QByteArray(oldLines[i].toByteArray() + '\r');
        Check(newLines[i] == oldLines[i] || gainedEnd);
    }
    Check(after.startsWith("\xEF\xBB\xBF") == before.startsWith("\xEF\xBB\xBF"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string start = input.ConsumeRandomLengthString(2048);
    const QByteArray before(start.data(), qsizetype(start.size()));
    ProfileDocument old(before, ProfileDocument::Paths::Careful);
    const QStringList sections = fuzz::Names(old.sectionList());

    QList<Write> writes;
    const int count = input.ConsumeIntegralInRange(1, 8);
    for (int i = 0; i < count; ++i) {
        const QString section = Name(input, sections);
        const QString key = Name(input, fuzz::Names(old.entryList(section)));
        // One write in four deletes.
        if (input.ConsumeIntegralInRange(0, 3) == 0)
            writes.append({section, key, std::nullopt});
        else
            writes.append({section, key, Text(input)});
    }
    const int single = input.ConsumeIntegralInRange(0, count);

    ProfileDocument edited(before);
    ProfileDocument careful(before, ProfileDocument::Paths::Careful);
    for (const Write &w : writes) {
        for (ProfileDocument *document : {&edited, &careful}) {
            if (w.value)
                document->setValue(w.section, w.key, *w.value);
            else
                document->removeValue(w.section, w.key);
        }
    }
    // The shortcuts write what the careful paths write.
    Check(edited.toBytes() == careful.toBytes());
    CheckResult(before, old, writes, edited.toBytes());

    const QString folder = fuzz::ScratchProfile(before);
    ProfileStore store(folder);
    const QString path = QStringLiteral("./fuzz.ini");
    for (int i = 0; i < single; ++i)
        Check(store.WritePrivateProfileString(writes[i].section, writes[i].key, writes[i].value,
                                              path));
    {
        // The rest as one batch, inside a group, as a parse hands them over.
        ProfileStore::Group group(store);
        std::vector<ProfileWrite> batch;
        for (int i = single; i < count; ++i)
            batch.push_back(ProfileWrite{writes[i].section, writes[i].key, writes[i].value});
        Check(store.WritePrivateProfileStrings(batch, path));
    }
    QFile file(folder + QStringLiteral("/fuzz.ini"));
    Check(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    CheckResult(before, old, writes, saved);
    // A batch writes exactly what the same writes one by one give.
    if (single == 0)
        Check(saved == edited.toBytes());
    return 0;
}

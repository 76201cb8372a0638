// The profile reader on arbitrary bytes.
//
// The bytes become a profile file in a scratch folder and are read through the store's profile
// functions and the program's readers, which take every fast path; a document that takes only
// the careful paths reads the same bytes and is the measure. Nothing may crash or hang, and:
//  - the store lists every section and entry list exactly as the careful document;
//  - no name in a list holds NUL, and every entry listed for a section has a value (names a
//    hand-edited file spells twice are listed twice);
//  - the readers, which grow their buffer, hand over the same lists less the empty names;
//  - every listed entry's value reads the same through the store and the careful document;
//  - a buffer too small is cut as the platform cuts it: a list to size - 2 characters and two
//    NULs, a value to size - 1 characters and a NUL;
//  - a document without edits gives back exactly the bytes it was made from.
// All of it three times: in a first group, in a second that reuses what the first kept, and
// after a change of one byte in the file's last KiB, which must not be read as the kept bytes.

#include "fuzz_support.h"
#include "settings/profile_document.h"
#include "settings/profile_reader.h"

using namespace tarvolin;
using fuzz::Check;

namespace {

// Enough to reach every kind of line; more only slows each run down.
constexpr qsizetype kMaxNames = 32;
const QString kPath = QStringLiteral("./fuzz.ini");

// A document's list as the readers must hand it over: no name holds NUL, and the empty
// name is left out.
QStringList Readable(QStringList names) {
    for (const QString &name : names)
        Check(!name.contains(QChar(u'\0')));
    names.removeAll(QString());
    return names;
}

// The raw list function with a buffer of `size` against the whole list.
void CheckCut(const QString &full, const QString &buffer, qsizetype size, qsizetype count) {
    if (full.size() + 1 <= size) {
        Check(count == full.size() && buffer.first(count) == full && buffer[count] == u'\0');
    } else if (size >= 2) {
        Check(count == size - 2 && buffer.first(count) == full.first(count));
        Check(buffer[count] == u'\0' && buffer[count + 1] == u'\0');
    } else {
        Check(count == 0);
    }
}

// Every read of the store against the careful document of the same bytes.
void CheckReads(ProfileStore &store, ProfileDocument &&careful, qsizetype small) {
    ProfileStore::Group group(store);
    Check(store.readSectionList(kPath) == careful.sectionList());
    const QStringList sections = fuzz::Names(careful.sectionList());
    Check(ReadProfileSectionNames(store, kPath) == Readable(sections));
    QString buffer(small, u' ');
    CheckCut(careful.sectionList(), buffer, small,
             store.GetPrivateProfileSectionNames(buffer, small, kPath));

    for (const QString &section : sections.first(std::min(sections.size(), kMaxNames))) {
        const QString list = careful.entryList(section);
        Check(store.readEntryList(section, kPath) == list);
        const QStringList names = fuzz::Names(list);
        Check(ReadProfileEntryNames(store, section, kPath) == Readable(names));
        buffer.fill(u' ');
        CheckCut(
            list, buffer, small,
            store.GetPrivateProfileString(section, std::nullopt, QString(), buffer, small, kPath));
        for (const QString &name : names.first(std::min(names.size(), kMaxNames))) {
            const std::optional<QString> value = careful.value(section, name);
            Check(value.has_value());
            Check(ReadProfileValue(store, section, name, kPath) == *value);
            buffer.fill(u' ');
            const qsizetype count = store.GetPrivateProfileString(
                section, name, QStringLiteral("default"), buffer, small, kPath);
            Check(count == std::min(value->size(), small - 1));
            Check(buffer.first(count) == value->first(count) && buffer[count] == u'\0');
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString folder = fuzz::ScratchProfile(bytes);
    ProfileStore store(folder);
    Check(ProfileDocument(bytes).toBytes() == bytes);
    // A buffer of 1 to 16 characters, taken from the input so each size is reached.
    const qsizetype small = size > 0 ? 1 + data[0] % 16 : 1;
    for (int group = 0; group < 2; ++group)
        CheckReads(store, ProfileDocument(bytes, ProfileDocument::Paths::Careful), small);
    if (size > 0) {
        bytes[bytes.size() - 1 - data[size / 2] % std::min<qsizetype>(bytes.size(), 1024)] ^= 1;
        fuzz::ScratchProfile(bytes);
        CheckReads(store, ProfileDocument(bytes, ProfileDocument::Paths::Careful), small);
    }
    return 0;
}

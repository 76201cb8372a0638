// The profile reader on arbitrary bytes.
//
// The bytes become a profile file in a scratch folder and are read through the store's profile
// functions and the program's readers; the in-memory document reads the same bytes. Nothing may
// crash or hang, and:
//  - no name in the section list or in a section's entry list holds NUL, and every entry listed
//    for a section has a value (names a hand-edited file spells twice are listed twice);
//  - the readers, which grow their buffer, hand over the document's lists less the empty names;
//  - every listed entry's value reads the same through the store and through the document;
//  - a buffer too small is cut as the platform cuts it: a list to size - 2 characters and two
//    NULs, a value to size - 1 characters and a NUL;
//  - a document without edits gives back exactly the bytes it was made from.

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ProfileStore store(fuzz::ScratchProfile(bytes));
    const ProfileDocument document(bytes);
    Check(document.toBytes() == bytes);

    ProfileStore::Group group(store);
    const QStringList sections = document.sectionNames();
    Check(ReadProfileSectionNames(store, kPath) == Readable(sections));

    // A buffer of 1 to 16 characters, taken from the input so each size is reached.
    const qsizetype small = size > 0 ? 1 + data[0] % 16 : 1;
    QString buffer(small, u' ');
    CheckCut(document.sectionList(), buffer, small,
             store.GetPrivateProfileSectionNames(buffer, small, kPath));

    for (const QString &section : sections.first(std::min(sections.size(), kMaxNames))) {
        const QStringList names = document.entryNames(section);
        Check(ReadProfileEntryNames(store, section, kPath) == Readable(names));
        buffer.fill(u' ');
        CheckCut(
            document.entryList(section), buffer, small,
            store.GetPrivateProfileString(section, std::nullopt, QString(), buffer, small, kPath));
        for (const QString &name : names.first(std::min(names.size(), kMaxNames))) {
            const std::optional<QString> value = document.value(section, name);
            Check(value.has_value());
            Check(ReadProfileValue(store, section, name, kPath) == *value);
            buffer.fill(u' ');
            const qsizetype count = store.GetPrivateProfileString(
                section, name, QStringLiteral("default"), buffer, small, kPath);
            Check(count == std::min(value->size(), small - 1));
            Check(buffer.first(count) == value->first(count) && buffer[count] == u'\0');
        }
    }
    return 0;
}

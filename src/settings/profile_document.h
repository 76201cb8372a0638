#pragma once

#include "settings/hash_index.h"
#include "settings/profile_store.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

namespace tarvolin {

// One profile file held in memory: the bytes as read, plus the edits made since. No I/O.
//
// Lines are "[section]" headers and "name=value" entries; see profile_text.h for how names and
// values are spelled. Blanks, tabs and CR around names and values are not part of them; a
// value wrapped in a pair of equal quotes is read without them. Lines starting with ";" or "#"
// are comments; lines without "=" and lines before the first header belong to no entry. A line
// ends at LF; "\r\n" and "\n" files are both read. A UTF-8 BOM at the start is skipped and kept.
//
// When a section appears more than once, its first occurrence is the one read and written;
// likewise the first entry of a name in that section. Lists hold names as the file spells them,
// duplicates of a hand-edited file included, as the platform functions do; the document itself
// never writes a name twice into one section.
//
// The original bytes are never copied into per-line strings: headers are found by scanning for
// "[" and only the lines of the section asked for are decoded, so reading one section costs
// little more than finding it. Plain ASCII names are compared by their bytes, undecoded.
class ProfileDocument {
public:
    ProfileDocument() = default;
    explicit ProfileDocument(QByteArray bytes);
    // Moved, never copied: the indexes hold views of the document's own strings and bytes.
    ProfileDocument(ProfileDocument &&) = default;
    ProfileDocument &operator=(ProfileDocument &&) = default;
    ProfileDocument(const ProfileDocument &) = delete;
    ProfileDocument &operator=(const ProfileDocument &) = delete;

    // Section names in file order (sections added by setValue at the end). Like the lists below,
    // a name that appears twice in the file is listed twice and a name holding NUL is left out.
    QStringList sectionNames() const;
    // Entry names of a section in file order (entries added by setValue at its end); empty
    // when the section is missing. An entry with an empty name is listed as an empty name.
    QStringList entryNames(const QString &section) const;
    // The same lists in the profile functions' form: each name followed by NUL. A name holding
    // NUL itself is left out, as it cannot be told apart from two names.
    QString sectionList() const;
    QString entryList(const QString &section) const;
    // The entry's value; nullopt when the section or entry is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Sets an entry. The first edit of an existing entry replaces its line (keeping the name as
    // spelled and the line end); a new entry goes after the last entry line of its section; a
    // new section goes at the end of the file. Other bytes are kept exactly.
    void setValue(const QString &section, const QString &key, const QString &value);
    // The same for each write in order, as if setValue were called for each: a later write of
    // the same entry replaces the earlier one. Nothing is allocated for a write whose entry
    // the batch or the group already holds with the same value.
    // A write without a value forgets its entry (see removeValue).
    void setValues(const std::vector<ProfileWrite> &writes);
    // Forgets an entry: its whole line, line end included, goes and every other byte stays.
    // Returns false, changing nothing, when the section or entry is missing.
    bool removeValue(const QString &section, const QString &key);

    bool isModified() const { return !written_.empty() || removed_; }
    // The bytes the document was built from (after its last removeValue).
    const QByteArray &bytes() const { return bytes_; }
    // The file's bytes with the edits applied.
    QByteArray toBytes() const;

private:
    // One slot of a section's entry index: open addressing on the name's bytes, which stay in
    // bytes_ (lineStart 0 with keySize 0 marks a free slot; no entry line starts at 0 with an
    // empty name and a header above it).
    struct EntrySlot {
        quint32 lineStart = 0;
        quint32 keyStart = 0;
        quint32 keySize = 0;
    };
    struct Header {
        qsizetype nameStart; // the name's raw bytes, trimmed
        qsizetype nameSize;
        qsizetype lineStart;
        qsizetype bodyStart;
        qsizetype bodyEnd;
        bool plain;      // printable ASCII without backslash: the bytes are the name
        QString decoded; // the name, for headers that are not plain
        // A large section looked up again gets an index of its entries' first lines by name
        // bytes, when every name in it is plain (-1: it holds other names, never indexed).
        mutable int lookups = 0;
        mutable std::vector<EntrySlot> entryIndex;
    };
    struct Entry {
        qsizetype lineStart;
        qsizetype contentEnd; // before the line end
        qsizetype next;       // start of the next line
        qsizetype keyStart;
        qsizetype keyEnd;
        qsizetype valueStart;
        qsizetype valueEnd;
    };
    // An entry of a section being written: an existing line (lineStart >= 0) or a new one. Its
    // name, and its value once written, are spans of text_, so a write allocates nothing of
    // its own.
    struct Slot {
        qsizetype section; // index into written_
        qsizetype keyAt;
        qsizetype keySize;
        qsizetype valueAt = 0;
        qsizetype valueSize = 0;
        qsizetype lineStart = -1;
        qsizetype contentEnd = -1;
        bool changed = false; // an existing line with a new value
    };
    // A section being written. A few writes look their entry up by scanning the section; more
    // put all its entries in slots_, so a group of n writes costs O(n + section size).
    struct Written {
        QString name;
        std::vector<qsizetype> added; // slots of new entries in the order written
        qsizetype insertAt = -1; // where added entries go; -1 until the first one (or new section)
        bool complete = false;   // every entry of the section is in slots_
        bool inFile = true;      // false for a section that setValue adds at the end
        int scans = 0;
    };

    void ensureIndex() const;
    const Header *findHeader(const QString &section) const;
    bool parseEntry(qsizetype lineStart, qsizetype lineEnd, Entry &entry) const;
    bool entryAt(qsizetype lineStart, Entry &entry) const;
    template <typename Visit> void forEachEntry(const Header &header, Visit visit) const;
    bool findEntry(const Header &header, QStringView key, Entry &found) const;
    bool scanForEntry(const Header &header, QStringView key, Entry &found) const;
    bool indexEntries(const Header &header) const;
    const EntrySlot *findIndexed(const Header &header, QByteArrayView key) const;
    bool hasEscape(qsizetype from, qsizetype to) const;
    qsizetype endOfEntries(const Header &header) const;
    void completeIndex(qsizetype index);
    bool lineIsUtf8(const Entry &entry) const;
    QString keyOf(const Entry &entry) const;
    QString valueOf(const Entry &entry) const;
    QStringView textAt(qsizetype at, qsizetype size) const;
    qsizetype append(QStringView text);
    quint64 slotHash(qsizetype section, QStringView key) const;
    qsizetype findSlot(qsizetype section, QStringView key, quint64 hash) const;
    qsizetype addSlot(quint64 hash, const Slot &slot);
    qsizetype findWritten(QStringView section) const;
    qsizetype writtenSection(QStringView section);
    void setRun(std::span<const ProfileWrite> writes);
    void writeEntry(qsizetype index, QStringView key, QStringView value, quint64 hash);
    QByteArray lineEnd() const;
    QByteArray editedLine(const Slot &slot) const;
    void appendAdded(QByteArray &out, qsizetype section, QByteArrayView eol) const;

    QByteArray bytes_;
    qsizetype bodyStart_ = 0;
    bool removed_ = false; // bytes_ lost a line since the document was read
    mutable bool indexed_ = false;
    mutable std::vector<Header> headers_;
    // First header of each name: plain names by their bytes (views into bytes_, which is never
    // changed), others by their decoded name.
    mutable QHash<QByteArrayView, qsizetype> plainHeaders_;
    mutable QHash<QString, qsizetype> decodedHeaders_;
    quint64 seed_ = QHashSeed::globalSeed();
    std::vector<Written> written_;
    HashIndex writtenIndex_; // written_ by name
    // Slots of all written sections, by section and name: one index for all sections, since a
    // parse touches many sections with few writes each.
    std::vector<Slot> slots_;
    HashIndex slotIndex_;
    std::vector<char16_t> text_; // the slots' names and values, appended
    QStringList newSections_;
};

} // namespace tarvolin

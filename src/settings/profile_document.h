#pragma once

#include "settings/hashed_positions.h"
#include "settings/output_pieces.h"
#include "settings/profile_store.h"
#include "settings/seeded_hash.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace tarvolin {

// One profile file held in memory: the bytes as read, plus the edits made since. No I/O. The
// format and the rules for sections and entries met twice are profile_store.h's; lines end at
// LF, so "\r\n" and "\n" files both read; a UTF-8 BOM at the start is skipped and kept; lines
// without "=", and lines before the first header, belong to no entry.
//
// The bytes are never copied into per-line strings: headers are found by scanning for "[" and
// only the lines of the section asked for are read. Names whose bytes are their text (see
// plain_name.h) are compared and listed undecoded.
//
// Paths::Careful turns off every shortcut that exists only for speed (the SSE2 listing of plain
// names, the table of a section's entries, the sections met again in a batch, the plain copy of
// written fields, output pieces that point into the bytes read): the tests compare the two on
// the same bytes.
class ProfileDocument {
public:
    enum class Paths { Fast, Careful };

    ProfileDocument() = default;
    explicit ProfileDocument(QByteArray bytes, Paths paths = Paths::Fast);
    // Moved, never copied: a document may hold a whole file and a parse's worth of writes.
    ProfileDocument(ProfileDocument &&) = default;
    ProfileDocument &operator=(ProfileDocument &&) = default;
    ProfileDocument(const ProfileDocument &) = delete;
    ProfileDocument &operator=(const ProfileDocument &) = delete;

    // Section names in file order (sections added by setValue at the end), each followed by NUL,
    // as the profile functions list them. A name that appears twice in the file is listed twice;
    // a name holding NUL is left out, as it cannot be told apart from two names.
    QString sectionList() const;
    // The entry names of a section in the same form (entries added by setValue at its end);
    // empty when the section is missing. An entry with an empty name is listed as an empty name.
    QString entryList(const QString &section) const;
    // The entry's value; nullopt when the section or entry is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Sets an entry. The first edit of an existing entry replaces its line (keeping the name as
    // spelled and the line end); a new entry goes after the last entry line of its section; a
    // new section goes at the end of the file. Other bytes are kept exactly.
    void setValue(const QString &section, const QString &key, const QString &value);
    // The same for each write in order: a later write of the same entry replaces the earlier
    // one, and a write without a value forgets its entry (see removeValue). Nothing is allocated
    // for a write whose entry the document already holds with the same value.
    void setValues(const std::vector<ProfileWrite> &writes);
    // Forgets an entry: its whole line, line end included, goes and every other byte stays.
    // Returns false, changing nothing, when the section or entry is missing.
    bool removeValue(const QString &section, const QString &key);
    // Forgets a section's header line and every line up to the next header; false if missing.
    bool removeSection(const QString &section);

    bool isModified() const { return !writtenSections_.empty() || removed_; }
    // The bytes the document was built from (after its last removeValue).
    const QByteArray &bytes() const { return bytes_; }
    // The file's bytes with the edits applied, as pieces that may point into bytes(): a large
    // file is written out without a copy of it. Valid while the document is, unchanged.
    OutputPieces output() const;
    // The same bytes in one array.
    QByteArray toBytes() const;

private:
    // A "[name]" line and the lines up to the next one.
    struct Section {
        qsizetype nameStart; // the name's raw bytes, trimmed
        qsizetype nameSize;
        qsizetype bodyStart;
        qsizetype bodyEnd;
        bool plain;      // the name's bytes are its text
        QString decoded; // the name, for the others
        // Looked up a second time, a section gets a table of its entries' line starts by name.
        mutable int lookups = 0;
        mutable std::optional<HashedPositions> entries;
    };
    // An entry line: offsets into bytes_.
    struct EntryLine {
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
    struct WrittenEntry {
        qsizetype section; // position in writtenSections_
        qsizetype keyAt;
        qsizetype keySize;
        qsizetype valueAt = 0;
        qsizetype valueSize = 0;
        qsizetype lineStart = -1;
        qsizetype contentEnd = -1;
        bool changed = false; // an existing line with a new value
    };
    struct WrittenSection {
        qsizetype nameAt = 0; // its name, a span of text_
        qsizetype nameSize = 0;
        std::vector<qsizetype> added; // new entries in the order written
        qsizetype addedChars = 0;     // their names' and values' lengths, to size the output
        qsizetype insertAt = -1; // where added entries go; -1 until the first one (or new section)
        // Its first section in the file (position in sections_), found once for all its writes;
        // -1 for a section added at the end of the file (in the order of writtenSections_).
        qsizetype inFile = -1;
    };

    // Lookup (document_lookup.cpp). Every table finds a name by the seeded hash of its text
    // (nameHash), so one hash of a written name serves them all.
    size_t nameHash(QStringView name) const { return seededHash(name, seed_); }
    template <typename Matches>
    void addFirst(HashedPositions &table, QByteArrayView raw, bool plain, const QString &decoded,
                  qsizetype position, Matches matches) const;
    void findSections() const;
    bool sectionIs(const Section &section, QStringView name) const;
    const Section *findSection(QStringView name, size_t hash) const;
    bool parseEntry(qsizetype lineStart, qsizetype lineEnd, EntryLine &entry) const;
    bool entryAt(qsizetype lineStart, EntryLine &entry) const;
    template <typename Visit> void forEachEntry(const Section &section, Visit visit) const;
    bool keyIs(const EntryLine &entry, QStringView key) const;
    bool findEntry(const Section &section, QStringView key, size_t hash, EntryLine &found) const;
    qsizetype endOfEntries(const Section &section) const;
    bool lineIsUtf8(const EntryLine &entry) const;
    QByteArrayView rawKey(const EntryLine &entry) const;
    QString keyOf(const EntryLine &entry) const;
    QString valueOf(const EntryLine &entry) const;

    // Edits (document_edits.cpp).
    QStringView textAt(qsizetype at, qsizetype size) const {
        return QStringView(text_.data() + at, size);
    }
    qsizetype append(QStringView text);
    static size_t writtenHash(qsizetype section, size_t keyHash);
    qsizetype findWrittenEntry(qsizetype section, QStringView key, size_t hash) const;
    QStringView writtenSectionName(qsizetype section) const;
    qsizetype findWrittenSection(QStringView name, size_t hash) const;
    qsizetype writtenSection(QStringView name, size_t hash);
    // Applies writes up to the first one without a value; returns how many it applied.
    size_t setRun(std::span<const ProfileWrite> writes);
    void writeEntry(qsizetype section, size_t keyHash, QStringView key, QStringView value);

    // Output (document_bytes.cpp).
    QByteArray lineEnd() const;
    QByteArray editedLine(const WrittenEntry &entry) const;
    void appendAdded(QByteArray &out, qsizetype section, QByteArrayView eol) const;

    QByteArray bytes_;
    qsizetype bodyStart_ = 0;
    Paths paths_ = Paths::Fast;
    bool removed_ = false; // bytes_ lost a line since the document was read
    mutable bool sectionsFound_ = false;
    mutable std::vector<Section> sections_;
    mutable HashedPositions sectionTable_; // first section of each name, by position in sections_
    size_t seed_ = QHashSeed::globalSeed();
    std::vector<WrittenSection> writtenSections_;
    HashedPositions writtenSectionHashes_;
    // The entries of all written sections, found by section and name through one table: a
    // parse touches many sections with few writes each.
    std::vector<WrittenEntry> writtenEntries_;
    HashedPositions writtenEntryHashes_;
    std::vector<qsizetype> changedEntries_; // the written entries that replace a line
    std::vector<char16_t> text_;            // the written entries' names and values, appended
};

} // namespace tarvolin

#pragma once

#include "settings/profile_store.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace tarvolin {

// One profile file held in memory: the bytes as read, plus the edits made since. No I/O. The
// format and the rules for sections and entries met twice are profile_store.h's; lines end at
// LF; a UTF-8 BOM at the start is skipped and kept; lines without "=", and lines before the first
// header, belong to no entry. Only the lines of the section asked for are read.
//
// Not thread-safe, and its reads say so by not being const: a read may build the table of a
// section's entries (see findEntry). Use a document from one thread at a time.
//
// Paths::Careful turns off the paths that exist only for speed (the SSE2 listing of plain names,
// the table of a section's entries): the fuzz targets compare the two on the same bytes.
class ProfileDocument {
public:
    enum class Paths { Fast, Careful };

    ProfileDocument() = default;
    explicit ProfileDocument(QByteArray bytes, Paths paths = Paths::Fast);
    // Moved, never copied: a document may hold a whole file and a parse's worth of writes, and
    // its tables hold views of its own text.
    ProfileDocument(ProfileDocument &&) = default;
    ProfileDocument &operator=(ProfileDocument &&) = default;
    ProfileDocument(const ProfileDocument &) = delete;
    ProfileDocument &operator=(const ProfileDocument &) = delete;

    // Section names in file order (sections added by setValue at the end), each followed by NUL,
    // as the profile functions list them. A name that appears twice in the file is listed twice;
    // a name holding NUL is left out, as it cannot be told apart from two names.
    QString sectionList();
    // The entry names of a section in the same form (entries added by setValue at its end);
    // empty when the section is missing. An entry with an empty name is listed as an empty name.
    QString entryList(const QString &section);
    // The entry's value; nullopt when the section or entry is missing.
    std::optional<QString> value(QStringView section, QStringView key);

    // Sets an entry. The first edit of an existing entry replaces its line (keeping the name as
    // spelled and the line end); a new entry goes after the last entry line of its section; a
    // new section goes at the end of the file. Other bytes are kept exactly.
    void setValue(QStringView section, QStringView key, QStringView value);
    // The same for each write in order: a later write of the same entry replaces the earlier
    // one, and a write without a value forgets its entry (see removeValue).
    void setValues(const std::vector<ProfileWrite> &writes);
    // Forgets an entry: its whole line, line end included, goes and every other byte stays.
    // Returns false, changing nothing, when the section or entry is missing.
    bool removeValue(QStringView section, QStringView key);
    // Forgets a section's header line and every line up to the next header; false if missing.
    bool removeSection(QStringView section);

    bool isModified() const { return !writtenSections_.empty() || removed_; }
    // The bytes the document was built from (after its last removeValue).
    const QByteArray &bytes() const { return bytes_; }
    // The file's bytes with the edits applied.
    QByteArray toBytes() const;

private:
    // An entry name hashed once (Qt's seeded qHash), however often tables look it up or grow. For
    // the row "Parse, 100,000 pairs (50 names), 2 KB engine file" (goal 12x): callgrind counted
    // 397 M instructions for three clicks with it, 442 M with QStringView keys (Qt 6.4.2).
    struct Name {
        QStringView text;
        size_t hash;
        friend bool operator==(Name a, Name b) { return a.hash == b.hash && a.text == b.text; }
        friend size_t qHash(const Name &name, size_t) { return name.hash; }
    };
    static Name named(QStringView text) { return {text, qHash(text, QHashSeed::globalSeed())}; }
    // A "[name]" line and the lines up to the next one.
    struct Section {
        QString name;
        qsizetype headerStart; // the start of the "[name]" line
        qsizetype bodyStart;
        qsizetype bodyEnd;
        // Looked up a second time, a section gets a table of its entries' line starts by name.
        int lookups = 0;
        std::optional<QHash<Name, qsizetype>> entries;
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
    // An entry of a section being written: an existing line (lineStart >= 0) or a new one.
    struct WrittenEntry {
        QStringView key; // views of text_
        QStringView value;
        qsizetype lineStart = -1;
        qsizetype contentEnd = -1;
        bool changed = false; // an existing line with a new value
    };
    struct WrittenSection {
        QStringView name;
        QHash<Name, qsizetype> entries; // positions in writtenEntries_
        std::vector<qsizetype> added;   // new entries in the order written
        qsizetype insertAt = -1; // where added entries go; -1 until the first one (or new section)
        qsizetype inFile = -1;   // its section in sections_, -1 for one added at the end
    };

    // Lookup (document_lookup.cpp).
    template <typename Text> QStringView keep(Text text); // QStringView or QLatin1StringView
    Section *findSection(QStringView name);
    bool parseEntry(qsizetype lineStart, qsizetype lineEnd, EntryLine &entry) const;
    bool entryAt(qsizetype lineStart, EntryLine &entry) const;
    template <typename Visit> void forEachEntry(const Section &section, Visit visit) const;
    bool findEntry(Section &section, const Name &key, EntryLine &found);
    qsizetype endOfEntries(const Section &section) const;
    bool lineIsUtf8(const EntryLine &entry) const;
    QByteArrayView rawKey(const EntryLine &entry) const;
    QString keyOf(const EntryLine &entry) const;
    QString valueOf(const EntryLine &entry) const;

    // Edits (document_edits.cpp).
    qsizetype writtenSection(QStringView name);
    void writeEntry(qsizetype section, QStringView key, QStringView value);

    // Output (document_bytes.cpp).
    QByteArray lineEnd() const;
    QByteArray editedLine(const WrittenEntry &entry) const;
    void appendAdded(QByteArray &out, const WrittenSection &section, QByteArrayView eol) const;

    QByteArray bytes_;
    qsizetype bodyStart_ = 0;
    Paths paths_ = Paths::Fast;
    bool removed_ = false; // bytes_ lost a line since the document was read
    std::vector<Section> sections_;
    QHash<QStringView, qsizetype> sectionIndex_; // first section of each name
    std::vector<WrittenSection> writtenSections_;
    QHash<QStringView, qsizetype> writtenSectionIndex_;
    std::vector<WrittenEntry> writtenEntries_;
    std::vector<qsizetype> changedEntries_; // the written entries that replace a line
    // Names and values the tables view, appended to blocks that are never reallocated (see keep).
    std::vector<QString> text_;
};

} // namespace tarvolin

// Writing entries into a document: each written entry's name and value are kept as spans of
// one text buffer, found by section and name through one hashed table.

#include "settings/profile_document.h"

#include <algorithm>
#include <array>

namespace tarvolin {

qsizetype ProfileDocument::append(QStringView text) {
    const auto at = qsizetype(text_.size());
    text_.insert(text_.end(), text.utf16(), text.utf16() + text.size());
    return at;
}

size_t ProfileDocument::writtenHash(qsizetype section, size_t keyHash) {
    // The same name written to many sections spreads over the table, not one run of buckets.
    return keyHash ^ ((size_t(section) + 1) * 0x9E3779B97F4A7C15ULL);
}

qsizetype ProfileDocument::findWrittenEntry(qsizetype section, QStringView key, size_t hash) const {
    return writtenEntryHashes_.find(hash, [&](qsizetype position) {
        const WrittenEntry &entry = writtenEntries_[size_t(position)];
        return entry.section == section && textAt(entry.keyAt, entry.keySize) == key;
    });
}

QStringView ProfileDocument::writtenSectionName(qsizetype section) const {
    const WrittenSection &written = writtenSections_[size_t(section)];
    return textAt(written.nameAt, written.nameSize);
}

qsizetype ProfileDocument::findWrittenSection(QStringView name, size_t hash) const {
    return writtenSectionHashes_.find(
        hash, [&](qsizetype position) { return writtenSectionName(position) == name; });
}

qsizetype ProfileDocument::writtenSection(QStringView name, size_t hash) {
    if (const qsizetype found = findWrittenSection(name, hash); found >= 0)
        return found;
    WrittenSection written;
    written.nameSize = name.size();
    written.nameAt = append(name);
    if (const Section *inFile = findSection(name, hash))
        written.inFile = inFile - sections_.data();
    const auto position = qsizetype(writtenSections_.size());
    writtenSectionHashes_.insert(hash, position);
    writtenSections_.push_back(std::move(written));
    return position;
}

void ProfileDocument::setValue(const QString &section, const QString &key, const QString &value) {
    writeEntry(writtenSection(section, nameHash(section)), nameHash(key), key, value);
}

void ProfileDocument::setValues(const std::vector<ProfileWrite> &writes) {
    // Runs of writes between deletions; a deletion rebuilds the document from the run before it.
    for (size_t from = 0; from < writes.size(); ++from) {
        from += setRun(std::span(writes).subspan(from));
        if (from == writes.size())
            break;
        removeValue(writes[from].section.toString(), writes[from].key.toString());
    }
}

size_t ProfileDocument::setRun(std::span<const ProfileWrite> writes) {
    // Grown geometrically: a group may send many small batches.
    if (const size_t needed = writtenEntries_.size() + writes.size();
        needed > writtenEntries_.capacity())
        writtenEntries_.reserve(std::max(needed, 2 * writtenEntries_.capacity()));
    writtenEntryHashes_.reserve(qsizetype(writtenEntries_.size() + writes.size()));
    // Each write's section and hash are found one write ahead, so that its bucket is loaded
    // while the write before it is applied.
    struct Target {
        qsizetype section;
        size_t keyHash;
    };
    // A parse names the same few sections again and again: the section of each name met is
    // kept in a small table, placed by a few of the name's characters and checked by comparing
    // the name, so most writes skip the seeded hash of their section's name. Names that share
    // a place only miss it and take that hash.
    struct RecentSection {
        QStringView name;
        qsizetype section = -1;
    };
    std::array<RecentSection, 256> recent{};
    const auto sectionOf = [&](QStringView name) {
        if (paths_ == Paths::Careful)
            return writtenSection(name, nameHash(name));
        size_t place = size_t(name.size());
        for (const qsizetype at : {qsizetype(0), qsizetype(1), name.size() - 2, name.size() - 1})
            place = place * 31 + (at >= 0 && at < name.size() ? name[at].unicode() : 0);
        RecentSection &slot = recent[place % recent.size()];
        if (slot.section < 0 || slot.name != name)
            slot = RecentSection{name, writtenSection(name, nameHash(name))};
        return slot.section;
    };
    const auto target = [&](const ProfileWrite &write) {
        const qsizetype section = sectionOf(write.section);
        const Target found{section, nameHash(write.key)};
        writtenEntryHashes_.prefetch(writtenHash(section, found.keyHash));
        return found;
    };
    const auto isSet = [&](size_t i) { return i < writes.size() && writes[i].value; };
    Target next = isSet(0) ? target(writes.front()) : Target{};
    size_t i = 0;
    for (; isSet(i); ++i) {
        const Target current = next;
        if (isSet(i + 1))
            next = target(writes[i + 1]);
        writeEntry(current.section, current.keyHash, writes[i].key, *writes[i].value);
    }
    return i;
}

void ProfileDocument::writeEntry(qsizetype section, size_t keyHash, QStringView key,
                                 QStringView value) {
    const size_t hash = writtenHash(section, keyHash);
    qsizetype found = findWrittenEntry(section, key, hash);
    WrittenSection &written = writtenSections_[size_t(section)];
    const auto add = [&](const WrittenEntry &entry) {
        writtenEntries_.push_back(entry);
        writtenEntryHashes_.insert(hash, qsizetype(writtenEntries_.size()) - 1);
        return qsizetype(writtenEntries_.size()) - 1;
    };
    if (found < 0 && written.inFile >= 0) {
        // The first write of a name the file holds takes over that entry's line.
        if (EntryLine line; findEntry(sections_[size_t(written.inFile)], key, keyHash, line))
            found = add({section, append(key), key.size(), 0, 0, line.lineStart, line.contentEnd});
    }
    if (found >= 0) {
        WrittenEntry &entry = writtenEntries_[size_t(found)];
        const bool isNew = entry.lineStart < 0;
        // A line that already reads as the value stays as it is, quotes and blanks included.
        if (!isNew && !entry.changed) {
            if (EntryLine line; entryAt(entry.lineStart, line) && valueOf(line) == value)
                return;
        }
        if ((!isNew && !entry.changed) || textAt(entry.valueAt, entry.valueSize) != value) {
            if (isNew)
                written.addedChars += value.size() - entry.valueSize;
            entry.valueSize = value.size();
            entry.valueAt = append(value);
        }
        if (!isNew && !entry.changed)
            changedEntries_.push_back(found);
        entry.changed = !isNew;
        return;
    }
    const qsizetype keyAt = append(key);
    // A remembered value is its own name: one copy serves both.
    const bool valueIsKey = value.data() == key.data() && value.size() == key.size();
    const qsizetype valueAt = valueIsKey ? keyAt : append(value);
    // Most sections of a parse get a few new entries: their lists start at eight.
    if (written.added.size() == written.added.capacity())
        written.added.reserve(std::max<size_t>(8, 2 * written.added.capacity()));
    written.added.push_back(add({section, keyAt, key.size(), valueAt, value.size()}));
    written.addedChars += key.size() + value.size();
    if (written.insertAt < 0 && written.inFile >= 0)
        written.insertAt = endOfEntries(sections_[size_t(written.inFile)]);
}

bool ProfileDocument::removeValue(const QString &section, const QString &key) {
    if (!value(section, key))
        return false;
    // Forgetting is rare: the edits so far are applied, and the entry's line cut from the result.
    ProfileDocument edited(toBytes(), paths_);
    EntryLine line;
    const Section *found = edited.findSection(section, nameHash(section));
    if (!found || !edited.findEntry(*found, key, nameHash(key), line))
        return false;
    QByteArray bytes = std::move(edited.bytes_);
    bytes.remove(line.lineStart, line.next - line.lineStart);
    *this = ProfileDocument(std::move(bytes), paths_);
    removed_ = true;
    return true;
}

bool ProfileDocument::removeSection(const QString &section) {
    ProfileDocument edited(toBytes(), paths_);
    const Section *found = edited.findSection(section, nameHash(section));
    if (!found)
        return false;
    QByteArray bytes = std::move(edited.bytes_);
    // From the start of the header's line (after a BOM) to the next header's line.
    const qsizetype start =
        std::max(bytes.lastIndexOf('\n', found->nameStart) + 1, edited.bodyStart_);
    bytes.remove(start, found->bodyEnd - start);
    *this = ProfileDocument(std::move(bytes), paths_);
    removed_ = true;
    return true;
}

} // namespace tarvolin

// Writing entries into a document: each written entry's name and value are kept in the
// document's text, found by section and name through one table per written section.

#include "settings/profile_document.h"

namespace tarvolin {

qsizetype ProfileDocument::writtenSection(QStringView name) {
    if (const qsizetype found = writtenSectionIndex_.value(name, -1); found >= 0)
        return found;
    WrittenSection written;
    written.name = keep(name);
    if (const Section *inFile = findSection(name))
        written.inFile = inFile - sections_.data();
    const auto position = qsizetype(writtenSections_.size());
    writtenSectionIndex_.insert(written.name, position);
    writtenSections_.push_back(std::move(written));
    return position;
}

void ProfileDocument::setValue(QStringView section, QStringView key, QStringView value) {
    writeEntry(writtenSection(section), key, value);
}

void ProfileDocument::setValues(const std::vector<ProfileWrite> &writes) {
    writtenEntries_.reserve(writtenEntries_.size() + writes.size());
    for (const ProfileWrite &write : writes) {
        if (write.value)
            writeEntry(writtenSection(write.section), write.key, *write.value);
        else
            removeValue(write.section, write.key);
    }
}

void ProfileDocument::writeEntry(qsizetype section, QStringView key, QStringView value) {
    WrittenSection &written = writtenSections_[size_t(section)];
    const Name name = named(key);
    qsizetype found = written.entries.value(name, -1);
    if (found < 0 && written.inFile >= 0) {
        // The first write of a name the file holds takes over that entry's line.
        if (EntryLine line; findEntry(sections_[size_t(written.inFile)], name, line)) {
            found = qsizetype(writtenEntries_.size());
            writtenEntries_.push_back({keep(key), {}, line.lineStart, line.contentEnd});
            written.entries.insert(Name{writtenEntries_.back().key, name.hash}, found);
        }
    }
    if (found >= 0) {
        WrittenEntry &entry = writtenEntries_[size_t(found)];
        const bool isNew = entry.lineStart < 0;
        // A line that already reads as the value stays as it is, quotes and blanks included.
        if (!isNew && !entry.changed) {
            if (EntryLine line; entryAt(entry.lineStart, line) && valueOf(line) == value)
                return;
            changedEntries_.push_back(found);
            entry.changed = true;
        }
        if (entry.value != value)
            entry.value = keep(value);
        return;
    }
    const QStringView keyText = keep(key);
    // A remembered value is its own name: one copy serves both.
    const bool valueIsKey = value.data() == key.data() && value.size() == key.size();
    writtenEntries_.push_back({keyText, valueIsKey ? keyText : keep(value)});
    written.added.push_back(qsizetype(writtenEntries_.size()) - 1);
    written.entries.insert(Name{keyText, name.hash}, written.added.back());
    if (written.insertAt < 0 && written.inFile >= 0)
        written.insertAt = endOfEntries(sections_[size_t(written.inFile)]);
}

bool ProfileDocument::removeValue(QStringView section, QStringView key) {
    if (!value(section, key))
        return false;
    // Forgetting is rare: the edits so far are applied, and the entry's line cut from the result.
    ProfileDocument edited(toBytes(), paths_);
    EntryLine line;
    Section *found = edited.findSection(section);
    if (!found || !edited.findEntry(*found, named(key), line))
        return false;
    QByteArray bytes = std::move(edited.bytes_);
    bytes.remove(line.lineStart, line.next - line.lineStart);
    *this = ProfileDocument(std::move(bytes), paths_);
    removed_ = true;
    return true;
}

bool ProfileDocument::removeSection(QStringView section) {
    ProfileDocument edited(toBytes(), paths_);
    const Section *found = edited.findSection(section);
    if (!found)
        return false;
    // From the start of the header's line (after a BOM) to the next header's line.
    QByteArray bytes = std::move(edited.bytes_);
    bytes.remove(found->headerStart, found->bodyEnd - found->headerStart);
    *this = ProfileDocument(std::move(bytes), paths_);
    removed_ = true;
    return true;
}

} // namespace tarvolin

// Finding sections and entries in a document's bytes.

#include "settings/profile_document.h"
#include "settings/profile_text.h"

#include <algorithm>
#include <cstring>

namespace tarvolin {

namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");

qsizetype findByte(const QByteArray &bytes, char wanted, qsizetype from, qsizetype to) {
    const char *data = bytes.constData();
    const void *hit = std::memchr(data + from, wanted, size_t(to - from));
    return hit ? static_cast<const char *>(hit) - data : -1;
}

} // namespace

ProfileDocument::ProfileDocument(QByteArray bytes, Paths paths)
    : bytes_(std::move(bytes)), paths_(paths) {
    if (bytes_.startsWith(kBom))
        bodyStart_ = kBom.size();
    const char *data = bytes_.constData();
    const qsizetype size = bytes_.size();
    qsizetype pos = bodyStart_;
    while (pos < size) {
        const qsizetype bracket = findByte(bytes_, '[', pos, size);
        if (bracket < 0)
            break;
        // A header is a "[" with nothing but blanks before it on its line.
        qsizetype lineStart = bracket;
        while (lineStart > bodyStart_ && profile_text::isBlank(data[lineStart - 1]))
            --lineStart;
        if (lineStart > bodyStart_ && data[lineStart - 1] != '\n') {
            pos = bracket + 1;
            continue;
        }
        const qsizetype newline = findByte(bytes_, '\n', bracket, size);
        const qsizetype lineEnd = newline < 0 ? size : newline;
        const qsizetype next = newline < 0 ? size : newline + 1;
        const qsizetype close = findByte(bytes_, ']', bracket + 1, lineEnd);
        const QByteArrayView raw = profile_text::trimmed(
            QByteArrayView(data + bracket + 1, (close < 0 ? lineEnd : close) - bracket - 1));
        if (!sections_.empty())
            sections_.back().bodyEnd = lineStart;
        const QByteArrayView line(data + lineStart, lineEnd - lineStart);
        sections_.push_back(
            {profile_text::decodeField(raw, line.isValidUtf8()), lineStart, next, size, 0, {}});
        // Only the first section of a name is read and written.
        if (!sectionIndex_.contains(sections_.back().name))
            sectionIndex_.insert(sections_.back().name, qsizetype(sections_.size()) - 1);
        pos = next;
    }
}

template <typename Text> QStringView ProfileDocument::keep(Text text) {
    // A view of a block stays valid while the block only grows within the room it reserved.
    constexpr qsizetype kBlock = 64 * 1024;
    if (text_.empty() || text_.back().capacity() - text_.back().size() < text.size()) {
        text_.emplace_back();
        text_.back().reserve(std::max(text.size(), kBlock));
    }
    QString &block = text_.back();
    block.append(text);
    return QStringView(block).last(text.size());
}

template QStringView ProfileDocument::keep(QStringView);

ProfileDocument::Section *ProfileDocument::findSection(QStringView name) {
    const auto found = sectionIndex_.constFind(name);
    return found == sectionIndex_.cend() ? nullptr : &sections_[size_t(*found)];
}

bool ProfileDocument::parseEntry(qsizetype lineStart, qsizetype lineEnd, EntryLine &entry) const {
    const char *data = bytes_.constData();
    entry.lineStart = lineStart;
    entry.next = lineEnd < bytes_.size() ? lineEnd + 1 : lineEnd;
    entry.contentEnd = (lineEnd < bytes_.size() && lineEnd > lineStart && data[lineEnd - 1] == '\r')
                           ? lineEnd - 1
                           : lineEnd;
    qsizetype start = lineStart;
    while (start < lineEnd && profile_text::isBlank(data[start]))
        ++start;
    if (start == lineEnd || plain_name::is(data[start], plain_name::LineMark))
        return false;
    const qsizetype equals = findByte(bytes_, '=', start, lineEnd);
    if (equals < 0)
        return false;
    qsizetype keyEnd = equals;
    while (keyEnd > start && profile_text::isBlank(data[keyEnd - 1]))
        --keyEnd;
    qsizetype valueStart = equals + 1;
    qsizetype valueEnd = lineEnd;
    while (valueStart < valueEnd && profile_text::isBlank(data[valueStart]))
        ++valueStart;
    while (valueEnd > valueStart && profile_text::isBlank(data[valueEnd - 1]))
        --valueEnd;
    entry.keyStart = start;
    entry.keyEnd = keyEnd;
    entry.valueStart = valueStart;
    entry.valueEnd = valueEnd;
    return true;
}

bool ProfileDocument::entryAt(qsizetype lineStart, EntryLine &entry) const {
    const qsizetype newline = findByte(bytes_, '\n', lineStart, bytes_.size());
    return parseEntry(lineStart, newline < 0 ? bytes_.size() : newline, entry);
}

template <typename Visit>
void ProfileDocument::forEachEntry(const Section &section, Visit visit) const {
    qsizetype pos = section.bodyStart;
    EntryLine entry;
    while (pos < section.bodyEnd) {
        const qsizetype newline = findByte(bytes_, '\n', pos, section.bodyEnd);
        const qsizetype lineEnd = newline < 0 ? section.bodyEnd : newline;
        if (parseEntry(pos, lineEnd, entry) && !visit(entry))
            return;
        pos = newline < 0 ? section.bodyEnd : newline + 1;
    }
}

bool ProfileDocument::lineIsUtf8(const EntryLine &entry) const {
    return QByteArrayView(bytes_)
        .sliced(entry.lineStart, entry.contentEnd - entry.lineStart)
        .isValidUtf8();
}

QByteArrayView ProfileDocument::rawKey(const EntryLine &entry) const {
    return QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart);
}

QString ProfileDocument::keyOf(const EntryLine &entry) const {
    return profile_text::decodeField(rawKey(entry), lineIsUtf8(entry));
}

QString ProfileDocument::valueOf(const EntryLine &entry) const {
    const QByteArrayView raw =
        QByteArrayView(bytes_).sliced(entry.valueStart, entry.valueEnd - entry.valueStart);
    return profile_text::decodeField(profile_text::stripQuotes(raw), lineIsUtf8(entry));
}

bool ProfileDocument::findEntry(Section &section, const Name &key, EntryLine &found) {
    // A section looked up again gets a table of its entries, for the row "cmbEngine_Click, 10 MB
    // main file" (goal 3x; 476,000 engines): 3.1x with it, 8.2x to 12.3x without (AMD EPYC, Qt
    // 6.4.2, under load). A section looked up once (Form_Load's) is read line by line.
    if (paths_ == Paths::Fast && !section.entries && ++section.lookups >= 2) {
        QHash<Name, qsizetype> &table = section.entries.emplace();
        const char *data = bytes_.constData();
        table.reserve(std::count(data + section.bodyStart, data + section.bodyEnd, '\n') + 1);
        forEachEntry(section, [&](const EntryLine &entry) {
            const QByteArrayView raw = rawKey(entry);
            const Name name = named(profile_text::isPlain(raw) ? keep(QLatin1StringView(raw))
                                                               : keep(QStringView(keyOf(entry))));
            if (!table.contains(name)) // the first line of a name wins
                table.insert(name, entry.lineStart);
            return true;
        });
    }
    if (section.entries) {
        const auto line = section.entries->constFind(key);
        return line != section.entries->cend() && entryAt(*line, found);
    }
    bool matched = false;
    forEachEntry(section, [&](const EntryLine &entry) {
        const QByteArrayView raw = rawKey(entry);
        // Printable ASCII without backslash reads as itself in either encoding: no decoding.
        matched = profile_text::isPlain(raw) ? QLatin1StringView(raw) == key.text
                                             : keyOf(entry) == key.text;
        if (matched)
            found = entry;
        return !matched;
    });
    return matched;
}

qsizetype ProfileDocument::endOfEntries(const Section &section) const {
    // After the section's last entry, before the blank and comment lines that close it.
    qsizetype end = section.bodyStart;
    forEachEntry(section, [&](const EntryLine &entry) {
        end = entry.next;
        return true;
    });
    return end;
}

std::optional<QString> ProfileDocument::value(QStringView section, QStringView key) {
    const Name name = named(key);
    EntryLine entry;
    if (const qsizetype written = writtenSectionIndex_.value(section, -1); written >= 0) {
        const WrittenSection &w = writtenSections_[size_t(written)];
        if (const qsizetype at = w.entries.value(name, -1); at >= 0) {
            const WrittenEntry &e = writtenEntries_[size_t(at)];
            if (e.lineStart >= 0 && !e.changed && entryAt(e.lineStart, entry))
                return valueOf(entry);
            return e.value.toString();
        }
    }
    Section *found = findSection(section);
    if (!found || !findEntry(*found, name, entry))
        return std::nullopt;
    return valueOf(entry);
}

} // namespace tarvolin

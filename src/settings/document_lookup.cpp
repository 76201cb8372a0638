// Finding sections and entries in a document's bytes.

#include "settings/profile_document.h"
#include "settings/profile_text.h"

#include <QVarLengthArray>

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
}

// Adds a name's first position to a table: a later one of the same name is left out, as only
// the first is read and written. matches(position, name) says whether position holds name.
template <typename Matches>
void ProfileDocument::addFirst(HashedPositions &table, QByteArrayView raw, bool plain,
                               const QString &decoded, qsizetype position, Matches matches) const {
    QVarLengthArray<char16_t, 256> widened(plain ? raw.size() : 0);
    if (plain)
        std::copy(raw.begin(), raw.end(), widened.begin());
    const QStringView name = plain ? QStringView(widened.data(), widened.size()) : decoded;
    const size_t hash = nameHash(name);
    if (table.find(hash, [&](qsizetype earlier) { return matches(earlier, name); }) < 0)
        table.insert(hash, position);
}

void ProfileDocument::findSections() const {
    if (sectionsFound_)
        return;
    sectionsFound_ = true;
    const char *data = bytes_.constData();
    const qsizetype size = bytes_.size();
    // Real files have a header every few hundred bytes; a guess saves most regrowth.
    sections_.reserve(size_t(std::min<qsizetype>(size / 512 + 16, 1 << 16)));
    sectionTable_.reserve(qsizetype(sections_.capacity()));
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
        const bool plain = profile_text::isPlain(raw);
        Section section{raw.data() - data, raw.size(), next, size, plain, {}, 0, {}};
        if (!plain) {
            const QByteArrayView line(data + lineStart, lineEnd - lineStart);
            section.decoded = profile_text::decodeField(raw, line.isValidUtf8());
        }
        sections_.push_back(std::move(section));
        addFirst(sectionTable_, raw, plain, sections_.back().decoded,
                 qsizetype(sections_.size()) - 1, [&](qsizetype earlier, QStringView name) {
                     return sectionIs(sections_[size_t(earlier)], name);
                 });
        pos = next;
    }
}

bool ProfileDocument::sectionIs(const Section &section, QStringView name) const {
    if (!section.plain)
        return section.decoded == name;
    return QLatin1StringView(QByteArrayView(bytes_).sliced(section.nameStart, section.nameSize)) ==
           name;
}

const ProfileDocument::Section *ProfileDocument::findSection(QStringView name, size_t hash) const {
    findSections();
    const qsizetype found = sectionTable_.find(
        hash, [&](qsizetype at) { return sectionIs(sections_[size_t(at)], name); });
    return found < 0 ? nullptr : &sections_[size_t(found)];
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

bool ProfileDocument::keyIs(const EntryLine &entry, QStringView key) const {
    const QByteArrayView raw = rawKey(entry);
    // Printable ASCII without backslash reads as itself in either encoding: no decoding.
    return profile_text::isPlain(raw) ? QLatin1StringView(raw) == key : keyOf(entry) == key;
}

bool ProfileDocument::findEntry(const Section &section, QStringView key, size_t hash,
                                EntryLine &found) const {
    // A section looked up again gets a table of its entries: a parse writing many values to one
    // key, or clicks on engine after engine of a long list, then find each with one lookup.
    if (paths_ == Paths::Fast && !section.entries && ++section.lookups >= 2) {
        HashedPositions &table = section.entries.emplace();
        const char *data = bytes_.constData();
        table.reserve(std::count(data + section.bodyStart, data + section.bodyEnd, '\n') + 1);
        forEachEntry(section, [&](const EntryLine &entry) {
            const QByteArrayView raw = rawKey(entry);
            const bool plain = profile_text::isPlain(raw);
            addFirst(table, raw, plain, plain ? QString() : keyOf(entry), entry.lineStart,
                     [&](qsizetype line, QStringView name) {
                         EntryLine earlier;
                         return entryAt(line, earlier) && keyIs(earlier, name);
                     });
            return true;
        });
    }
    if (section.entries) {
        return section.entries->find(hash, [&](qsizetype line) {
            return entryAt(line, found) && keyIs(found, key);
        }) >= 0;
    }
    bool matched = false;
    forEachEntry(section, [&](const EntryLine &entry) {
        matched = keyIs(entry, key);
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

std::optional<QString> ProfileDocument::value(const QString &section, const QString &key) const {
    EntryLine entry;
    const size_t keyHash = nameHash(key);
    const size_t sectionHash = nameHash(section);
    if (const qsizetype written = findWrittenSection(section, sectionHash); written >= 0) {
        const size_t hash = writtenHash(written, keyHash);
        if (const qsizetype found = findWrittenEntry(written, key, hash); found >= 0) {
            const WrittenEntry &w = writtenEntries_[size_t(found)];
            if (w.lineStart >= 0 && !w.changed && entryAt(w.lineStart, entry))
                return valueOf(entry);
            return textAt(w.valueAt, w.valueSize).toString();
        }
    }
    const Section *found = findSection(section, sectionHash);
    if (!found || !findEntry(*found, key, keyHash, entry))
        return std::nullopt;
    return valueOf(entry);
}

} // namespace tarvolin

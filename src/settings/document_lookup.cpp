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

void ProfileDocument::NameTable::add(QByteArrayView raw, bool isPlain, const QString &decodedName,
                                     qsizetype position) {
    // Positions come in file order: the first of a name is the one read and written.
    qsizetype &first = isPlain ? plain[NameBytes{raw}] : decoded[decodedName];
    if (first == 0)
        first = position + 1;
}

qsizetype ProfileDocument::NameTable::find(QStringView name) const {
    // A plain name can also be spelled with escapes, so both tables may hold it; the first wins.
    qsizetype found = 0;
    if (!plain.isEmpty() && profile_text::isPlain(name)) {
        QVarLengthArray<char, 256> bytes(name.size());
        std::transform(name.begin(), name.end(), bytes.begin(),
                       [](QChar c) { return char(c.unicode()); });
        found = plain.value(NameBytes{QByteArrayView(bytes.data(), bytes.size())});
    }
    if (!decoded.isEmpty()) {
        const qsizetype at = decoded.value(name.toString());
        if (at > 0 && (found == 0 || at < found))
            found = at;
    }
    return found - 1;
}

void ProfileDocument::findSections() const {
    if (sectionsFound_)
        return;
    sectionsFound_ = true;
    const char *data = bytes_.constData();
    const qsizetype size = bytes_.size();
    // Real files have a header every few hundred bytes; a guess saves most regrowth.
    sections_.reserve(size_t(std::min<qsizetype>(size / 512 + 16, 1 << 16)));
    sectionTable_.plain.reserve(qsizetype(sections_.capacity()));
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
        sectionTable_.add(raw, plain, section.decoded, qsizetype(sections_.size()));
        sections_.push_back(std::move(section));
        pos = next;
    }
}

const ProfileDocument::Section *ProfileDocument::findSection(const QString &name) const {
    findSections();
    const qsizetype found = sectionTable_.find(name);
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

bool ProfileDocument::findEntry(const Section &section, QStringView key, EntryLine &found) const {
    // A section looked up again gets a table of its entries: a parse writing many values to one
    // key, or clicks on engine after engine of a long list, then find each with one lookup.
    if (paths_ == Paths::Fast && !section.entries && ++section.lookups >= 2) {
        NameTable table;
        const char *data = bytes_.constData();
        table.plain.reserve(std::count(data + section.bodyStart, data + section.bodyEnd, '\n') + 1);
        forEachEntry(section, [&](const EntryLine &entry) {
            const QByteArrayView raw = rawKey(entry);
            const bool plain = profile_text::isPlain(raw);
            table.add(raw, plain, plain ? QString() : keyOf(entry), entry.lineStart);
            return true;
        });
        section.entries = std::make_shared<const NameTable>(std::move(table));
    }
    if (section.entries) {
        const qsizetype line = section.entries->find(key);
        return line >= 0 && entryAt(line, found);
    }
    bool matched = false;
    forEachEntry(section, [&](const EntryLine &entry) {
        const QByteArrayView raw = rawKey(entry);
        // Printable ASCII without backslash reads as itself in either encoding: no decoding.
        matched = profile_text::isPlain(raw) ? QLatin1StringView(raw) == key : keyOf(entry) == key;
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
    if (const qsizetype written = findWrittenSection(section); written >= 0) {
        const size_t hash = entryHash(written, key);
        if (const qsizetype found = findWrittenEntry(written, key, hash); found >= 0) {
            const WrittenEntry &w = writtenEntries_[size_t(found)];
            if (w.lineStart >= 0 && !w.changed && entryAt(w.lineStart, entry))
                return valueOf(entry);
            return textAt(w.valueAt, w.valueSize).toString();
        }
    }
    const Section *found = findSection(section);
    if (!found || !findEntry(*found, key, entry))
        return std::nullopt;
    return valueOf(entry);
}

} // namespace tarvolin

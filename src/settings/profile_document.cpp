#include "settings/profile_document.h"

#include "settings/profile_text.h"

#include <QSet>

#include <algorithm>
#include <cstring>

namespace tarvolin {

using profile_text::Field;

namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");

qsizetype findByte(const QByteArray &bytes, char wanted, qsizetype from, qsizetype to) {
    const char *data = bytes.constData();
    const void *hit = std::memchr(data + from, wanted, size_t(to - from));
    return hit ? static_cast<const char *>(hit) - data : -1;
}

} // namespace

ProfileDocument::ProfileDocument(QByteArray bytes) : bytes_(std::move(bytes)) {
    if (bytes_.startsWith(kBom))
        bodyStart_ = kBom.size();
}

void ProfileDocument::ensureIndex() const {
    if (indexed_)
        return;
    indexed_ = true;
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
        const QByteArrayView line(data + lineStart, lineEnd - lineStart);
        const QByteArrayView raw = profile_text::trimmed(
            QByteArrayView(data + bracket + 1, (close < 0 ? lineEnd : close) - bracket - 1));
        if (!headers_.empty())
            headers_.back().bodyEnd = lineStart;
        headers_.push_back(Header{profile_text::decodeField(raw, profile_text::isUtf8(line)),
                                  lineStart, next, size});
        if (!firstHeader_.contains(headers_.back().name))
            firstHeader_.insert(headers_.back().name, qsizetype(headers_.size() - 1));
        pos = next;
    }
}

const ProfileDocument::Header *ProfileDocument::findHeader(const QString &section) const {
    ensureIndex();
    const auto it = firstHeader_.constFind(section);
    return it == firstHeader_.cend() ? nullptr : &headers_[size_t(*it)];
}

bool ProfileDocument::parseEntry(qsizetype lineStart, qsizetype lineEnd, Entry &entry) const {
    const char *data = bytes_.constData();
    entry.lineStart = lineStart;
    entry.next = lineEnd < bytes_.size() ? lineEnd + 1 : lineEnd;
    entry.contentEnd = (lineEnd < bytes_.size() && lineEnd > lineStart && data[lineEnd - 1] == '\r')
                           ? lineEnd - 1
                           : lineEnd;
    qsizetype start = lineStart;
    while (start < lineEnd && profile_text::isBlank(data[start]))
        ++start;
    if (start == lineEnd || data[start] == ';' || data[start] == '#' || data[start] == '[')
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

bool ProfileDocument::entryAt(qsizetype lineStart, Entry &entry) const {
    const qsizetype newline = findByte(bytes_, '\n', lineStart, bytes_.size());
    return parseEntry(lineStart, newline < 0 ? bytes_.size() : newline, entry);
}

template <typename Visit>
void ProfileDocument::forEachEntry(const Header &header, Visit visit) const {
    qsizetype pos = header.bodyStart;
    Entry entry;
    while (pos < header.bodyEnd) {
        const qsizetype newline = findByte(bytes_, '\n', pos, header.bodyEnd);
        const qsizetype lineEnd = newline < 0 ? header.bodyEnd : newline;
        if (parseEntry(pos, lineEnd, entry) && !visit(entry))
            return;
        pos = newline < 0 ? header.bodyEnd : newline + 1;
    }
}

bool ProfileDocument::lineIsUtf8(const Entry &entry) const {
    return profile_text::isUtf8(
        QByteArrayView(bytes_).sliced(entry.lineStart, entry.contentEnd - entry.lineStart));
}

QString ProfileDocument::keyOf(const Entry &entry) const {
    return profile_text::decodeField(
        QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart),
        lineIsUtf8(entry));
}

QString ProfileDocument::valueOf(const Entry &entry) const {
    const QByteArrayView raw =
        QByteArrayView(bytes_).sliced(entry.valueStart, entry.valueEnd - entry.valueStart);
    return profile_text::decodeField(profile_text::stripQuotes(raw), lineIsUtf8(entry));
}

namespace {

// Builds a list in the profile functions' form, each name once. seen holds views into the
// list itself, so the list is reserved up front (a name is never longer than the bytes it is
// read from) and, should it ever have to grow, the views are rebuilt.
class ListBuilder {
public:
    ListBuilder(qsizetype capacity, qsizetype names) {
        list_.reserve(capacity);
        seen_.reserve(names);
    }

    void add(QByteArrayView raw, bool utf8) {
        if (profile_text::isPlain(raw)) {
            const qsizetype start = prepare(raw.size());
            list_.append(QLatin1StringView(raw));
            keepIfNew(start);
        } else {
            addDecoded(profile_text::decodeField(raw, utf8));
        }
    }

    void addDecoded(QStringView name) {
        if (name.contains(QChar(u'\0')))
            return;
        const qsizetype start = prepare(name.size());
        list_.append(name);
        keepIfNew(start);
    }

    QString take() { return std::move(list_); }

private:
    qsizetype prepare(qsizetype length) {
        if (list_.size() + length + 1 > list_.capacity()) {
            list_.reserve(2 * (list_.size() + length + 1));
            seen_.clear();
            if (!list_.isEmpty()) {
                for (const QStringView name : QStringView(list_).chopped(1).tokenize(QChar(u'\0')))
                    seen_.insert(name);
            }
        }
        return list_.size();
    }

    void keepIfNew(qsizetype start) {
        const qsizetype before = seen_.size();
        seen_.insert(QStringView(list_).sliced(start));
        if (seen_.size() == before)
            list_.truncate(start);
        else
            list_.append(QChar(u'\0'));
    }

    QString list_;
    QSet<QStringView> seen_;
};

QStringList splitList(const QString &list) {
    QStringList names;
    for (const QStringView name : QStringView(list).tokenize(QChar(u'\0'), Qt::KeepEmptyParts))
        names.append(name.toString());
    if (!names.isEmpty())
        names.removeLast(); // the empty text after the last NUL
    return names;
}

} // namespace

QString ProfileDocument::sectionList() const {
    ensureIndex();
    qsizetype capacity = 0;
    for (const Header &header : headers_)
        capacity += header.name.size() + 1;
    for (const QString &name : newSections_)
        capacity += name.size() + 1;
    ListBuilder list(capacity, qsizetype(headers_.size()) + newSections_.size());
    for (const Header &header : headers_)
        list.addDecoded(header.name);
    for (const QString &name : newSections_)
        list.addDecoded(name);
    return list.take();
}

QString ProfileDocument::entryList(const QString &section) const {
    const Header *header = findHeader(section);
    const auto written = written_.constFind(section);
    qsizetype capacity = header ? header->bodyEnd - header->bodyStart : 0;
    if (written != written_.cend()) {
        for (const QString &name : written->added)
            capacity += name.size() + 1;
    }
    // A guess at the number of names (lines are rarely shorter than 16 bytes), capped so that a
    // huge bad file does not size a huge hash before a single name is found.
    ListBuilder list(capacity, std::min<qsizetype>(capacity / 16, 1 << 16));
    if (header) {
        forEachEntry(*header, [&](const Entry &entry) {
            list.add(QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart),
                     lineIsUtf8(entry));
            return true;
        });
    }
    if (written != written_.cend()) {
        for (const QString &name : written->added)
            list.addDecoded(name);
    }
    return list.take();
}

QStringList ProfileDocument::sectionNames() const {
    return splitList(sectionList());
}

QStringList ProfileDocument::entryNames(const QString &section) const {
    return splitList(entryList(section));
}

bool ProfileDocument::findEntry(const Header &header, const QString &key, Entry &found) const {
    bool matched = false;
    forEachEntry(header, [&](const Entry &entry) {
        const QByteArrayView raw =
            QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart);
        // Printable ASCII without backslash reads as itself in either encoding: no decoding.
        matched = profile_text::isPlain(raw) ? QLatin1StringView(raw) == key : keyOf(entry) == key;
        if (matched)
            found = entry;
        return !matched;
    });
    return matched;
}

qsizetype ProfileDocument::endOfEntries(const Header &header) const {
    // After the section's last entry, before the blank and comment lines that close it.
    qsizetype end = header.bodyStart;
    forEachEntry(header, [&](const Entry &entry) {
        end = entry.next;
        return true;
    });
    return end;
}

void ProfileDocument::completeIndex(const QString &section, Written &written) const {
    written.complete = true;
    const Header *header = findHeader(section);
    if (!header)
        return;
    forEachEntry(*header, [&](const Entry &entry) {
        const QString key = keyOf(entry);
        if (!written.entries.contains(key))
            written.entries.insert(key, Slot{entry.lineStart, entry.contentEnd, {}, false});
        return true;
    });
}

std::optional<QString> ProfileDocument::value(const QString &section, const QString &key) const {
    Entry entry;
    const auto written = written_.constFind(section);
    if (written != written_.cend()) {
        const auto slot = written->entries.constFind(key);
        if (slot != written->entries.cend()) {
            if (slot->changed || !entryAt(slot->lineStart, entry))
                return slot->value;
            return valueOf(entry);
        }
        // Entries added or changed are all in the hash; the rest are still as in the file.
        if (written->complete)
            return std::nullopt;
    }
    const Header *header = findHeader(section);
    if (!header || !findEntry(*header, key, entry))
        return std::nullopt;
    return valueOf(entry);
}

ProfileDocument::Written &ProfileDocument::writtenSection(const QString &section) {
    if (const auto it = written_.find(section); it != written_.end())
        return *it;
    Written written;
    if (!findHeader(section)) {
        written.complete = true;
        newSections_.append(section);
    }
    return *written_.insert(section, std::move(written));
}

void ProfileDocument::setValue(const QString &section, const QString &key, const QString &value) {
    static constexpr int kScansBeforeIndex = 4;
    Written &written = writtenSection(section);
    auto it = written.entries.find(key);
    if (it == written.entries.end() && !written.complete) {
        if (++written.scans > kScansBeforeIndex) {
            completeIndex(section, written);
            it = written.entries.find(key);
        } else if (Entry entry; findEntry(*findHeader(section), key, entry)) {
            it = written.entries.insert(key, Slot{entry.lineStart, entry.contentEnd, {}, false});
        }
    }
    if (it != written.entries.end()) {
        it->value = value;
        it->changed = true;
        return;
    }
    written.entries.insert(key, Slot{-1, -1, value, true});
    written.added.append(key);
    if (written.insertAt < 0) {
        if (const Header *header = findHeader(section))
            written.insertAt = endOfEntries(*header);
    }
}

QByteArray ProfileDocument::lineEnd() const {
    // Appended lines follow the file's own convention; a new file gets the platform's.
    const qsizetype newline = bytes_.indexOf('\n');
    if (newline > 0 && bytes_[newline - 1] == '\r')
        return QByteArrayLiteral("\r\n");
    if (newline >= 0)
        return QByteArrayLiteral("\n");
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

QByteArray ProfileDocument::editedLine(const QString &key, const Slot &slot) const {
    const QByteArray value = profile_text::encodeField(slot.value, Field::Value);
    Entry entry;
    if (!entryAt(slot.lineStart, entry))
        return profile_text::encodeField(key, Field::Key) + '=' + value;
    // Keep the name as spelled (its case, blanks, encoding) unless the new value would change
    // how the line decodes: a Windows-1252 line must stay invalid UTF-8 to read the same.
    qsizetype prefixEnd = findByte(bytes_, '=', entry.keyEnd, entry.contentEnd) + 1;
    while (prefixEnd < entry.contentEnd && profile_text::isBlank(bytes_[prefixEnd]))
        ++prefixEnd;
    const QByteArrayView prefix =
        QByteArrayView(bytes_).sliced(entry.lineStart, prefixEnd - entry.lineStart);
    QByteArray line = prefix.toByteArray() + value;
    if (lineIsUtf8(entry) || profile_text::isAscii(prefix) ||
        (profile_text::isAscii(value) && !profile_text::isUtf8(line)))
        return line;
    return profile_text::encodeField(key, Field::Key) + '=' + value;
}

QByteArray ProfileDocument::toBytes() const {
    if (written_.isEmpty())
        return bytes_;
    // Edits in file order: insertions (kind 0) go before a line replaced at the same offset.
    struct Edit {
        qsizetype at;
        int kind;
        const QString *key;
        const Slot *slot;
        const Written *written;
    };
    std::vector<Edit> edits;
    for (auto section = written_.cbegin(); section != written_.cend(); ++section) {
        if (section->insertAt >= 0 && !section->added.isEmpty())
            edits.push_back(Edit{section->insertAt, 0, nullptr, nullptr, &*section});
        for (auto slot = section->entries.cbegin(); slot != section->entries.cend(); ++slot) {
            if (slot->changed && slot->lineStart >= 0)
                edits.push_back(Edit{slot->lineStart, 1, &slot.key(), &*slot, nullptr});
        }
    }
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) {
        return a.at != b.at ? a.at < b.at : a.kind < b.kind;
    });

    const QByteArray eol = lineEnd();
    QByteArray out;
    out.reserve(bytes_.size() + bytes_.size() / 8 + 64);
    auto startLine = [&] {
        if (out.size() > bodyStart_ && !out.endsWith('\n'))
            out += eol;
    };
    auto appendEntries = [&](const Written &written) {
        for (const QString &key : written.added) {
            out += profile_text::encodeField(key, Field::Key);
            out += '=';
            out += profile_text::encodeField(written.entries.constFind(key)->value, Field::Value);
            out += eol;
        }
    };
    qsizetype pos = 0;
    for (const Edit &edit : edits) {
        out.append(QByteArrayView(bytes_).sliced(pos, edit.at - pos));
        pos = edit.at;
        if (edit.kind == 0) {
            startLine();
            appendEntries(*edit.written);
        } else {
            out += editedLine(*edit.key, *edit.slot);
            pos = edit.slot->contentEnd;
        }
    }
    out.append(QByteArrayView(bytes_).sliced(pos));
    for (const QString &section : newSections_) {
        startLine();
        out += '[';
        out += profile_text::encodeField(section, Field::Section);
        out += ']';
        out += eol;
        appendEntries(*written_.constFind(section));
    }
    return out;
}

} // namespace tarvolin

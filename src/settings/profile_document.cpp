#include "settings/profile_document.h"

#include "settings/profile_text.h"

#include <QByteArrayMatcher>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tarvolin {

using profile_text::Field;

namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");

qsizetype findByte(const QByteArray &bytes, char wanted, qsizetype from, qsizetype to) {
    const char *data = bytes.constData();
    const void *hit = std::memchr(data + from, wanted, size_t(to - from));
    return hit ? static_cast<const char *>(hit) - data : -1;
}

// Short distances within a line are searched eight bytes at a time, as one little-endian word.
// Each mask below flags the high bit of the bytes it finds; its lowest set bit is the first
// such byte (the trick's false hits only ever come after a true one).
constexpr quint64 kOnes = 0x0101010101010101ull;
constexpr quint64 kHighBits = kOnes << 7;

quint64 bytesEqual(quint64 word, char wanted) {
    const quint64 x = word ^ (kOnes * static_cast<unsigned char>(wanted));
    return (x - kOnes) & ~x & kHighBits;
}

// Bytes that end a plain name: "=", and any byte that is not printable ASCII or is a backslash.
quint64 bytesEndingName(quint64 word) {
    const quint64 control = (word - kOnes * 0x20) & ~word & kHighBits;
    return control | (word & kHighBits) | bytesEqual(word, 0x7F) | bytesEqual(word, '\\') |
           bytesEqual(word, '=');
}

// Eight Latin-1 bytes (the first in the lowest byte) as eight UTF-16 units.
void widen(quint64 word, QChar *out) {
#ifdef __SSE2__
    const __m128i bytes = _mm_cvtsi64_si128(qint64(word));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                     _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
    for (int i = 0; i < 8; ++i)
        out[i] = QLatin1Char(char(word >> (8 * i)));
#endif
}

// Whether a line starting with c may start with a plain name: not a blank (trimmed), nor a
// comment or a header.
bool opensPlainName(char c) {
    return c != ' ' && c != ';' && c != '#' && c != '[';
}

// The end of a plain name whose "=" is at equals: blanks before the "=" are no part of it (and
// its first byte is no blank). Counted on the bytes read rather than on characters just
// written, which would wait for the stores.
const char *nameEnd(const char *equals) {
    while (equals[-1] == ' ')
        --equals;
    return equals;
}

bool endsName(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u >= 0x7F || u == '\\' || u == '=';
}

// memchr for the short distances within a line: a few words without a call, then memchr
// for what is left of a long line.
const char *findNear(const char *from, const char *to, char wanted) {
    for (int words = 0; words < 4 && to - from >= 8; ++words, from += 8) {
        if (const quint64 hits = bytesEqual(qFromLittleEndian<quint64>(from), wanted))
            return from + qCountTrailingZeroBits(hits) / 8;
    }
    return static_cast<const char *>(std::memchr(from, wanted, size_t(to - from)));
}

// Names written come from pasted URLs: the hash is seeded per process so that no text can be
// made to collide on purpose. Four UTF-16 units at a time, each step a bijection of the state,
// so only a choice of input that depends on the seed collides. Names are short, and a parse
// hashes two per pair.
quint64 hashText(QStringView text, quint64 seed) {
    constexpr quint64 kOdd = 0x9E3779B97F4A7C15ull;
    const auto mix = [](quint64 x) {
        x *= kOdd;
        return x ^ (x >> 32);
    };
    quint64 state = seed ^ quint64(text.size());
    const char16_t *unit = text.utf16();
    qsizetype left = text.size();
    for (; left >= 4; left -= 4, unit += 4)
        state = mix(state ^ qFromUnaligned<quint64>(unit));
    quint64 tail = 0;
    for (qsizetype i = 0; i < left; ++i)
        tail |= quint64(unit[i]) << (16 * i);
    return mix(mix(state ^ tail));
}

bool sameText(QStringView a, QStringView b) {
    return a.size() == b.size() && std::equal(a.utf16(), a.utf16() + a.size(), b.utf16());
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
    // Real files have a header every few hundred bytes; a guess saves most regrowth.
    headers_.reserve(size_t(std::min<qsizetype>(size / 512 + 16, 1 << 16)));
    plainHeaders_.reserve(qsizetype(headers_.capacity()));
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
        if (!headers_.empty())
            headers_.back().bodyEnd = lineStart;
        const auto index = qsizetype(headers_.size());
        const bool plain = profile_text::isPlain(raw);
        Header header{raw.data() - data, raw.size(), lineStart, next, size, plain, {}, 0, {}};
        if (plain) {
            if (!plainHeaders_.contains(raw))
                plainHeaders_.insert(raw, index);
        } else {
            const QByteArrayView line(data + lineStart, lineEnd - lineStart);
            header.decoded = profile_text::decodeField(raw, profile_text::isUtf8(line));
            if (!decodedHeaders_.contains(header.decoded))
                decodedHeaders_.insert(header.decoded, index);
        }
        headers_.push_back(std::move(header));
        pos = next;
    }
}

const ProfileDocument::Header *ProfileDocument::findHeader(const QString &section) const {
    ensureIndex();
    qsizetype found = -1;
    // A plain name can also be spelled with escapes, so both tables may hold it; the first wins.
    if (profile_text::isPlain(section)) {
        const QByteArray latin1 = section.toLatin1();
        if (const auto it = plainHeaders_.constFind(QByteArrayView(latin1));
            it != plainHeaders_.cend())
            found = *it;
    }
    if (!decodedHeaders_.isEmpty()) {
        if (const auto it = decodedHeaders_.constFind(section);
            it != decodedHeaders_.cend() && (found < 0 || *it < found))
            found = *it;
    }
    return found < 0 ? nullptr : &headers_[size_t(found)];
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

// Builds a list in the profile functions' form into a string sized up front: a name is never
// longer than the bytes it is read from, so the capacity given is never exceeded.
class ListBuilder {
public:
    explicit ListBuilder(qsizetype capacity)
        : list_(capacity, Qt::Uninitialized), out_(list_.data()) {}

    // Printable ASCII without backslash, which reads as itself.
    void addPlain(QByteArrayView raw) {
        for (const char c : raw)
            *out_++ = QLatin1Char(c);
        *out_++ = u'\0';
    }

    void addDecoded(QStringView name) {
        if (name.contains(QChar(u'\0')))
            return;
        out_ = std::copy(name.begin(), name.end(), out_);
        *out_++ = u'\0';
    }

    QChar *cursor() const { return out_; }
    void setCursor(QChar *out) { out_ = out; }

    QString take() {
        list_.truncate(out_ - list_.constData());
        return std::move(list_);
    }

private:
    QString list_;
    QChar *out_;
};

// Writes the name of the line at first to list, followed by NUL, and moves list past it, when
// the name is plain: printable ASCII without backslash up to the line's "=", not starting with
// a blank or a character that makes a comment or header. That is the name exactly as parsing
// finds it. Returns the "=", or nullptr having added nothing. Nothing at or past end is read.
const char *addPlainName(const char *first, const char *end, QChar *&list) {
    if (first == end || !opensPlainName(*first))
        return nullptr;
    QChar *out = list;
    const char *at = first;
    // Eight bytes are widened before knowing how many belong to the name: the list has
    // room for them, as they lie within the section's bytes.
    while (end - at >= 8) {
        const quint64 word = qFromLittleEndian<quint64>(at);
        widen(word, out);
        const quint64 stops = bytesEndingName(word);
        const int taken = stops ? qCountTrailingZeroBits(stops) / 8 : 8;
        at += taken;
        out += taken;
        if (stops)
            break;
    }
    if (end - at < 8) {
        for (; at != end && !endsName(*at); ++at)
            *out++ = QLatin1Char(*at);
    }
    if (at == end || *at != '=' || at == first)
        return nullptr;
    out = list + (nameEnd(at) - first);
    *out++ = u'\0';
    list = out;
    return at;
}

#ifdef __SSE2__
// For 64 bytes from p: bit i of stops is set when byte i ends a plain name (endsName), bit i of
// newlines when it is a line feed. Computed apart from where the lines start, so the work per
// line is a few bit operations rather than a chain of loads and tests.
struct BlockMasks {
    quint64 stops = 0;
    quint64 newlines = 0;
};

BlockMasks scanBlock(const char *p) {
    const __m128i blank = _mm_set1_epi8(0x20);
    const __m128i del = _mm_set1_epi8(0x7F);
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i equals = _mm_set1_epi8('=');
    const __m128i newline = _mm_set1_epi8('\n');
    BlockMasks masks;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        // Compared as signed bytes, those from 0x80 up fall below the blank too.
        const __m128i stop =
            _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(v, blank), _mm_cmpeq_epi8(v, del)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, equals)));
        masks.stops |= quint64(unsigned(_mm_movemask_epi8(stop))) << (16 * k);
        masks.newlines |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, newline))))
                          << (16 * k);
    }
    return masks;
}

// Widens size bytes from 16 at a time, so it reads and writes up to 15 past them.
void widenRun(const char *from, qsizetype size, QChar *out) {
    for (qsizetype i = 0; i < size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_unpacklo_epi8(v, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8),
                         _mm_unpackhi_epi8(v, _mm_setzero_si128()));
    }
}
#endif

// addPlainName for a run of lines from line, 64 bytes at a time, while 80 bytes are left before
// end (a name widened from the block's last byte reads and writes 15 more). Returns the first
// line it did not take: one whose name is not plain or runs past its block, or a line in the
// last 80 bytes; end when the last line it took has no line feed.
const char *addPlainNames(const char *line, const char *end, QChar *&list) {
#ifdef __SSE2__
    while (end - line >= 80) {
        const char *base = line;
        const BlockMasks masks = scanBlock(base);
        for (;;) {
            const int offset = int(line - base);
            if (!opensPlainName(*line))
                return line;
            const quint64 stops = masks.stops >> offset;
            if (stops == 0)
                return line;
            const int stop = offset + qCountTrailingZeroBits(stops);
            if (stop == offset || base[stop] != '=')
                return line;
            const qsizetype size = nameEnd(base + stop) - line;
            widenRun(line, size, list);
            list += size;
            *list++ = u'\0';
            // A line feed ends a name too, so the line's first one lies past the "=": found
            // from the line's start, apart from the name's end.
            const quint64 newlines = masks.newlines >> offset;
            if (newlines == 0) {
                const char *newline = findNear(base + stop + 1, end, '\n');
                if (!newline)
                    return end;
                line = newline + 1;
                break;
            }
            line += qCountTrailingZeroBits(newlines) + 1;
            if (line - base >= 64)
                break;
        }
    }
#else
    Q_UNUSED(end);
    Q_UNUSED(list);
#endif
    return line;
}

QStringList splitList(const QString &list) {
    QStringList names;
    names.reserve(list.count(QChar(u'\0')));
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
        capacity += (header.plain ? header.nameSize : header.decoded.size()) + 1;
    for (const QString &name : newSections_)
        capacity += name.size() + 1;
    ListBuilder list(capacity);
    for (const Header &header : headers_) {
        if (header.plain)
            list.addPlain(QByteArrayView(bytes_).sliced(header.nameStart, header.nameSize));
        else
            list.addDecoded(header.decoded);
    }
    for (const QString &name : newSections_)
        list.addDecoded(name);
    return list.take();
}

QString ProfileDocument::entryList(const QString &section) const {
    const Header *header = findHeader(section);
    const qsizetype index = findWritten(section);
    qsizetype capacity = header ? header->bodyEnd - header->bodyStart : 0;
    if (index >= 0) {
        for (const qsizetype slot : written_[size_t(index)].added)
            capacity += slots_[size_t(slot)].keySize + 1;
    }
    ListBuilder list(capacity);
    if (header) {
        const char *data = bytes_.constData();
        const char *end = data + header->bodyEnd;
        Entry entry;
        for (const char *line = data + header->bodyStart; line < end;) {
            // Most lines start with a plain name and "=": the name is the bytes before it. A
            // plain name reads the same in either encoding, so the line need not be checked.
            // Runs of such lines are listed through a local cursor, kept in a register.
            QChar *out = list.cursor();
            for (;;) {
                line = addPlainNames(line, end, out);
                const char *equals = line < end ? addPlainName(line, end, out) : nullptr;
                if (!equals)
                    break;
                const char *newline = findNear(equals, end, '\n');
                line = newline ? newline + 1 : end;
            }
            list.setCursor(out);
            if (line == end)
                break;
            const qsizetype pos = line - data;
            const qsizetype newline = findByte(bytes_, '\n', pos, header->bodyEnd);
            const qsizetype lineEnd = newline < 0 ? header->bodyEnd : newline;
            if (parseEntry(pos, lineEnd, entry)) {
                const QByteArrayView raw =
                    QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart);
                if (profile_text::isPlain(raw))
                    list.addPlain(raw);
                else
                    list.addDecoded(profile_text::decodeField(raw, lineIsUtf8(entry)));
            }
            line = newline < 0 ? end : data + newline + 1;
        }
    }
    if (index >= 0) {
        for (const qsizetype slot : written_[size_t(index)].added)
            list.addDecoded(textAt(slots_[size_t(slot)].keyAt, slots_[size_t(slot)].keySize));
    }
    return list.take();
}

QStringList ProfileDocument::sectionNames() const {
    return splitList(sectionList());
}

QStringList ProfileDocument::entryNames(const QString &section) const {
    return splitList(entryList(section));
}

bool ProfileDocument::hasEscape(qsizetype from, qsizetype to) const {
    const char *data = bytes_.constData();
    for (qsizetype at = findByte(bytes_, '\\', from, to); at >= 0 && at < to;
         at = findByte(bytes_, '\\', at + 1, to)) {
        if (at + 1 < to && data[at + 1] == 'x')
            return true;
    }
    return false;
}

bool ProfileDocument::scanForEntry(const Header &header, QStringView key, Entry &found) const {
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

namespace {

quint64 hashName(QByteArrayView name) {
    // FNV-1a: names are short, and this runs once per entry of the section.
    quint64 hash = 14695981039346656037ull;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash ^ (hash >> 29);
}

} // namespace

const ProfileDocument::EntrySlot *ProfileDocument::findIndexed(const Header &header,
                                                               QByteArrayView key) const {
    const size_t mask = header.entryIndex.size() - 1;
    for (size_t at = hashName(key) & mask;; at = (at + 1) & mask) {
        const EntrySlot &slot = header.entryIndex[at];
        if (slot.lineStart == 0 && slot.keySize == 0)
            return &slot;
        if (QByteArrayView(bytes_).sliced(slot.keyStart, slot.keySize) == key)
            return &slot;
    }
}

bool ProfileDocument::indexEntries(const Header &header) const {
    // Smaller sections are searched faster than indexed; one lookup is cheaper by search too.
    static constexpr qsizetype kIndexedSectionBytes = 64 * 1024;
    if (!header.entryIndex.empty())
        return true;
    if (header.lookups < 0 || header.bodyEnd - header.bodyStart < kIndexedSectionBytes ||
        bytes_.size() >= std::numeric_limits<quint32>::max() || ++header.lookups < 2)
        return false;
    // At least twice as many slots as lines, so probes stay short and a free slot is found.
    const char *data = bytes_.constData();
    const auto lines = size_t(std::count(data + header.bodyStart, data + header.bodyEnd, '\n'));
    size_t slotCount = 1024;
    while (slotCount < 2 * (lines + 1))
        slotCount *= 2;
    header.entryIndex.assign(slotCount, EntrySlot{});
    bool plain = true;
    forEachEntry(header, [&](const Entry &entry) {
        const QByteArrayView raw =
            QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart);
        // A name spelled with escapes or in another encoding is found by the line scan only.
        plain = profile_text::isPlain(raw) && entry.lineStart > 0;
        if (!plain)
            return false;
        auto &slot = const_cast<EntrySlot &>(*findIndexed(header, raw));
        if (slot.lineStart == 0) // the first entry of a name is the one read
            slot =
                EntrySlot{quint32(entry.lineStart), quint32(entry.keyStart), quint32(raw.size())};
        return true;
    });
    if (!plain) {
        header.entryIndex = {};
        header.lookups = -1;
        return false;
    }
    return true;
}

bool ProfileDocument::findEntry(const Header &header, QStringView key, Entry &found) const {
    // A name written as its own bytes can only be spelled otherwise with a "\x" escape, so
    // until one shows up, searching for the bytes finds the same first entry as parsing every
    // line. Sections with escapes are parsed line by line.
    if (key.isEmpty() || !profile_text::isPlain(key))
        return scanForEntry(header, key, found);
    const QByteArray needle = key.toLatin1();
    if (profile_text::encodeField(key, Field::Key) != needle)
        return scanForEntry(header, key, found);
    if (indexEntries(header)) {
        const EntrySlot *slot = findIndexed(header, QByteArrayView(needle));
        return slot->lineStart != 0 && entryAt(slot->lineStart, found);
    }
    const QByteArrayMatcher matcher(needle);
    const char *data = bytes_.constData();
    const QByteArrayView body(data, header.bodyEnd);
    qsizetype from = header.bodyStart;
    qsizetype clean = header.bodyStart; // no escape before this offset
    Entry entry;
    for (;;) {
        const qsizetype hit = matcher.indexIn(body, from);
        if (hit < 0)
            break;
        qsizetype lineStart = hit;
        while (lineStart > header.bodyStart && data[lineStart - 1] != '\n')
            --lineStart;
        if (hasEscape(clean, lineStart))
            return scanForEntry(header, key, found);
        clean = lineStart;
        const qsizetype newline = findByte(bytes_, '\n', hit, header.bodyEnd);
        const qsizetype lineEnd = newline < 0 ? header.bodyEnd : newline;
        if (parseEntry(lineStart, lineEnd, entry) && entry.keyStart == hit &&
            entry.keyEnd == hit + needle.size()) {
            found = entry;
            return true;
        }
        if (newline < 0)
            break;
        from = newline + 1;
    }
    if (hasEscape(clean, header.bodyEnd))
        return scanForEntry(header, key, found);
    return false;
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

QStringView ProfileDocument::textAt(qsizetype at, qsizetype size) const {
    return QStringView(text_.data() + at, size);
}

qsizetype ProfileDocument::append(QStringView text) {
    const auto at = qsizetype(text_.size());
    text_.insert(text_.end(), text.utf16(), text.utf16() + text.size());
    return at;
}

quint64 ProfileDocument::slotHash(qsizetype section, QStringView key) const {
    return hashText(key, seed_ + quint64(section));
}

qsizetype ProfileDocument::findSlot(qsizetype section, QStringView key, quint64 hash) const {
    return slotIndex_.find(hash, [&](qsizetype index) {
        const Slot &slot = slots_[size_t(index)];
        return slot.section == section && sameText(textAt(slot.keyAt, slot.keySize), key);
    });
}

qsizetype ProfileDocument::addSlot(quint64 hash, const Slot &slot) {
    slots_.push_back(slot);
    slotIndex_.insert(hash, qsizetype(slots_.size()) - 1);
    return qsizetype(slots_.size()) - 1;
}

void ProfileDocument::completeIndex(qsizetype index) {
    Written &written = written_[size_t(index)];
    written.complete = true;
    const Header *header = findHeader(written.name);
    if (!header)
        return;
    forEachEntry(*header, [&](const Entry &entry) {
        // The name goes into text_ first (a plain one widened as it is), and out again when an
        // earlier entry of the same name is the one written.
        const QByteArrayView raw =
            QByteArrayView(bytes_).sliced(entry.keyStart, entry.keyEnd - entry.keyStart);
        const auto at = qsizetype(text_.size());
        if (profile_text::isPlain(raw))
            text_.insert(text_.end(), raw.begin(), raw.end());
        else
            append(keyOf(entry));
        const QStringView name = textAt(at, qsizetype(text_.size()) - at);
        const quint64 hash = slotHash(index, name);
        if (findSlot(index, name, hash) >= 0)
            text_.resize(size_t(at));
        else
            addSlot(hash, Slot{index, at, name.size(), 0, 0, entry.lineStart, entry.contentEnd});
        return true;
    });
}

qsizetype ProfileDocument::findWritten(QStringView section) const {
    return writtenIndex_.find(hashText(section, seed_), [&](qsizetype index) {
        return sameText(written_[size_t(index)].name, section);
    });
}

std::optional<QString> ProfileDocument::value(const QString &section, const QString &key) const {
    Entry entry;
    if (const qsizetype index = findWritten(section); index >= 0) {
        if (const qsizetype found = findSlot(index, key, slotHash(index, key)); found >= 0) {
            const Slot &slot = slots_[size_t(found)];
            if (slot.lineStart >= 0 && !slot.changed && entryAt(slot.lineStart, entry))
                return valueOf(entry);
            return textAt(slot.valueAt, slot.valueSize).toString();
        }
        // Entries added or changed are all in slots_; the rest are still as in the file.
        if (written_[size_t(index)].complete)
            return std::nullopt;
    }
    const Header *header = findHeader(section);
    if (!header || !findEntry(*header, key, entry))
        return std::nullopt;
    return valueOf(entry);
}

qsizetype ProfileDocument::writtenSection(QStringView section) {
    if (const qsizetype index = findWritten(section); index >= 0)
        return index;
    Written written;
    written.name = section.toString();
    if (!findHeader(written.name)) {
        written.complete = true;
        written.inFile = false;
        newSections_.append(written.name);
    }
    const auto index = qsizetype(written_.size());
    writtenIndex_.insert(hashText(written.name, seed_), index);
    written_.push_back(std::move(written));
    return index;
}

void ProfileDocument::setValue(const QString &section, const QString &key, const QString &value) {
    const qsizetype index = writtenSection(section);
    writeEntry(index, key, value, slotHash(index, key));
}

void ProfileDocument::setValues(const std::vector<ProfileWrite> &writes) {
    // Runs of writes between deletions; a deletion rebuilds the document from the run before it.
    for (auto from = writes.begin(); from != writes.end();) {
        const auto to =
            std::find_if(from, writes.end(), [](const ProfileWrite &w) { return !w.value; });
        setRun(std::span(from, to));
        if (to == writes.end())
            break;
        removeValue(to->section.toString(), to->key.toString());
        from = to + 1;
    }
}

void ProfileDocument::setRun(std::span<const ProfileWrite> writes) {
    // Grown geometrically: a group may send many small batches.
    size_t textSize = text_.size();
    for (const ProfileWrite &write : writes)
        textSize += size_t(write.key.size() + write.value->size());
    if (textSize > text_.capacity())
        text_.reserve(std::max(textSize, 2 * text_.capacity()));
    if (const size_t needed = slots_.size() + writes.size(); needed > slots_.capacity())
        slots_.reserve(std::max(needed, 2 * slots_.capacity()));
    slotIndex_.reserve(qsizetype(slots_.size() + writes.size()));
    // The index of a large batch outgrows the caches, and each new name's place in it is a
    // miss: the places of a run of writes are fetched before the first of them is applied.
    constexpr size_t kRun = 16;
    struct Ahead {
        qsizetype section;
        quint64 hash;
    };
    std::array<Ahead, kRun> ahead;
    for (size_t first = 0; first < writes.size(); first += kRun) {
        const size_t count = std::min(kRun, writes.size() - first);
        for (size_t i = 0; i < count; ++i) {
            const ProfileWrite &write = writes[first + i];
            const qsizetype section = writtenSection(write.section);
            ahead[i] = Ahead{section, slotHash(section, write.key)};
            slotIndex_.prefetch(ahead[i].hash);
        }
        for (size_t i = 0; i < count; ++i) {
            const ProfileWrite &write = writes[first + i];
            writeEntry(ahead[i].section, write.key, *write.value, ahead[i].hash);
        }
    }
}

bool ProfileDocument::removeValue(const QString &section, const QString &key) {
    if (!value(section, key))
        return false;
    // Forgetting is rare: the edits so far are applied, and the entry's line cut from the result.
    ProfileDocument edited(toBytes());
    Entry entry;
    const Header *header = edited.findHeader(section);
    if (!header || !edited.findEntry(*header, key, entry))
        return false;
    QByteArray bytes = std::move(edited.bytes_);
    bytes.remove(entry.lineStart, entry.next - entry.lineStart);
    *this = ProfileDocument(std::move(bytes));
    removed_ = true;
    return true;
}

void ProfileDocument::writeEntry(qsizetype index, QStringView key, QStringView value,
                                 quint64 hash) {
    static constexpr int kScansBeforeIndex = 4;
    Written &written = written_[size_t(index)];
    qsizetype found = findSlot(index, key, hash);
    if (found < 0 && !written.complete) {
        if (++written.scans > kScansBeforeIndex) {
            completeIndex(index);
            found = findSlot(index, key, hash);
        } else if (Entry entry; findEntry(*findHeader(written.name), key, entry)) {
            found = addSlot(hash, Slot{index, append(key), key.size(), 0, 0, entry.lineStart,
                                       entry.contentEnd});
        }
    }
    if (found >= 0) {
        Slot &slot = slots_[size_t(found)];
        const bool isNew = slot.lineStart < 0;
        // A line that already reads as the value stays as it is, quotes and blanks included.
        if (!isNew && !slot.changed) {
            if (Entry entry; entryAt(slot.lineStart, entry) && valueOf(entry) == value)
                return;
        }
        if ((!isNew && !slot.changed) || textAt(slot.valueAt, slot.valueSize) != value) {
            slot.valueSize = value.size();
            slot.valueAt = append(value);
        }
        slot.changed = !isNew;
        return;
    }
    const qsizetype keyAt = append(key);
    // A remembered value is its own name: one copy serves both.
    const bool valueIsKey = value.data() == key.data() && value.size() == key.size();
    const qsizetype valueAt = valueIsKey ? keyAt : append(value);
    written.added.push_back(addSlot(hash, Slot{index, keyAt, key.size(), valueAt, value.size()}));
    if (written.insertAt < 0 && written.inFile) {
        if (const Header *header = findHeader(written.name))
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

QByteArray ProfileDocument::editedLine(const Slot &slot) const {
    const QStringView key = textAt(slot.keyAt, slot.keySize);
    const QByteArray value =
        profile_text::encodeField(textAt(slot.valueAt, slot.valueSize), Field::Value);
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

void ProfileDocument::appendAdded(QByteArray &out, qsizetype section, QByteArrayView eol) const {
    // Sized once for names and values that are their own bytes; a field that needs escapes or
    // is not ASCII takes more, and out grows by that much then.
    const std::vector<qsizetype> &added = written_[size_t(section)].added;
    qsizetype room = 0;
    for (const qsizetype index : added)
        room += slots_[size_t(index)].keySize + slots_[size_t(index)].valueSize + 1 + eol.size();
    qsizetype at = out.size();
    out.resize(at + room);
    // Returns whether the text was its own bytes.
    auto put = [&](QStringView text, Field field) {
        if (profile_text::copyPlainField(text, out.data() + at)) {
            at += text.size();
            return true;
        }
        const QByteArray encoded = profile_text::encodeField(text, field);
        out.resize(out.size() + encoded.size() - text.size());
        std::memcpy(out.data() + at, encoded.constData(), size_t(encoded.size()));
        at += encoded.size();
        return false;
    };
    for (const qsizetype index : added) {
        const Slot &slot = slots_[size_t(index)];
        const qsizetype keyStart = at;
        const bool plainKey = put(textAt(slot.keyAt, slot.keySize), Field::Key);
        char *bytes = out.data();
        bytes[at++] = '=';
        // A remembered value is its own name: plain text reads the same in either field.
        if (plainKey && slot.valueAt == slot.keyAt && slot.valueSize == slot.keySize) {
            std::memcpy(bytes + at, bytes + keyStart, size_t(slot.keySize));
            at += slot.keySize;
        } else {
            put(textAt(slot.valueAt, slot.valueSize), Field::Value);
            bytes = out.data();
        }
        for (const char c : eol)
            bytes[at++] = c;
    }
}

QByteArray ProfileDocument::toBytes() const {
    if (written_.empty())
        return bytes_;
    // Edits in file order: insertions (kind 0) go before a line replaced at the same offset.
    struct Edit {
        qsizetype at;
        int kind;
        const Slot *slot;
        qsizetype section;
    };
    std::vector<Edit> edits;
    for (size_t i = 0; i < written_.size(); ++i) {
        if (written_[i].insertAt >= 0 && !written_[i].added.empty())
            edits.push_back(Edit{written_[i].insertAt, 0, nullptr, qsizetype(i)});
    }
    for (const Slot &slot : slots_) {
        if (slot.changed)
            edits.push_back(Edit{slot.lineStart, 1, &slot, -1});
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
    auto appendEntries = [&](qsizetype section) { appendAdded(out, section, eol); };
    qsizetype pos = 0;
    for (const Edit &edit : edits) {
        out.append(QByteArrayView(bytes_).sliced(pos, edit.at - pos));
        pos = edit.at;
        if (edit.kind == 0) {
            startLine();
            appendEntries(edit.section);
        } else {
            out += editedLine(*edit.slot);
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
        appendEntries(findWritten(section));
    }
    return out;
}

} // namespace tarvolin

// Writing a document's bytes out: the original bytes with the edited lines replaced and the
// added lines inserted, every other byte kept.

#include "settings/profile_document.h"
#include "settings/profile_text.h"

#include <algorithm>
#include <cstring>

namespace tarvolin {

using profile_text::Field;

namespace {

bool isAscii(QByteArrayView bytes) {
    return std::none_of(bytes.begin(), bytes.end(),
                        [](char c) { return plain_name::is(c, plain_name::NotAscii); });
}

} // namespace

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

QByteArray ProfileDocument::editedLine(const WrittenEntry &written) const {
    const QStringView key = textAt(written.keyAt, written.keySize);
    const QByteArray value =
        profile_text::encodeField(textAt(written.valueAt, written.valueSize), Field::Value);
    EntryLine entry;
    if (!entryAt(written.lineStart, entry))
        return profile_text::encodeField(key, Field::Key) + '=' + value;
    // Keep the name as spelled (its case, blanks, encoding) unless the new value would change
    // how the line decodes: a Windows-1252 line must stay invalid UTF-8 to read the same.
    qsizetype prefixEnd = bytes_.indexOf('=', entry.keyEnd) + 1;
    while (prefixEnd < entry.contentEnd && profile_text::isBlank(bytes_[prefixEnd]))
        ++prefixEnd;
    const QByteArrayView prefix =
        QByteArrayView(bytes_).sliced(entry.lineStart, prefixEnd - entry.lineStart);
    QByteArray line = prefix.toByteArray() + value;
    if (lineIsUtf8(entry) || isAscii(prefix) ||
        (isAscii(value) && !QByteArrayView(line).isValidUtf8()))
        return line;
    return profile_text::encodeField(key, Field::Key) + '=' + value;
}

void ProfileDocument::appendAdded(QByteArray &out, qsizetype section, QByteArrayView eol) const {
    // Sized once for names and values that are their own bytes; a field that needs escapes or
    // is not ASCII takes more, and out grows by that much then.
    const WrittenSection &written = writtenSections_[size_t(section)];
    qsizetype at = out.size();
    out.resize(at + written.addedChars + qsizetype(written.added.size()) * (1 + eol.size()));
    char *dest = out.data();
    auto put = [&](QStringView text, Field field) {
        if (paths_ == Paths::Fast && profile_text::copyPlainField(text, dest + at)) {
            at += text.size();
            return;
        }
        const QByteArray encoded = profile_text::encodeField(text, field);
        out.resize(out.size() + encoded.size() - text.size());
        dest = out.data();
        std::memcpy(dest + at, encoded.constData(), size_t(encoded.size()));
        at += encoded.size();
    };
    // A parse's sections take turns, so one section's entries lie far apart: each is asked
    // for a few entries ahead (a quarter off the 100,000-pair output).
    constexpr size_t kAhead = 8;
    const std::vector<qsizetype> &added = written.added;
    for (size_t k = 0; k < added.size(); ++k) {
        if (k + kAhead < added.size())
            __builtin_prefetch(&writtenEntries_[size_t(added[k + kAhead])]);
        const WrittenEntry &entry = writtenEntries_[size_t(added[k])];
        put(textAt(entry.keyAt, entry.keySize), Field::Key);
        dest[at++] = '=';
        put(textAt(entry.valueAt, entry.valueSize), Field::Value);
        for (const char c : eol)
            dest[at++] = c;
    }
}

OutputPieces ProfileDocument::output() const {
    OutputPieces out(paths_ == Paths::Fast);
    if (writtenSections_.empty()) {
        out.appendSpan(bytes_);
        return out;
    }
    // Edits in file order: insertions (kind 0) go before a line replaced at the same offset.
    struct Edit {
        qsizetype at;
        int kind;
        const WrittenEntry *entry;
        qsizetype section;
    };
    std::vector<Edit> edits;
    for (size_t i = 0; i < writtenSections_.size(); ++i) {
        const WrittenSection &written = writtenSections_[i];
        if (written.insertAt >= 0 && !written.added.empty())
            edits.push_back(Edit{written.insertAt, 0, nullptr, qsizetype(i)});
    }
    for (const qsizetype changed : changedEntries_) {
        const WrittenEntry &entry = writtenEntries_[size_t(changed)];
        edits.push_back(Edit{entry.lineStart, 1, &entry, -1});
    }
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) {
        return a.at != b.at ? a.at < b.at : a.kind < b.kind;
    });

    const QByteArray eol = lineEnd();
    auto startLine = [&] {
        if (out.size() > bodyStart_ && !out.endsWith('\n'))
            out.block() += eol;
    };
    qsizetype pos = 0;
    for (const Edit &edit : edits) {
        out.appendSpan(QByteArrayView(bytes_).sliced(pos, edit.at - pos));
        pos = edit.at;
        if (edit.kind == 0) {
            startLine();
            appendAdded(out.block(), edit.section, eol);
        } else {
            out.block() += editedLine(*edit.entry);
            pos = edit.entry->contentEnd;
        }
    }
    out.appendSpan(QByteArrayView(bytes_).sliced(pos));
    for (size_t i = 0; i < writtenSections_.size(); ++i) {
        if (writtenSections_[i].inFile >= 0)
            continue;
        startLine();
        QByteArray &block = out.block();
        block += '[';
        block += profile_text::encodeField(writtenSectionName(qsizetype(i)), Field::Section);
        block += ']';
        block += eol;
        appendAdded(block, qsizetype(i), eol);
    }
    return out;
}

QByteArray ProfileDocument::toBytes() const {
    if (writtenSections_.empty())
        return bytes_;
    OutputPieces out = output();
    QByteArray bytes;
    bytes.reserve(out.size());
    for (const QByteArrayView piece : out.pieces())
        bytes += piece;
    return bytes;
}

} // namespace tarvolin

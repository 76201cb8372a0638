// Writing a document's bytes out: the original bytes with the edited lines replaced and the
// added lines inserted, every other byte kept.

#include "settings/profile_document.h"
#include "settings/profile_text.h"

#include <algorithm>

namespace tarvolin {

using profile_text::appendField;
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
    QByteArray line;
    EntryLine entry;
    if (entryAt(written.lineStart, entry)) {
        // Keep the name as spelled (its case, blanks, encoding) unless the new value would change
        // how the line decodes: a Windows-1252 line must stay invalid UTF-8 to read the same.
        qsizetype prefixEnd = bytes_.indexOf('=', entry.keyEnd) + 1;
        while (prefixEnd < entry.contentEnd && profile_text::isBlank(bytes_[prefixEnd]))
            ++prefixEnd;
        line = bytes_.sliced(entry.lineStart, prefixEnd - entry.lineStart);
        const qsizetype valueAt = line.size();
        appendField(line, written.value, Field::Value);
        if (lineIsUtf8(entry) || isAscii(line.first(valueAt)) ||
            (isAscii(line.sliced(valueAt)) && !QByteArrayView(line).isValidUtf8()))
            return line;
        line.clear();
    }
    appendField(line, written.key, Field::Key);
    line += '=';
    appendField(line, written.value, Field::Value);
    return line;
}

void ProfileDocument::appendAdded(QByteArray &out, const WrittenSection &section,
                                  QByteArrayView eol) const {
    for (const qsizetype at : section.added) {
        // Room for the line's worst case (see writeField), made once.
        const WrittenEntry &entry = writtenEntries_[size_t(at)];
        const qsizetype start = out.size();
        out.resize(start + 4 * (entry.key.size() + entry.value.size()) + 1 + eol.size());
        char *dest = profile_text::writeField(out.data() + start, entry.key, Field::Key);
        *dest++ = '=';
        dest = profile_text::writeField(dest, entry.value, Field::Value);
        out.truncate(std::copy(eol.begin(), eol.end(), dest) - out.constData());
    }
}

QByteArray ProfileDocument::toBytes() const {
    if (writtenSections_.empty())
        return bytes_;
    QByteArray out;
    // Edits in file order: insertions (kind 0) go before a line replaced at the same offset.
    struct Edit {
        qsizetype at;
        int kind;
        const WrittenEntry *entry;
        const WrittenSection *section;
    };
    std::vector<Edit> edits;
    for (size_t i = 0; i < writtenSections_.size(); ++i) {
        const WrittenSection &written = writtenSections_[i];
        if (written.insertAt >= 0 && !written.added.empty())
            edits.push_back(Edit{written.insertAt, 0, nullptr, &written});
    }
    for (const qsizetype changed : changedEntries_) {
        const WrittenEntry &entry = writtenEntries_[size_t(changed)];
        edits.push_back(Edit{entry.lineStart, 1, &entry, nullptr});
    }
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) {
        return a.at != b.at ? a.at < b.at : a.kind < b.kind;
    });

    const QByteArray eol = lineEnd();
    auto startLine = [&] {
        if (out.size() > bodyStart_ && !out.endsWith('\n'))
            out += eol;
    };
    qsizetype pos = 0;
    for (const Edit &edit : edits) {
        out += QByteArrayView(bytes_).sliced(pos, edit.at - pos);
        pos = edit.at;
        if (edit.kind == 0) {
            startLine();
            appendAdded(out, *edit.section, eol);
        } else {
            out += editedLine(*edit.entry);
            pos = edit.entry->contentEnd;
        }
    }
    out += QByteArrayView(bytes_).sliced(pos);
    for (const WrittenSection &written : writtenSections_) {
        if (written.inFile >= 0)
            continue;
        startLine();
        out += '[';
        appendField(out, written.name, Field::Section);
        out += ']';
        out += eol;
        appendAdded(out, written, eol);
    }
    return out;
}

} // namespace tarvolin

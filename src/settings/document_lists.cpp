// The section list and a section's entry list, in the profile functions' form.

#include "settings/plain_scan.h"
#include "settings/profile_document.h"
#include "settings/profile_text.h"

#include <cstring>

namespace tarvolin {

namespace {

// Builds a list in the profile functions' form into a string sized up front: a name is never
// longer than the bytes it is read from, so the capacity given is never exceeded.
class ListBuilder {
public:
    explicit ListBuilder(qsizetype capacity)
        : list_(capacity, Qt::Uninitialized), out_(list_.data()) {}

    // A name whose bytes are its text.
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

    QChar *&cursor() { return out_; }

    QString take() {
        list_.truncate(out_ - list_.constData());
        return std::move(list_);
    }

private:
    QString list_;
    QChar *out_;
};

} // namespace

QString ProfileDocument::sectionList() const {
    findSections();
    qsizetype capacity = 0;
    for (const Section &section : sections_)
        capacity += (section.plain ? section.nameSize : section.decoded.size()) + 1;
    for (const WrittenSection &written : writtenSections_) {
        if (written.inFile < 0)
            capacity += written.nameSize + 1;
    }
    ListBuilder list(capacity);
    for (const Section &section : sections_) {
        if (section.plain)
            list.addPlain(QByteArrayView(bytes_).sliced(section.nameStart, section.nameSize));
        else
            list.addDecoded(section.decoded);
    }
    for (size_t i = 0; i < writtenSections_.size(); ++i) {
        if (writtenSections_[i].inFile < 0)
            list.addDecoded(writtenSectionName(qsizetype(i)));
    }
    return list.take();
}

QString ProfileDocument::entryList(const QString &name) const {
    const size_t hash = nameHash(name);
    const Section *section = findSection(name, hash);
    const qsizetype written = findWrittenSection(name, hash);
    qsizetype capacity = section ? section->bodyEnd - section->bodyStart : 0;
    if (written >= 0) {
        for (const qsizetype at : writtenSections_[size_t(written)].added)
            capacity += writtenEntries_[size_t(at)].keySize + 1;
    }
    ListBuilder list(capacity);
    if (section) {
        const char *data = bytes_.constData();
        const char *end = data + section->bodyEnd;
        EntryLine entry;
        for (const char *line = data + section->bodyStart; line < end;) {
            // Most lines start with a plain name and "=": runs of them are listed by the scan,
            // and the line it stops at is read the careful way.
            if (paths_ == Paths::Fast) {
                line = plain_scan::listPlainNames(line, end, list.cursor());
                if (line == end)
                    break;
            }
            const auto *newline =
                static_cast<const char *>(std::memchr(line, '\n', size_t(end - line)));
            const char *lineEnd = newline ? newline : end;
            if (parseEntry(line - data, lineEnd - data, entry)) {
                const QByteArrayView raw = rawKey(entry);
                // A plain name reads the same in either encoding, so the line need not be checked.
                if (profile_text::isPlain(raw))
                    list.addPlain(raw);
                else
                    list.addDecoded(keyOf(entry));
            }
            line = newline ? newline + 1 : end;
        }
    }
    if (written >= 0) {
        for (const qsizetype at : writtenSections_[size_t(written)].added) {
            const WrittenEntry &w = writtenEntries_[size_t(at)];
            list.addDecoded(textAt(w.keyAt, w.keySize));
        }
    }
    return list.take();
}

} // namespace tarvolin

// The section list and a section's entry list, in the profile functions' form.

#include "settings/plain_scan.h"
#include "settings/profile_document.h"
#include "settings/profile_text.h"

#include <cstring>

namespace tarvolin {

namespace {

// Builds a list in the profile functions' form into a string sized up front: a name is never
// longer than the bytes it is read from, so the capacity given is never exceeded. The SSE2 scan
// writes up to 15 characters past a name it lists; it lists only while 80 bytes of the section
// remain, so that room is within the section's bytes too.
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

QString ProfileDocument::sectionList() {
    qsizetype capacity = 0;
    for (const Section &section : sections_)
        capacity += section.name.size() + 1;
    for (const WrittenSection &written : writtenSections_)
        capacity += written.name.size() + 1;
    ListBuilder list(capacity);
    for (const Section &section : sections_)
        list.addDecoded(section.name);
    for (const WrittenSection &written : writtenSections_) {
        if (written.inFile < 0)
            list.addDecoded(written.name);
    }
    return list.take();
}

QString ProfileDocument::entryList(const QString &name) {
    const Section *section = findSection(name);
    const qsizetype written = writtenSectionIndex_.value(name, -1);
    const std::vector<qsizetype> *added =
        written < 0 ? nullptr : &writtenSections_[size_t(written)].added;
    // The section's bytes bound its names and their NULs; see ListBuilder for the scan's room.
    qsizetype capacity = section ? section->bodyEnd - section->bodyStart : 0;
    for (const qsizetype at : added ? *added : std::vector<qsizetype>())
        capacity += writtenEntries_[size_t(at)].key.size() + 1;
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
    for (const qsizetype at : added ? *added : std::vector<qsizetype>())
        list.addDecoded(writtenEntries_[size_t(at)].key);
    return list.take();
}

} // namespace tarvolin

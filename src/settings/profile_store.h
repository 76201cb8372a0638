#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace tarvolin {

// Profile (INI) files with the call shape of the classic profile functions: reads fill a
// caller's buffer and return a count, lists come back as names each followed by NUL.
//
// Paths are "./name.ini" (or plain "name.ini"), resolved against the working folder given to
// the constructor. A path that would leave that folder or enter a sub-folder reads as empty
// and is never written.
//
// File format: "[section]" lines and "name=value" lines, UTF-8 without BOM. A line that is
// not valid UTF-8 is read as Windows-1252. Blanks and tabs around names and values are not
// part of them. Text that would break the structure is escaped with a backslash:
//   "\\" stands for "\", "\xHH" for the character with code HH (control characters; "=" in an
//   entry name; "]" in a section name; a blank, tab or quote at either end of a field; "[",
//   ";" or "#" at the start of an entry name). Everything else is written as it is, so a file
//   of ordinary names is plain profile text. Unknown escapes read as written.
//
// Deliberate differences from the platform functions:
//  - Nothing is cut: a reader passes a buffer, and when the result signals a cut (value:
//    size - 1, list: size - 2) it may grow the buffer and ask again; see profile_reader.h.
//  - Section and entry names match exactly, letter case counting.
//  - Every name and value without NUL reads back exactly as written (see the escaping above).
//  - An empty entry name is stored and listed as an empty item; it never hides other entries.
//  - A write changes only its own entry's line, or appends the entry at the end of its
//    section, or a new section at the end of the file; every other byte stays as it was.
//  - Writes are atomic (temporary file renamed over the old one) and run under a lock file
//    beside the profile file, so two processes never lose each other's writes.
//  - A write that fails (read-only or missing folder, a folder in the file's place, a full
//    disk) leaves the old file intact and returns false; callers may ignore the result.
class ProfileStore {
public:
    explicit ProfileStore(QString workingFolder);
    ~ProfileStore();
    ProfileStore(const ProfileStore &) = delete;
    ProfileStore &operator=(const ProfileStore &) = delete;

    QString workingFolder() const;

    // With a key: copies the entry's value (or defaultValue when the file, section or entry
    // is missing) into buffer followed by a NUL where there is room, cut to size - 1
    // characters, and returns the number of characters copied.
    // With no key (std::nullopt): copies the entry names of the section in file order, each
    // followed by NUL, plus one more NUL; returns the count without that last NUL, 0 when the
    // file or section is missing or empty. When the names do not fit, the last one is cut,
    // followed by two NULs, and the result is size - 2.
    // buffer must hold at least size characters; only its first size characters are written.
    qsizetype GetPrivateProfileString(const QString &section, const std::optional<QString> &key,
                                      const QString &defaultValue, QString &buffer, qsizetype size,
                                      const QString &path);

    // The names of all sections in file order, in the same list form and with the same cut
    // rules; 0 when the file is missing or has no sections.
    qsizetype GetPrivateProfileSectionNames(QString &buffer, qsizetype size, const QString &path);

    // Sets entry key of section to value, creating the file, section and entry as needed.
    // Returns false when the write failed; the file is then unchanged.
    bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                                   const QString &path);

    // Groups the reads and writes of one handler. While a Group lives, each file is read once
    // (fresh, at its first use in the group) and the group's writes to it are committed
    // together, atomically and under the file's lock, when the outermost Group ends.
    // Groups nest; only the outermost one commits.
    class Group {
    public:
        explicit Group(ProfileStore &store);
        ~Group();
        Group(const Group &) = delete;
        Group &operator=(const Group &) = delete;

    private:
        ProfileStore &store_;
    };

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarvolin

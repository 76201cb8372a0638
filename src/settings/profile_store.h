#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <vector>

namespace tarvolin {

// One write of a batch: the texts are read during the call only. A write without a value
// forgets the entry (see WritePrivateProfileString).
struct ProfileWrite {
    QStringView section;
    QStringView key;
    std::optional<QStringView> value;
};

// Profile (INI) files. Typed reads hand back a value or a list of names built in one pass
// over the file's bytes; GetPrivateProfileString and GetPrivateProfileSectionNames keep the
// call shape of the classic profile functions on top of them (a caller's buffer, a count,
// names each followed by NUL, cut like the platform cuts).
//
// Paths are "./name.ini" (".\name.ini" and plain "name.ini" too), resolved against the working
// folder given to the constructor. A path that is not one plain file name (empty, "." or "..",
// holding "/", "\", ":" or NUL) reads as missing and is never written.
//
// File format: "[section]" lines and "name=value" lines, UTF-8 without BOM (a BOM is tolerated
// and kept). A line that is not valid UTF-8 is read as Windows-1252 and kept byte for byte
// unless it is the line being written. Blanks, tabs and CR around names and values are not
// part of them; a value wrapped in a pair of equal quotes is read without them; lines starting
// with ";" or "#" are comments. Only text that would break the structure is written as "\xHH"
// (control characters, a blank at either end of a field, "=" in an entry name and the like;
// profile_text.h lists the rules), so a file of ordinary names is plain profile text and reads
// the same with the platform functions.
//
// Deliberate differences from the platform functions:
//  - The typed reads cut nothing; only the buffer-filling calls cut, as the platform does.
//  - Section and entry names match exactly, letter case counting.
//  - Every name and value without NUL reads back exactly as written (see the escaping above).
//  - An empty entry name is stored and listed as an empty item; it never hides other entries.
//  - A section that appears twice is read and written at its first occurrence, an entry name
//    that appears twice in it likewise; lists name sections and entries as the file has them,
//    in file order, so a name the file holds twice is listed twice.
//  - A write changes only its own entry's line (keeping the name as spelled and the line end),
//    or adds the entry after the last entry line of its section (before trailing blank and
//    comment lines), or adds the section at the end of the file. Every other byte stays as it
//    was. Added lines use the file's line end ("\r\n" or "\n", from its first line); a new
//    file gets the platform's. A last line without line end gets one before anything is added.
//  - Writes are atomic: the new bytes go to a temporary beside the file, synced to the disk and
//    renamed over it, the folder synced after, keeping the file's mode (a symbolic link of the
//    running user's stays, and the file it names is replaced). The temporary is ".tarvolin-save-"
//    plus twelve random lower-case letters or digits, a name no user's file has; the program never
//    removes, renames or changes a file of any other name but the profile file it writes.
//  - Each read-modify-write holds the folder's lock (FolderLock, on ".tarvolin.lock", a file the
//    first write creates and that stays for good; see folder_lock.h), so two processes, also on
//    two machines sharing the folder over NFS or SMB, never lose each other's writes. One lock
//    serves all files of the folder (a Group writing two files holds it once), and the system
//    releases it when its holder dies. Under it a writer removes the temporaries killed writers
//    left. Where the file system refuses locks (no lock support, no regular lock file), writes go
//    ahead unlocked, still atomic, and the "tarvolin.store" logging category says so once; nothing
//    is then removed.
//  - A file is read-only to the program, also when it runs as root, when its mode gives its owner
//    no write permission, the running user may not write it, it is larger than 256 MiB (then
//    it also reads as empty), or a link at its name belongs to another account: writes to it
//    fail and leave it as it is; reads go on.
//  - A write that fails (lock held by another writer for 5 s, tried with pauses of 1 to 10 ms; a
//    write-protected file; a name too long; read-only or missing folder, a folder in the file's
//    place, a file that cannot be read, a full disk) leaves the old file intact and returns
//    false; callers may ignore the result.
//  - A file that cannot be read, or is not a regular file, reads as empty.
class ProfileStore {
public:
    explicit ProfileStore(QString workingFolder);
    ~ProfileStore();
    ProfileStore(const ProfileStore &) = delete;
    ProfileStore &operator=(const ProfileStore &) = delete;

    QString workingFolder() const;

    // Typed reads. Each sees the file as it is on disk now (or, inside a Group, as the group
    // first read it, with the group's writes).
    // The entry's value; nullopt when the file, section or entry is missing.
    std::optional<QString> readValue(const QString &section, const QString &key,
                                     const QString &path);
    // The entry names of a section in file order, each followed by NUL, as one string built in
    // one pass; empty when the file or section is missing or empty. A name that holds NUL
    // itself is left out.
    QString readEntryList(const QString &section, const QString &path);
    // The section names of a file in file order, in the same form.
    QString readSectionList(const QString &path);

    // With a key: copies the entry's value (or defaultValue when the file, section or entry
    // is missing) into buffer followed by a NUL where there is room, cut to size - 1
    // characters, and returns the number of characters copied.
    // With no key (std::nullopt): copies the entry names of the section in file order, each
    // followed by NUL, plus one more NUL; returns the count without that last NUL, 0 when the
    // file or section is missing or empty. When the names do not fit, the last one is cut,
    // followed by two NULs, and the result is size - 2.
    // Only the first size characters of buffer are written (fewer if buffer is shorter). A name
    // that holds NUL itself is left out of lists.
    qsizetype GetPrivateProfileString(const QString &section, const std::optional<QString> &key,
                                      const QString &defaultValue, QString &buffer, qsizetype size,
                                      const QString &path);

    // The names of all sections in file order, in the same list form and with the same cut
    // rules; 0 when the file is missing or has no sections.
    qsizetype GetPrivateProfileSectionNames(QString &buffer, qsizetype size, const QString &path);

    // Sets entry key of section to value, creating the file, section and entry as needed.
    // Returns false when the write failed; the file is then unchanged. Inside a Group the write
    // is kept until the outermost Group ends: true then means the file's lock was had, and a
    // failure to save at the end is silent (the file stays as it was).
    // With no value (std::nullopt) the entry is forgotten, as the platform does: its whole line,
    // line end included, is removed and every other byte kept (the section's header stays, even
    // when the section is left empty). A missing file, section or entry is left as it is (no file
    // is made) and the call succeeds; a later write of the name adds it again. Forgetting takes
    // the lock and saves atomically like any write, and fails the same ways.
    bool WritePrivateProfileString(const QString &section, const QString &key,
                                   const std::optional<QString> &value, const QString &path);

    // Forgets a section, as the platform does for a write without an entry name: its header line
    // and every line up to the next header go (at each place the file holds it), every other byte
    // stays. A missing file or section is left as it is and succeeds. Locked and atomic as above.
    bool removeSection(const QString &section, const QString &path);

    // The writes of a batch in order, as WritePrivateProfileString would make them one by one
    // (a later write of an entry replaces an earlier one), with one lookup of the path and its
    // lock for all. Same result and same rules inside a Group.
    bool WritePrivateProfileStrings(const std::vector<ProfileWrite> &writes, const QString &path);

    // Groups the reads and writes of one handler. While a Group lives, each file is read once
    // (fresh, at its first use in the group) and reads see the group's own writes. The first
    // write to a file takes its lock and reads it again under the lock; the group's writes to
    // it are saved together, atomically, and the lock released when the outermost Group ends.
    // Groups nest; only the outermost one commits.
    //
    // What is kept between groups: for the last four files a group read and did not write, the
    // bytes read and what was built from them (the table of sections, and the table of entries of
    // each section looked up more than once). Every group still reads each file it uses from
    // disk; when the fresh bytes equal the kept ones byte for byte, the kept tables are reused,
    // otherwise they are dropped and built anew. A file the group writes is never kept, and
    // everything kept goes with the store.
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

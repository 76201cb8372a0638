#include "settings/profile_store.h"

#include "settings/folder_lock.h"
#include "settings/profile_document.h"
#include "settings/profile_file_io.h"

#include <QDir>
#include <QLoggingCategory>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <map>
#include <vector>

#include <unistd.h>

namespace tarvolin {

namespace {

Q_LOGGING_CATEGORY(lcProfileStore, "tarvolin.store")

// Long enough to outwait another instance's write, short enough not to freeze the window.
constexpr std::chrono::milliseconds kLockTimeout{5000};
// The program reads two files (the main one and the current engine's); a few more cost nothing.
constexpr size_t kKeptFiles = 4;

// Copies text and a NUL into buffer, which has room for both; returns the characters copied.
qsizetype copyOut(QStringView text, QString &buffer) {
    QChar *out = std::copy_n(text.data(), text.size(), buffer.data());
    *out = QChar(u'\0');
    return text.size();
}

qsizetype copyValue(const QString &text, QString &buffer, qsizetype size) {
    return size <= 0 ? 0
                     : copyOut(QStringView(text).first(std::min(text.size(), size - 1)), buffer);
}

qsizetype copyList(const QString &list, QString &buffer, qsizetype size) {
    if (size <= 0)
        return 0;
    if (list.size() + 1 <= size)
        return copyOut(list, buffer);
    // Cut as the platform does: size - 2 characters, then two NULs.
    const qsizetype count =
        copyOut(QStringView(list).first(std::max<qsizetype>(size - 2, 0)), buffer);
    if (size >= 2)
        buffer.data()[count + 1] = QChar(u'\0');
    return count;
}

} // namespace

struct ProfileStore::State {
    // One file as seen by the current group.
    struct OpenFile {
        ProfileDocument document;
        // Read again under the folder's lock (or where the file system keeps no locks), so the
        // group's writes go to what is on disk now.
        bool writing = false;
        // A write to it failed before it was read again: every later write of the group fails.
        bool refused = false;
    };

    QString folder;
    QDir dir;
    int depth = 0;
    std::map<QString, OpenFile> files;
    // Documents read by earlier groups and not written by them, most recent last: a group that
    // reads the same bytes again reuses what was built from them (see the class comment), compared
    // a piece at a time as they are read (readFileBytes). For the row "cmbEngine_Click, 10 MB main
    // file" (goal 3x): 1.54x so, 14.8x with the file read whole and compared (AMD EPYC, Qt 6.4.2).
    struct Kept {
        QString filePath;
        ProfileDocument document;
    };
    std::vector<Kept> kept;
    // The folder's lock, held from the group's first write to its end.
    FolderLock lock;
    enum class Locking { NotYet, Held, Unsupported, Failed } locking = Locking::NotYet;
    bool toldUnsupported = false;
    // What killed writers left is removed at the first lock: a writer alive now leaves nothing.
    bool cleanedUp = false;
#ifdef TARVOLIN_PAUSE_POINTS
    // Test builds: TARVOLIN_PAUSE="<point> <n>" stops the process the nth time it passes point.
    QByteArray pausePoint;
    int pauseCountdown = 0;
#endif

    ~State() {
        unlock();
    }
    void unlock();
    bool takeLock();
    void pauseAt(const char *point);

    std::optional<QString> resolve(const QString &path);
    OpenFile &open(const QString &filePath);
    // The document of a path for reading; nullptr when the path is refused.
    ProfileDocument *document(const QString &path);
    OpenFile *openForWriting(const QString &filePath);
    // Applies edit to the path's document for writing; saves at once outside a group.
    template <typename Edit> bool write(const QString &path, Edit edit);
    bool commit(const QString &filePath, OpenFile &file);
};

void ProfileStore::State::unlock() {
    lock.unlock();
    locking = Locking::NotYet;
}

// Takes the folder's lock at the group's first write. False when another writer kept it for the
// whole wait. Where the file system keeps no locks, the writes go ahead without one, still
// atomic, rather than being lost: that is said once.
bool ProfileStore::State::takeLock() {
    if (locking != Locking::NotYet)
        return locking != Locking::Failed;
    switch (lock.lock(dir.filesystemPath(), kLockTimeout)) {
    case FolderLock::Result::Locked:
        locking = Locking::Held;
        pauseAt("locked");
        if (!std::exchange(cleanedUp, true))
            removeLeftoverTemporaries(dir.path());
        return true;
    case FolderLock::Result::Busy:
    case FolderLock::Result::Failed:
        locking = Locking::Failed;
        return false;
    case FolderLock::Result::Refused:
        locking = Locking::Unsupported;
        if (!std::exchange(toldUnsupported, true))
            qCWarning(lcProfileStore, "%s keeps no locks (%s): writing its profile files unlocked",
                      qPrintable(QDir::toNativeSeparators(folder)), std::strerror(lock.error()));
        return true;
    }
    return false;
}

// Lets a test kill a writer at a chosen moment of its write: "locked" (lock just had), "written"
// (temporary written, not renamed) or "saved" (files renamed, lock still held). It prints
// "paused <point>" on stderr and stops itself; the test then kills it.
void ProfileStore::State::pauseAt([[maybe_unused]] const char *point) {
#ifdef TARVOLIN_PAUSE_POINTS
    if (pauseCountdown <= 0 || pausePoint != point || --pauseCountdown > 0)
        return;
    const QByteArray line = "paused " + pausePoint + '\n';
    if (::write(STDERR_FILENO, line.constData(), size_t(line.size())) == line.size())
        ::raise(SIGSTOP);
#endif
}

std::optional<QString> ProfileStore::State::resolve(const QString &path) {
    QStringView name = path;
    if (name.startsWith(u"./") || name.startsWith(u".\\"))
        name = name.mid(2);
    // One plain segment only: never outside the working folder, never in a sub-folder.
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        name.contains(u'\\') || name.contains(u':') || name.contains(QChar(u'\0')))
        return std::nullopt;
    return dir.filePath(name.toString());
}

ProfileStore::State::OpenFile &ProfileStore::State::open(const QString &filePath) {
    auto it = files.find(filePath);
    if (it == files.end()) {
        it = files.try_emplace(filePath).first;
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&](const Kept &k) { return k.filePath == filePath; });
        const QByteArray known = same != kept.end() ? same->document.bytes() : QByteArray();
        const QByteArray bytes = readFileBytes(filePath, known).value_or(QByteArray());
        // Equal bytes, compared in full: a size and time stamp can stay the same across an edit.
        if (same != kept.end() && (bytes.isSharedWith(known) || bytes == known))
            it->second.document = std::move(same->document);
        else
            it->second.document = ProfileDocument(bytes);
        if (same != kept.end())
            kept.erase(same);
    }
    return it->second;
}

ProfileDocument *ProfileStore::State::document(const QString &path) {
    const std::optional<QString> filePath = resolve(path);
    return filePath ? &open(*filePath).document : nullptr;
}

ProfileStore::State::OpenFile *ProfileStore::State::openForWriting(const QString &filePath) {
    if (const auto it = files.find(filePath); it != files.end()) {
        if (it->second.writing)
            return &it->second;
        if (it->second.refused)
            return nullptr;
    }
    if (!mayWrite(filePath) || !takeLock()) {
        open(filePath).refused = true;
        return nullptr;
    }
    // Read (again) under the lock, so another instance's write since our read is not lost. A
    // file that is there but cannot be read (write-only) is never replaced: its content is unknown.
    std::optional<QByteArray> bytes = readFileBytes(filePath);
    if (!bytes) {
        open(filePath).refused = true;
        return nullptr;
    }
    OpenFile &file = files[filePath];
    file.writing = true;
    file.document = ProfileDocument(std::move(*bytes));
    return &file;
}

bool ProfileStore::State::commit(const QString &filePath, OpenFile &file) {
    bool saved = true;
    if (file.writing && file.document.isModified()) {
        const QByteArray bytes = file.document.toBytes();
        const QByteArrayView whole(bytes);
        saved = saveAtomically(filePath, {&whole, 1}, [this] { pauseAt("written"); });
    }
    file.writing = false;
    return saved;
}

ProfileStore::ProfileStore(QString workingFolder) : state_(std::make_unique<State>()) {
    state_->folder = std::move(workingFolder);
    state_->dir = QDir(state_->folder);
#ifdef TARVOLIN_PAUSE_POINTS
    const QList<QByteArray> pause = qgetenv("TARVOLIN_PAUSE").split(' ');
    if (pause.size() == 2) {
        state_->pausePoint = pause[0];
        state_->pauseCountdown = pause[1].toInt();
    }
#endif
}

ProfileStore::~ProfileStore() = default;

QString ProfileStore::workingFolder() const {
    return state_->folder;
}

std::optional<QString> ProfileStore::readValue(const QString &section, const QString &key,
                                               const QString &path) {
    Group group(*this);
    ProfileDocument *document = state_->document(path);
    return document ? document->value(section, key) : std::nullopt;
}

QString ProfileStore::readEntryList(const QString &section, const QString &path) {
    Group group(*this);
    ProfileDocument *document = state_->document(path);
    return document ? document->entryList(section) : QString();
}

QString ProfileStore::readSectionList(const QString &path) {
    Group group(*this);
    ProfileDocument *document = state_->document(path);
    return document ? document->sectionList() : QString();
}

qsizetype ProfileStore::GetPrivateProfileString(const QString &section,
                                                const std::optional<QString> &key,
                                                const QString &defaultValue, QString &buffer,
                                                qsizetype size, const QString &path) {
    size = std::min(size, buffer.size());
    if (!key)
        return copyList(readEntryList(section, path), buffer, size);
    return copyValue(readValue(section, *key, path).value_or(defaultValue), buffer, size);
}

qsizetype ProfileStore::GetPrivateProfileSectionNames(QString &buffer, qsizetype size,
                                                      const QString &path) {
    return copyList(readSectionList(path), buffer, std::min(size, buffer.size()));
}

bool ProfileStore::WritePrivateProfileString(const QString &section, const QString &key,
                                             const std::optional<QString> &value,
                                             const QString &path) {
    return WritePrivateProfileStrings({ProfileWrite{section, key, value}}, path);
}

template <typename Edit> bool ProfileStore::State::write(const QString &path, Edit edit) {
    const std::optional<QString> filePath = resolve(path);
    if (!filePath)
        return false;
    OpenFile *file = openForWriting(*filePath);
    if (!file)
        return false;
    edit(file->document);
    // A write outside any group is its own group and reports whether it reached the disk.
    if (depth == 1) {
        const bool saved = commit(*filePath, *file);
        files.erase(*filePath);
        return saved;
    }
    return true;
}

bool ProfileStore::WritePrivateProfileStrings(const std::vector<ProfileWrite> &writes,
                                              const QString &path) {
    Group group(*this);
    return state_->write(path, [&](ProfileDocument &document) { document.setValues(writes); });
}

bool ProfileStore::removeSection(const QString &section, const QString &path) {
    Group group(*this);
    return state_->write(path, [&](ProfileDocument &document) {
        while (document.removeSection(section)) {
        }
    });
}

ProfileStore::Group::Group(ProfileStore &store) : store_(store) {
    ++store_.state_->depth;
}

ProfileStore::Group::~Group() {
    State &state = *store_.state_;
    if (--state.depth > 0)
        return;
    for (auto &[filePath, file] : state.files) {
        const bool written = file.document.isModified();
        state.commit(filePath, file);
        if (written)
            continue;
        std::erase_if(state.kept,
                      [&path = filePath](const State::Kept &k) { return k.filePath == path; });
        state.kept.push_back(State::Kept{filePath, std::move(file.document)});
        if (state.kept.size() > kKeptFiles)
            state.kept.erase(state.kept.begin());
    }
    // The next handler reads every file afresh; only what was built from it may be reused.
    state.files.clear();
    if (state.locking == State::Locking::Held)
        state.pauseAt("saved");
    state.unlock();
}

} // namespace tarvolin

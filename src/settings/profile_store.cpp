#include "settings/profile_store.h"

#include "settings/profile_document.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <vector>

// The folder lock is flock(2), which POSIX systems have. LockFileEx locks byte ranges of files,
// not folders: a Windows build would lock a file kept in the folder for that purpose.
#ifdef Q_OS_WIN
#error "ProfileStore's folder lock needs a LockFileEx branch on Windows"
#endif
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvolin {

namespace {

// Long enough to outwait another instance's write, short enough not to freeze the window.
constexpr int kLockTimeoutMs = 5000;
// Pauses between attempts grow to this: a waiting writer gets in soon after the holder's
// write, even when the holder comes straight back for the next one.
constexpr unsigned long kLockPauseMaxMs = 10;
// The program reads two files (the main one and the current engine's); a few more cost nothing.
constexpr size_t kKeptFiles = 4;

// The rest of an open file after the bytes already read; nullopt on a read error.
std::optional<QByteArray> readRest(QFile &file, QByteArray bytes) {
    bytes += file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Empty when there is no file; nullopt when something is there that cannot be read: a folder or
// a pipe (never opened, so never blocks), or a file without read permission or with a read error.
// A file that holds exactly the known bytes hands them back, shared: it is read a piece at a
// time and compared while the piece is in the cache, so an unchanged file costs no new buffer
// and no second pass over memory.
std::optional<QByteArray> readFileBytes(const QString &filePath, const QByteArray &known = {}) {
    const QFileInfo info(filePath);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile())
        return std::nullopt;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    if (known.isEmpty())
        return readRest(file, QByteArray());
    constexpr qsizetype kPiece = 256 * 1024;
    QByteArray piece(kPiece, Qt::Uninitialized);
    for (qsizetype done = 0;;) {
        const qint64 got = file.read(piece.data(), kPiece);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return done == known.size() ? known : readRest(file, known.first(done));
        if (done + got > known.size() ||
            std::memcmp(piece.constData(), known.constData() + done, size_t(got)) != 0)
            return readRest(file, known.first(done) + piece.first(got));
        done += got;
    }
}

// Opens the folder and takes its lock, waiting up to kLockTimeoutMs; -1 when not had. The lock
// belongs to the open descriptor: the system drops it when the descriptor is closed or the process
// dies, so a crash leaves nothing to recover. O_CLOEXEC keeps it out of started programs.
int lockFolder(const QDir &dir) {
    const int fd =
        ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const QDeadlineTimer deadline(kLockTimeoutMs);
    unsigned long pauseMs = 1;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
            ::close(fd);
            return -1;
        }
        QThread::msleep(pauseMs);
        pauseMs = std::min(pauseMs * 2, kLockPauseMaxMs);
    }
    return fd;
}

// False when a save is bound to fail: a folder we may not write to, or a name too long for the
// temporary ("name" plus seven). Such a write then fails at once, not silently when its group ends.
bool canSave(const QFileInfo &info) {
    const QByteArray folder = QFile::encodeName(info.path());
    const long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    return ::access(folder.constData(), W_OK) == 0 &&
           (nameMax < 0 || QFile::encodeName(info.fileName()).size() + 7 <= nameMax);
}

// QSaveFile's temporary of "name" is "name." plus six ASCII letters (Qt 6); on Linux it gets that
// name only for the moment of the rename. A name holding "XXXXXX" has its temporary's letters in
// its own place instead, where they cannot be told from another file's name: none is removed.
bool isTemporaryOf(const QString &entry, const QString &fileName) {
    const qsizetype n = fileName.size();
    if (entry.size() != n + 7 || !entry.startsWith(fileName) || entry[n] != u'.' ||
        fileName.contains(QLatin1String("XXXXXX")))
        return false;
    return std::all_of(entry.cbegin() + n + 1, entry.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
}

// Removes what killed writers of filePath left: temporaries, and the lock files of the QLockFile
// design of earlier versions ("name.lock", "name.lock.rmlock"). Called under the folder lock,
// which every writer holds while its temporary exists, so none of them is in use.
void removeLeftovers(const QString &filePath) {
    const QFileInfo info(filePath);
    QDir dir = info.dir();
    const QString name = info.fileName();
    const QString lock = name + QStringLiteral(".lock");
    const QString rmlock = name + QStringLiteral(".lock.rmlock");
    // One listing finds all three kinds; removing only what it lists spares two failing
    // unlinks per write.
    QDirIterator it(dir.path(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString entry = it.fileName();
        if (entry == lock || entry == rmlock || isTemporaryOf(entry, name))
            dir.remove(entry);
    }
}

qsizetype copyValue(const QString &text, QString &buffer, qsizetype size) {
    if (size <= 0)
        return 0;
    const qsizetype count = std::min(text.size(), size - 1);
    QChar *out = buffer.data();
    std::copy_n(text.constData(), count, out);
    out[count] = QChar(u'\0');
    return count;
}

qsizetype copyList(const QString &list, QString &buffer, qsizetype size) {
    if (size <= 0)
        return 0;
    QChar *out = buffer.data();
    if (list.size() + 1 <= size) {
        std::copy_n(list.constData(), list.size(), out);
        out[list.size()] = QChar(u'\0');
        return list.size();
    }
    // Cut as the platform does: size - 2 characters, then two NULs.
    if (size < 2) {
        out[0] = QChar(u'\0');
        return 0;
    }
    std::copy_n(list.constData(), size - 2, out);
    out[size - 2] = QChar(u'\0');
    out[size - 1] = QChar(u'\0');
    return size - 2;
}

} // namespace

struct ProfileStore::State {
    // One file as seen by the current group.
    struct OpenFile {
        ProfileDocument document;
        bool locked = false;
        bool lockFailed = false;
    };

    QString folder;
    QDir dir;
    // Writes come in runs on one path: the last one resolved is kept.
    QString lastPath;
    std::optional<QString> lastResolved;
    int depth = 0;
    std::map<QString, OpenFile> files;
    // Documents read by earlier groups and not written by them, most recent last: a group that
    // reads the same bytes again reuses what was built from them (see the class comment).
    struct Kept {
        QString filePath;
        ProfileDocument document;
    };
    std::vector<Kept> kept;
    // The folder's lock, held from the group's first write to its end; -1 when not held.
    int lockFd = -1;
    bool lockFailed = false;
#ifdef TARVOLIN_PAUSE_POINTS
    // Test builds: TARVOLIN_PAUSE="<point> <n>" stops the process the nth time it passes point.
    QByteArray pausePoint;
    int pauseCountdown = 0;
#endif

    ~State() {
        unlock();
    }
    void unlock();
    void pauseAt(const char *point);

    std::optional<QString> resolve(const QString &path);
    OpenFile &open(const QString &filePath);
    // The document of a path for reading; nullptr when the path is refused.
    const ProfileDocument *document(const QString &path);
    OpenFile *openForWriting(const QString &filePath);
    bool commit(const QString &filePath, OpenFile &file);
};

void ProfileStore::State::unlock() {
    if (lockFd >= 0)
        ::close(lockFd);
    lockFd = -1;
    lockFailed = false;
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
    if (!lastPath.isNull() && path == lastPath)
        return lastResolved;
    lastPath = path;
    lastResolved.reset();
    QStringView name = path;
    if (name.startsWith(u"./") || name.startsWith(u".\\"))
        name = name.mid(2);
    // One plain segment only: never outside the working folder, never in a sub-folder.
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        name.contains(u'\\') || name.contains(u':') || name.contains(QChar(u'\0')))
        return lastResolved;
    lastResolved = dir.filePath(name.toString());
    return lastResolved;
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

const ProfileDocument *ProfileStore::State::document(const QString &path) {
    const std::optional<QString> filePath = resolve(path);
    return filePath ? &open(*filePath).document : nullptr;
}

ProfileStore::State::OpenFile *ProfileStore::State::openForWriting(const QString &filePath) {
    if (const auto it = files.find(filePath); it != files.end()) {
        if (it->second.locked)
            return &it->second;
        if (it->second.lockFailed)
            return nullptr;
    }
    const QFileInfo info(filePath);
    const bool savable = !(info.exists() && !info.isFile()) && canSave(info);
    if (savable && lockFd < 0 && !lockFailed) {
        lockFd = lockFolder(dir);
        lockFailed = lockFd < 0;
        if (lockFd >= 0)
            pauseAt("locked");
    }
    if (!savable || lockFd < 0) {
        open(filePath).lockFailed = true;
        return nullptr;
    }
    removeLeftovers(filePath);
    // Read (again) under the lock, so another instance's write since our read is not lost. A
    // file that is there but cannot be read (write-only) is never replaced: its content is unknown.
    std::optional<QByteArray> bytes = readFileBytes(filePath);
    if (!bytes) {
        open(filePath).lockFailed = true;
        return nullptr;
    }
    OpenFile &file = files[filePath];
    file.locked = true;
    file.document = ProfileDocument(std::move(*bytes));
    return &file;
}

bool ProfileStore::State::commit(const QString &filePath, OpenFile &file) {
    bool saved = true;
    if (file.locked && file.document.isModified()) {
        QSaveFile out(filePath);
        const QByteArray bytes = file.document.toBytes();
        saved = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
        if (saved)
            pauseAt("written");
        saved = saved && out.commit();
        if (!saved)
            out.cancelWriting();
    }
    file.locked = false;
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
    const ProfileDocument *document = state_->document(path);
    return document ? document->value(section, key) : std::nullopt;
}

QString ProfileStore::readEntryList(const QString &section, const QString &path) {
    Group group(*this);
    const ProfileDocument *document = state_->document(path);
    return document ? document->entryList(section) : QString();
}

QString ProfileStore::readSectionList(const QString &path) {
    Group group(*this);
    const ProfileDocument *document = state_->document(path);
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
    const auto text = value ? std::optional<QStringView>(*value) : std::nullopt;
    return WritePrivateProfileStrings({ProfileWrite{section, key, text}}, path);
}

bool ProfileStore::WritePrivateProfileStrings(const std::vector<ProfileWrite> &writes,
                                              const QString &path) {
    Group group(*this);
    const std::optional<QString> filePath = state_->resolve(path);
    if (!filePath)
        return false;
    State::OpenFile *file = state_->openForWriting(*filePath);
    if (!file)
        return false;
    file->document.setValues(writes);
    // A write outside any group is its own group and reports whether it reached the disk.
    if (state_->depth == 1) {
        const bool saved = state_->commit(*filePath, *file);
        state_->files.erase(*filePath);
        return saved;
    }
    return true;
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
        const QString &path = filePath;
        std::erase_if(state.kept, [&](const State::Kept &k) { return k.filePath == path; });
        state.kept.push_back(State::Kept{filePath, std::move(file.document)});
        if (state.kept.size() > kKeptFiles)
            state.kept.erase(state.kept.begin());
    }
    // The next handler reads every file afresh; only what was built from it may be reused.
    state.files.clear();
    if (state.lockFd >= 0)
        state.pauseAt("saved");
    state.unlock();
}

} // namespace tarvolin

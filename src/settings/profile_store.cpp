#include "settings/profile_store.h"

#include "settings/profile_document.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <map>
#include <vector>

namespace tarvolin {

namespace {

// Long enough to outwait another instance's write, short enough not to freeze the window.
constexpr int kLockTimeoutMs = 5000;
// A process killed between creating its lock file and writing its id leaves an empty lock that
// only its age shows to be stale. A live owner's lock is never taken: it holds a native lock too.
constexpr int kStaleLockMs = 1000;
// The program reads two files (the main one and the current engine's); a few more cost nothing.
constexpr size_t kKeptFiles = 4;

// Empty when there is no file; nullopt when something is there that cannot be read: a folder or
// a pipe (never opened, so never blocks), or a file without read permission or with a read error.
std::optional<QByteArray> readFileBytes(const QString &filePath) {
    const QFileInfo info(filePath);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile())
        return std::nullopt;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool acquire(QLockFile &lock) {
    // QLockFile::tryLock(timeout) sleeps 100 ms and more between attempts, which makes two busy
    // instances crawl; short pauses keep each wait about as long as the other's write.
    const QDeadlineTimer deadline(kLockTimeoutMs);
    unsigned long pauseMs = 1;
    for (;;) {
        if (lock.tryLock(0))
            return true;
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(pauseMs);
        pauseMs = std::min<unsigned long>(pauseMs * 2, 50);
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
        std::unique_ptr<QLockFile> lock;
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

    std::optional<QString> resolve(const QString &path);
    OpenFile &open(const QString &filePath);
    // The document of a path for reading; nullptr when the path is refused.
    const ProfileDocument *document(const QString &path);
    OpenFile *openForWriting(const QString &filePath);
    bool commit(const QString &filePath, OpenFile &file);
};

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
        QByteArray bytes = readFileBytes(filePath).value_or(QByteArray());
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&](const Kept &k) { return k.filePath == filePath; });
        // Equal bytes, compared in full: a size and time stamp can stay the same across an edit.
        if (same != kept.end() && same->document.bytes() == bytes)
            it->second.document = std::move(same->document);
        else
            it->second.document = ProfileDocument(std::move(bytes));
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
        if (it->second.lock)
            return &it->second;
        if (it->second.lockFailed)
            return nullptr;
    }
    const QFileInfo info(filePath);
    auto lock = std::make_unique<QLockFile>(filePath + QStringLiteral(".lock"));
    lock->setStaleLockTime(kStaleLockMs);
    if ((info.exists() && !info.isFile()) || !acquire(*lock)) {
        open(filePath).lockFailed = true;
        return nullptr;
    }
    // Read (again) under the lock, so another instance's write since our read is not lost. A
    // file that is there but cannot be read (write-only) is never replaced: its content is unknown.
    std::optional<QByteArray> bytes = readFileBytes(filePath);
    if (!bytes) {
        open(filePath).lockFailed = true;
        return nullptr;
    }
    OpenFile &file = files[filePath];
    file.lock = std::move(lock);
    file.document = ProfileDocument(std::move(*bytes));
    return &file;
}

bool ProfileStore::State::commit(const QString &filePath, OpenFile &file) {
    bool saved = true;
    if (file.lock && file.document.isModified()) {
        QSaveFile out(filePath);
        const QByteArray bytes = file.document.toBytes();
        saved = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
        if (!saved)
            out.cancelWriting();
    }
    file.lock.reset();
    return saved;
}

ProfileStore::ProfileStore(QString workingFolder) : state_(std::make_unique<State>()) {
    state_->folder = std::move(workingFolder);
    state_->dir = QDir(state_->folder);
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
                                             const QString &value, const QString &path) {
    Group group(*this);
    const std::optional<QString> filePath = state_->resolve(path);
    if (!filePath)
        return false;
    State::OpenFile *file = state_->openForWriting(*filePath);
    if (!file)
        return false;
    file->document.setValue(section, key, value);
    // A write outside any group is its own group and reports whether it reached the disk.
    if (state_->depth == 1) {
        const bool saved = state_->commit(*filePath, *file);
        state_->files.erase(*filePath);
        return saved;
    }
    return true;
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
}

} // namespace tarvolin

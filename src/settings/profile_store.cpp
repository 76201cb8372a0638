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

namespace tarvolin {

namespace {

// Long enough to outwait another instance's write, short enough not to freeze the window.
constexpr int kLockTimeoutMs = 5000;
// A process killed between creating its lock file and writing its id leaves an empty lock that
// only its age shows to be stale. A live owner's lock is never taken: it holds a native lock too.
constexpr int kStaleLockMs = 1000;

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
        // The last list or value handed out, so a reader growing its buffer does not rebuild it.
        enum class Cached { Nothing, Sections, Entries, Value } cached = Cached::Nothing;
        QString cachedSection;
        QString cachedKey;
        QString cachedText;
        bool cachedFound = false;
    };

    QString folder;
    QDir dir;
    // Writes come in runs on one path: the last one resolved is kept.
    QString lastPath;
    std::optional<QString> lastResolved;
    int depth = 0;
    std::map<QString, OpenFile> files;

    std::optional<QString> resolve(const QString &path);
    OpenFile &open(const QString &filePath);
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
        it->second.document = ProfileDocument(readFileBytes(filePath).value_or(QByteArray()));
    }
    return it->second;
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
    file.cached = OpenFile::Cached::Nothing;
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

qsizetype ProfileStore::GetPrivateProfileString(const QString &section,
                                                const std::optional<QString> &key,
                                                const QString &defaultValue, QString &buffer,
                                                qsizetype size, const QString &path) {
    Group group(*this);
    size = std::min(size, buffer.size());
    const std::optional<QString> filePath = state_->resolve(path);
    if (!filePath)
        return key ? copyValue(defaultValue, buffer, size) : copyList(QString(), buffer, size);
    State::OpenFile &file = state_->open(*filePath);
    using Cached = State::OpenFile::Cached;
    const Cached kind = key ? Cached::Value : Cached::Entries;
    if (file.cached != kind || file.cachedSection != section || (key && file.cachedKey != *key)) {
        file.cached = kind;
        file.cachedSection = section;
        file.cachedKey = key.value_or(QString());
        if (key) {
            const std::optional<QString> value = file.document.value(section, *key);
            file.cachedFound = value.has_value();
            file.cachedText = value.value_or(QString());
        } else {
            file.cachedText = file.document.entryList(section);
        }
    }
    if (!key)
        return copyList(file.cachedText, buffer, size);
    return copyValue(file.cachedFound ? file.cachedText : defaultValue, buffer, size);
}

qsizetype ProfileStore::GetPrivateProfileSectionNames(QString &buffer, qsizetype size,
                                                      const QString &path) {
    Group group(*this);
    size = std::min(size, buffer.size());
    const std::optional<QString> filePath = state_->resolve(path);
    if (!filePath)
        return copyList(QString(), buffer, size);
    State::OpenFile &file = state_->open(*filePath);
    if (file.cached != State::OpenFile::Cached::Sections) {
        file.cached = State::OpenFile::Cached::Sections;
        file.cachedText = file.document.sectionList();
    }
    return copyList(file.cachedText, buffer, size);
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
    file->cached = State::OpenFile::Cached::Nothing;
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
    for (auto &[filePath, file] : state.files)
        state.commit(filePath, file);
    // Snapshots live only as long as the group: the next handler reads the files afresh.
    state.files.clear();
}

} // namespace tarvolin

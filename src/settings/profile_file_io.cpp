#include "settings/profile_file_io.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvolin {

namespace {

// Plain system calls rather than Qt's file classes, which ask the system about a file three or
// four times per open: a Parse click opens its engine file four times.

// Reads up to size bytes, retrying an interrupted read; -1 on an error.
qint64 readSome(int fd, char *into, qsizetype size) {
    for (;;) {
        const ssize_t got = ::read(fd, into, size_t(size));
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// Appends the rest of an open file to bytes, room made for expected more bytes and one, so that
// a file of the expected size is read in one call and its end seen in the next. False too when
// the file grows past kMaxFileSize while read.
bool readRest(int fd, QByteArray &bytes, qsizetype expected) {
    qsizetype size = bytes.size();
    bytes.resize(size + std::max<qsizetype>(expected, 0) + 1);
    for (;;) {
        if (size > kMaxFileSize)
            return false;
        if (size == bytes.size())
            bytes.resize(2 * size + 4096);
        const qint64 got = readSome(fd, bytes.data() + size, bytes.size() - size);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        size += got;
    }
    bytes.truncate(size);
    return true;
}

// The open file's bytes, expected of the given size; see readFileBytes for known.
std::optional<QByteArray> readOpenFile(int fd, qsizetype expected, const QByteArray &known) {
    QByteArray bytes;
    if (known.isEmpty())
        return readRest(fd, bytes, expected) ? std::optional(bytes) : std::nullopt;
    // Pieces of 256 KiB at most, and no larger than the known bytes and one: a buffer that large
    // for a small file was taken from the system and given back at every read.
    const qsizetype pieceSize = std::min<qsizetype>(256 * 1024, known.size() + 1);
    QByteArray piece(pieceSize, Qt::Uninitialized);
    for (qsizetype done = 0;;) {
        const qint64 got = readSome(fd, piece.data(), pieceSize);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return done == known.size() ? known : known.first(done);
        if (done + got > known.size() ||
            std::memcmp(piece.constData(), known.constData() + done, size_t(got)) != 0) {
            bytes = known.first(done) + piece.first(got);
            return readRest(fd, bytes, expected - done - got) ? std::optional(bytes) : std::nullopt;
        }
        done += got;
    }
}

// A save writes a temporary beside the file and renames it over the file. Its name is hidden,
// carries the program's name and twelve random letters or digits: no file of the user's has
// such a name, so what a killed writer left can be removed without guessing.
const QLatin1StringView kTemporaryPrefix(".tarvolin-save-");
constexpr qsizetype kTemporaryRandom = 12;

QString temporaryName() {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString name = kTemporaryPrefix;
    for (qsizetype i = 0; i < kTemporaryRandom; ++i)
        name += QLatin1Char(kDigits[QRandomGenerator::global()->bounded(36)]);
    return name;
}

bool isTemporaryName(QStringView name) {
    return name.size() == kTemporaryPrefix.size() + kTemporaryRandom &&
           name.startsWith(kTemporaryPrefix) &&
           std::all_of(name.cbegin() + kTemporaryPrefix.size(), name.cend(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z');
           });
}

} // namespace

std::optional<QByteArray> readFileBytes(const QString &filePath, const QByteArray &known) {
    const QByteArray path = QFile::encodeName(filePath);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return errno == ENOENT ? std::optional(QByteArray()) : std::nullopt;
    if (!S_ISREG(status.st_mode) || status.st_size > kMaxFileSize)
        return std::nullopt;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes = readOpenFile(fd, qsizetype(status.st_size), known);
    ::close(fd);
    return bytes;
}

bool mayWrite(const QString &filePath) {
    const QByteArray path = QFile::encodeName(filePath);
    struct stat status {};
    if (::stat(path.constData(), &status) == 0) {
        // The owner's write bit holds for root too; the access check is the running user's own.
        if (!S_ISREG(status.st_mode) || (status.st_mode & S_IWUSR) == 0 ||
            ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false; // a name too long, a loop of links, a folder we may not search
    }
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : path.first(std::max<qsizetype>(slash, 1));
    return ::access(folder.constData(), W_OK) == 0;
}

namespace {

bool writeAndSync(int fd, std::span<const QByteArrayView> bytes, std::optional<mode_t> mode) {
    for (const QByteArrayView piece : bytes) {
        for (qsizetype done = 0; done < piece.size();) {
            const ssize_t wrote = ::write(fd, piece.data() + done, size_t(piece.size() - done));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return false;
            done += wrote;
        }
    }
    return (!mode || ::fchmod(fd, *mode) == 0) && ::fdatasync(fd) == 0;
}

// Writes the bytes, synced to the disk and with the given mode, to a new file named tempName.
// False when anything failed; nothing is left then.
bool writeTemporary(const QByteArray &tempName, std::span<const QByteArrayView> bytes,
                    std::optional<mode_t> mode) {
    const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAndSync(fd, bytes, mode);
    ::close(fd);
    if (!written)
        ::unlink(tempName.constData());
    return written;
}

} // namespace

bool saveAtomically(const QString &filePath, std::span<const QByteArrayView> bytes,
                    const std::function<void()> &beforeRename) {
    QString target = filePath;
    struct stat old {};
    bool existed = ::lstat(QFile::encodeName(filePath).constData(), &old) == 0;
    if (existed && S_ISLNK(old.st_mode)) {
        // Only the user's own links are followed (a dotfile manager's, a synced folder's): one
        // planted by another account could point anywhere, at the user's ~/.bashrc too.
        if (old.st_uid != ::geteuid())
            return false;
        const QFileInfo link(filePath);
        target = link.canonicalFilePath();
        if (target.isEmpty()) // a dangling link: its file is made
            target = link.symLinkTarget();
        existed = ::stat(QFile::encodeName(target).constData(), &old) == 0;
    }
    const QByteArray targetName = QFile::encodeName(target);
    const QFileInfo targetInfo(target);
    const QByteArray tempName = QFile::encodeName(targetInfo.dir().filePath(temporaryName()));
    if (!writeTemporary(tempName, bytes,
                        existed ? std::optional<mode_t>(old.st_mode & 07777) : std::nullopt))
        return false;
    beforeRename();
    if (::rename(tempName.constData(), targetName.constData()) != 0) {
        ::unlink(tempName.constData());
        return false;
    }
    // The rename lives in the folder: until the folder is synced, a power cut can bring back
    // the old file or lose a new one.
    const int folder = ::open(QFile::encodeName(targetInfo.path()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void removeLeftoverTemporaries(const QString &folder) {
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (isTemporaryName(it.fileName()))
            QFile::remove(it.filePath());
    }
}

} // namespace tarvolin

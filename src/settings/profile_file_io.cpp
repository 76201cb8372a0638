#include "settings/profile_file_io.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvolin {

namespace {

// The rest of an open file after the bytes already read; nullopt on a read error.
std::optional<QByteArray> readRest(QFile &file, QByteArray bytes) {
    bytes += file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
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

bool canSave(const QFileInfo &info) {
    const QByteArray folder = QFile::encodeName(info.path());
    const long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    return ::access(folder.constData(), W_OK) == 0 &&
           (nameMax < 0 || QFile::encodeName(info.fileName()).size() <= nameMax);
}

bool isWriteProtected(const QString &filePath) {
    struct stat status {};
    return ::stat(QFile::encodeName(filePath).constData(), &status) == 0 &&
           (status.st_mode & S_IWUSR) == 0;
}

namespace {

// An unnamed file in the folder (Linux's O_TMPFILE); -1 where the file system has none (NFS,
// SMB) or the system does not know them.
int openUnnamed(const QByteArray &folder) {
#ifdef O_TMPFILE
    return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    Q_UNUSED(folder);
    return -1;
#endif
}

bool writeAndSync(int fd, const QByteArray &bytes, std::optional<mode_t> mode) {
    QFile out;
    return out.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                    QFileDevice::DontCloseHandle) &&
           out.write(bytes) == bytes.size() && (!mode || ::fchmod(fd, *mode) == 0) &&
           ::fdatasync(fd) == 0;
}

// Writes the bytes, synced to the disk and with the given mode, to a new file of the folder
// named tempName. The file is made unnamed and named once complete where it can be: a writer
// killed before that leaves nothing, and syncing it does not also sync the folder, as syncing
// a file just created under a name does. False when anything failed; nothing is left then.
bool writeTemporary(const QByteArray &folder, const QByteArray &tempName, const QByteArray &bytes,
                    std::optional<mode_t> mode) {
    if (const int unnamed = openUnnamed(folder); unnamed >= 0) {
        if (!writeAndSync(unnamed, bytes, mode)) {
            ::close(unnamed);
            return false;
        }
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed);
        const bool named = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, tempName.constData(),
                                    AT_SYMLINK_FOLLOW) == 0;
        ::close(unnamed);
        if (named)
            return true;
        // Without /proc the file cannot be named; it is written again below, under its name.
    }
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

bool saveAtomically(const QString &filePath, const QByteArray &bytes,
                    const std::function<void()> &beforeRename) {
    const QFileInfo link(filePath);
    QString target = filePath;
    if (link.isSymLink()) {
        target = link.canonicalFilePath();
        if (target.isEmpty()) // a dangling link: its file is made
            target = link.symLinkTarget();
    }
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old {};
    const bool existed = ::stat(targetName.constData(), &old) == 0;
    const QFileInfo targetInfo(target);
    const QByteArray tempName = QFile::encodeName(targetInfo.dir().filePath(temporaryName()));
    if (!writeTemporary(QFile::encodeName(targetInfo.path()), tempName, bytes,
                        existed ? std::optional<mode_t>(old.st_mode & 07777) : std::nullopt))
        return false;
    beforeRename();
    if (::rename(tempName.constData(), targetName.constData()) == 0)
        return true;
    ::unlink(tempName.constData());
    return false;
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

#include "settings/profile_file_io.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

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
    QFile temporary(QFileInfo(target).dir().filePath(temporaryName()));
    if (!temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return false;
    bool saved = temporary.write(bytes) == bytes.size() &&
                 (!existed || ::fchmod(temporary.handle(), old.st_mode & 07777) == 0) &&
                 ::fsync(temporary.handle()) == 0;
    temporary.close();
    if (saved)
        beforeRename();
    saved = saved && ::rename(QFile::encodeName(temporary.fileName()).constData(),
                              targetName.constData()) == 0;
    if (!saved)
        temporary.remove();
    return saved;
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

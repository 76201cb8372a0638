// What the fuzz targets share. A failed check aborts: libFuzzer keeps the input as a crash,
// and the corpus replay in the test suite fails.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The names of a list in the profile functions' form (each followed by NUL), empty ones kept.
inline QStringList Names(const QString &list) {
    QStringList names = list.split(QChar(u'\0'));
    names.removeLast(); // the text after the last NUL
    return names;
}

inline QString Utf8(const std::uint8_t *data, std::size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Writes the bytes as "fuzz.ini" in a folder kept for the whole run (in RAM when there is
// one, since every input writes it) and returns the folder.
inline QString ScratchProfile(const QByteArray &bytes) {
    static const QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm")
                                        : QDir::tempPath()) +
                                   QStringLiteral("/tarvolin-fuzz-XXXXXX"));
    QFile file(dir.filePath(QStringLiteral("fuzz.ini")));
    Check(dir.isValid() && file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Check(file.write(bytes) == bytes.size());
    return dir.path();
}

} // namespace fuzz

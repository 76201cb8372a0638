#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Raw file access for the settings tests: what is on disk, byte for byte.
namespace tarvolin::test {

inline QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace tarvolin::test

#pragma once

// What the reliability tests share: raw file access, scratch folders, and the real window run
// in a child process (reliability_window), read back from the JSON lines it prints.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>

namespace tarvolin::reliability {

inline QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A QTemporaryDir template in RAM when there is one: every commit syncs its file, and these
// tests are about locking and renaming, not about the disk's speed.
inline QString ramFolderTemplate(const QString &name) {
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable()
               ? QStringLiteral("/dev/shm/") + name + QStringLiteral("-XXXXXX")
               : QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral("-XXXXXX");
}

// Everything a folder holds, hidden files included, sorted.
inline QStringList folderEntries(const QString &path) {
    return QDir(path).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QStringList strings(const QJsonValue &value) {
    QStringList list;
    for (const QJsonValue &item : value.toArray())
        list.append(item.toString());
    return list;
}

// One printed state of the window in the child.
struct WindowState {
    QJsonObject json;

    QString engine() const { return json[QLatin1String("engine")].toString(); }
    QString queryKey() const { return json[QLatin1String("queryKey")].toString(); }
    QStringList engines() const { return strings(json[QLatin1String("engines")]); }
    QStringList pool() const { return strings(json[QLatin1String("pool")]); }
    QString newUrl() const { return json[QLatin1String("newUrl")].toString(); }
    // Each filled row as key name + value, e.g. "hl=en".
    QStringList rows() const {
        QStringList list;
        for (const QJsonValue &row : json[QLatin1String("rows")].toArray())
            list.append(row[0].toString() + row[1].toString());
        return list;
    }
    // The remembered values listed in row i's drop-down.
    QStringList remembered(qsizetype row) const {
        return strings(json[QLatin1String("rows")].toArray().at(row)[2]);
    }
};

struct WindowRun {
    int exitCode = -1;
    bool crashed = false;
    QList<WindowState> states; // after loading, then after each step
    bool closed = false;
    QByteArray errors;
};

inline WindowRun collect(QProcess &child) {
    WindowRun run;
    if (!child.waitForFinished(120000))
        child.kill();
    child.waitForFinished();
    run.crashed = child.exitStatus() == QProcess::CrashExit;
    run.exitCode = child.exitCode();
    run.errors = child.readAllStandardError();
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QJsonObject json = QJsonDocument::fromJson(line).object();
        if (json[QLatin1String("step")] == QLatin1String("closed"))
            run.closed = true;
        else if (!json.isEmpty())
            run.states.append(WindowState{json});
    }
    return run;
}

inline WindowRun
runWindow(const QStringList &arguments,
          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(RELIABILITY_WINDOW), arguments);
    child.closeWriteChannel();
    return collect(child);
}

} // namespace tarvolin::reliability

// A writer killed with SIGKILL at random moments, 500 times in a row on the same file: the file
// always reads, holds every write that had returned before the kill, and holds a batch that was
// under way either whole or not at all.

#include "child_process.h"
#include "settings/profile_reader.h"

#include <QDateTime>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace tarvolin;
using namespace tarvolin::reliability;

namespace {

constexpr int kKills = 500;

struct Write {
    QString section;
    QString key;
    QString value;
};

// What the file must hold: sections and entry names in file order, and every value written.
struct Model {
    QStringList sections;
    QHash<QString, QStringList> names;
    QHash<QString, QString> values; // by section + TAB + key

    void apply(const QList<Write> &batch) {
        for (const Write &w : batch) {
            if (!sections.contains(w.section))
                sections.append(w.section);
            const QString id = w.section + u'\t' + w.key;
            if (!values.contains(id))
                names[w.section].append(w.key);
            values[id] = w.value;
        }
    }
};

// The writer's report: the batches that returned, and the one under way when it was killed.
struct Report {
    QList<QList<Write>> returned;
    QList<Write> underWay;
};

Report parseReport(const QByteArray &output) {
    Report report;
    QList<QByteArray> lines = output.split('\n');
    lines.removeLast(); // after the last line end: empty, as each batch is printed whole
    for (const QByteArray &line : lines) {
        if (line == "=") {
            report.returned.append(report.underWay);
            report.underWay.clear();
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 4)
            report.underWay.append(Write{QString::fromUtf8(fields[1]), QString::fromUtf8(fields[2]),
                                         QString::fromUtf8(fields[3])});
    }
    return report;
}

// Empty when the file, read through the program's readers, holds exactly what the model says
// for its sections, names and the values of the writes in `touched`; else what differs.
QString difference(const QString &folder, const Model &model, const QList<Write> &touched) {
    ProfileStore store(folder);
    ProfileStore::Group group(store);
    const QString path = QStringLiteral("./crash.ini");
    const QStringList sections = ReadProfileSectionNames(store, path);
    if (sections != model.sections)
        return QStringLiteral("sections %1, expected %2")
            .arg(sections.join(u','), model.sections.join(u','));
    for (const QString &section : sections) {
        const QStringList names = ReadProfileEntryNames(store, section, path);
        if (names != model.names[section])
            return QStringLiteral("section %1 lists %2 names, expected %3")
                .arg(section)
                .arg(names.size())
                .arg(model.names[section].size());
    }
    for (const Write &w : touched) {
        const QString value = ReadProfileValue(store, w.section, w.key, path);
        const QString expected = model.values[w.section + u'\t' + w.key];
        if (value != expected)
            return QStringLiteral("%1/%2 is '%3', expected '%4'")
                .arg(w.section, w.key, value, expected);
    }
    return QString();
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void writerKilledAtRandomMoments_keepsEveryReturnedWrite();
};

void CrashSafetyTest::writerKilledAtRandomMoments_keepsEveryReturnedWrite() {
    const quint32 seed = qEnvironmentVariableIsSet("RELIABILITY_SEED")
                             ? quint32(qEnvironmentVariableIntValue("RELIABILITY_SEED"))
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u (set RELIABILITY_SEED to repeat)", seed);
    QRandomGenerator random(seed);
    QTemporaryDir dir(ramFolderTemplate(QStringLiteral("tarvolin-crash")));
    QVERIFY(dir.isValid());

    // A large first section makes every rewrite long, so kills often land inside one.
    Model model;
    QByteArray seedSection = "[seed]\n";
    QList<Write> seeded;
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("seed-%1").arg(i, 6, 10, QLatin1Char('0'));
        seeded.append(Write{QStringLiteral("seed"), name, QStringLiteral("kept as it was")});
        seedSection += name.toLatin1() + "=kept as it was\n";
    }
    model.apply(seeded);
    QVERIFY(putFile(dir.filePath("crash.ini"), seedSection));

    int killedInsideBatch = 0;
    int underWayOnDisk = 0;
    qsizetype returnedWrites = 0;
    int emptyLocks = 0;
    for (int run = 0; run < kKills; ++run) {
        QProcess writer;
        writer.start(QStringLiteral(RELIABILITY_WRITER),
                     {QStringLiteral("crash"), dir.path(), QString::number(run),
                      QString::number(random.generate())});
        QVERIFY(writer.waitForStarted());
        // Let a random number of batches return, then kill after a random fraction of a
        // millisecond or three: the pause is the fault's timing, not a wait for anything.
        const int batches = random.bounded(5);
        QByteArray output;
        while (output.count("=\n") < batches && writer.state() == QProcess::Running) {
            writer.waitForReadyRead(30000);
            output += writer.readAllStandardOutput();
        }
        QThread::usleep(random.bounded(3000));
        // Only a writer still running is killed, by its own id (never 0: the process group).
        const qint64 pid = writer.processId();
        if (writer.state() == QProcess::Running && pid > 0)
            ::kill(pid_t(pid), SIGKILL);
        if (writer.state() != QProcess::NotRunning)
            QVERIFY(writer.waitForFinished());
        output += writer.readAllStandardOutput();
        // A writer that stops by itself had a write fail, e.g. for a lock it could not take.
        const QString lockFile = dir.filePath(QStringLiteral("crash.ini.lock"));
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("run %1: the writer stopped by itself (exit %2); lock "
                                           "file of %3 bytes: %4")
                                .arg(run)
                                .arg(writer.exitCode())
                                .arg(QFileInfo(lockFile).size())
                                .arg(QString::fromLatin1(fileBytes(lockFile).toHex(' ')))));

        // Killed between creating its lock file and writing its id into it: only the lock's age
        // shows it is stale, so the next writer must recover it once it is old enough (a write
        // failing meanwhile would stop that writer, caught above). The next start of a program
        // comes seconds after a crash; the file's clock is moved back to match.
        if (QFileInfo::exists(lockFile) && QFileInfo(lockFile).size() == 0) {
            ++emptyLocks;
            QFile lock(lockFile);
            QVERIFY(lock.open(QIODevice::ReadWrite));
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                     QFileDevice::FileModificationTime));
        }

        const Report report = parseReport(output);
        QList<Write> touched;
        for (const QList<Write> &batch : report.returned) {
            model.apply(batch);
            touched += batch;
            returnedWrites += batch.size();
        }
        touched += report.underWay;
        QString without = difference(dir.path(), model, touched);
        if (!report.underWay.isEmpty())
            ++killedInsideBatch;
        if (!without.isEmpty() && !report.underWay.isEmpty()) {
            // The batch under way may have reached the disk, but only whole.
            Model with = model;
            with.apply(report.underWay);
            const QString withBatch = difference(dir.path(), with, touched);
            QVERIFY2(withBatch.isEmpty(),
                     qPrintable(QStringLiteral("run %1: without the batch under way: %2; with "
                                               "it: %3")
                                    .arg(run)
                                    .arg(without, withBatch)));
            model = with;
            ++underWayOnDisk;
            without.clear();
        }
        QVERIFY2(without.isEmpty(), qPrintable(QStringLiteral("run %1: %2").arg(run).arg(without)));
        QVERIFY(fileBytes(dir.filePath("crash.ini")).startsWith(seedSection));
    }
    const QStringList left = QDir(dir.path()).entryList({QStringLiteral("crash.ini.*")});
    qInfo("%d kills survived: %lld writes had returned and all were found; %d kills came while "
          "a batch was under way (%d of those batches reached the file whole, the rest not at "
          "all); %d kills left an empty lock file; %lld temporary or lock files left at the end",
          kKills, returnedWrites, killedInsideBatch, underWayOnDisk, emptyLocks,
          qsizetype(left.size()));
}

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "crash_safety_test.moc"

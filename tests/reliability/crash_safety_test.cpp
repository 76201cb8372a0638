// Writers killed with SIGKILL, 500 times in a row on the same file (RELIABILITY_KILLS sets the
// count), at random moments or stopped on purpose inside the lock, while a live writer works on
// the same file all along. The file always reads, holds every write that had returned before the
// kill, and holds a batch that was under way either whole or not at all; the live writer never
// has a write fail; what killed writers left is gone after the next write.

#include "child_process.h"
#include "settings/profile_reader.h"

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
// The names of section `skip` are not compared: the live writer is still adding to it.
QString difference(const QString &folder, const Model &model, const QList<Write> &touched,
                   const QString &skip = QString()) {
    ProfileStore store(folder);
    ProfileStore::Group group(store);
    const QString path = QStringLiteral("./crash.ini");
    const QStringList sections = ReadProfileSectionNames(store, path);
    if (sections != model.sections)
        return QStringLiteral("sections %1, expected %2")
            .arg(sections.join(u','), model.sections.join(u','));
    for (const QString &section : sections) {
        if (section == skip)
            continue;
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

// Adds a writer's returned batches to the model and checks the file against it; the batch under
// way may be on disk, but only whole. Empty when the file is right, else what differs.
QString absorb(const QString &folder, Model &model, const Report &report, int &underWayOnDisk,
               const QString &skip = QString()) {
    QList<Write> touched;
    for (const QList<Write> &batch : report.returned) {
        model.apply(batch);
        touched += batch;
    }
    touched += report.underWay;
    const QString without = difference(folder, model, touched, skip);
    if (without.isEmpty() || report.underWay.isEmpty())
        return without;
    Model with = model;
    with.apply(report.underWay);
    const QString withBatch = difference(folder, with, touched, skip);
    if (!withBatch.isEmpty())
        return QStringLiteral("without the batch under way: %1; with it: %2")
            .arg(without, withBatch);
    model = with;
    ++underWayOnDisk;
    return QString();
}

qsizetype returnedWrites(const Report &report) {
    qsizetype count = 0;
    for (const QList<Write> &batch : report.returned)
        count += batch.size();
    return count;
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void writersKilledAnywhere_keepEveryReturnedWrite_leaveNothing();
};

void CrashSafetyTest::writersKilledAnywhere_keepEveryReturnedWrite_leaveNothing() {
    const quint32 seed = qEnvironmentVariableIsSet("RELIABILITY_SEED")
                             ? quint32(qEnvironmentVariableIntValue("RELIABILITY_SEED"))
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u (set RELIABILITY_SEED to repeat)", seed);
    QRandomGenerator random(seed);
    const int kills = qEnvironmentVariableIsSet("RELIABILITY_KILLS")
                          ? qEnvironmentVariableIntValue("RELIABILITY_KILLS")
                          : 500;
    QTemporaryDir dir(ramFolderTemplate(QStringLiteral("tarvolin-crash")));
    QVERIFY(dir.isValid());

    // A large first section makes every rewrite long, so kills often land inside one. The live
    // writer's section follows it.
    Model model;
    QByteArray seedSection = "[seed]\n";
    QList<Write> seeded;
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("seed-%1").arg(i, 6, 10, QLatin1Char('0'));
        seeded.append(Write{QStringLiteral("seed"), name, QStringLiteral("kept as it was")});
        seedSection += name.toLatin1() + "=kept as it was\n";
    }
    model.apply(seeded);
    model.sections.append(QStringLiteral("live"));
    QVERIFY(putFile(dir.filePath("crash.ini"), seedSection + "[live]\n"));
    // What a crash of this or an earlier version leaves, planted now and then: empty QLockFile
    // files and a QSaveFile temporary. Files of names like them must stay.
    const QStringList leftovers{"crash.ini.lock", "crash.ini.lock.rmlock", "crash.ini.QwErTy"};
    const QStringList kept{"crash.ini", "crash.ini.Qw3rTy", "crash.ini.QwErTyU",
                           "other.ini.QwErTy"};
    for (const QString &name : kept.mid(1))
        QVERIFY(putFile(dir.filePath(name), "kept"));

    QProcess live;
    live.start(QStringLiteral(RELIABILITY_WRITER),
               {QStringLiteral("crash"), dir.path(), QStringLiteral("live"),
                QString::number(random.generate()), QStringLiteral("live")});
    QVERIFY(live.waitForStarted());
    QByteArray liveOutput;

    const QStringList kPoints{"locked", "written", "saved"};
    int pausedAt[3] = {};
    int killedInsideBatch = 0;
    int underWayOnDisk = 0;
    qsizetype returned = 0;
    int straysSeen = 0;
    for (int run = 0; run < kills; ++run) {
        if (run % 50 == 0) {
            for (const QString &name : leftovers)
                QVERIFY(putFile(dir.filePath(name), QByteArray()));
        }
        // One run in four kills at a random moment; the others stop the writer at a point of the
        // lock's own (the 1st to 3rd time there) and kill it while it is stopped.
        const int point = int(random.bounded(4)) - 1;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (point >= 0)
            environment.insert(
                QStringLiteral("TARVOLIN_PAUSE"),
                QStringLiteral("%1 %2").arg(kPoints[point]).arg(1 + random.bounded(3)));
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.setProcessChannelMode(QProcess::MergedChannels);
        writer.start(QStringLiteral(RELIABILITY_WRITER),
                     {QStringLiteral("crash"), dir.path(), QString::number(run),
                      QString::number(random.generate())});
        QVERIFY(writer.waitForStarted());
        // Let a random number of batches return, then kill after a random fraction of a
        // millisecond or three: the pause is the fault's timing, not a wait for anything.
        const int batches = point < 0 ? int(random.bounded(5)) : 0;
        QByteArray output;
        // A stop comes within three batches: each passes every point once.
        while ((output.count("=\n") < batches || (point >= 0 && !output.contains("paused "))) &&
               writer.state() == QProcess::Running && output.count("=\n") < 10) {
            writer.waitForReadyRead(30000);
            output += writer.readAllStandardOutput();
        }
        if (point < 0)
            QThread::usleep(random.bounded(3000));
        else
            ++pausedAt[point];
        QVERIFY2(
            point < 0 || output.contains("paused "),
            qPrintable(
                QStringLiteral("run %1: never stopped at %2").arg(run).arg(kPoints.value(point))));
        // Only a writer still running is killed, by its own id (never 0: the process group).
        const qint64 pid = writer.processId();
        if (writer.state() == QProcess::Running && pid > 0)
            ::kill(pid_t(pid), SIGKILL);
        if (writer.state() != QProcess::NotRunning)
            QVERIFY(writer.waitForFinished());
        output += writer.readAllStandardOutput();
        // A writer that stops by itself had a write fail, e.g. for a lock it could not take.
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("run %1: the writer stopped by itself (exit %2): %3")
                                .arg(run)
                                .arg(writer.exitCode())
                                .arg(QString::fromUtf8(output.right(300)))));
        QVERIFY2(live.state() == QProcess::Running, live.readAllStandardError().constData());
        live.waitForReadyRead(0); // keeps its pipe from filling up
        liveOutput += live.readAllStandardOutput();

        const Report report = parseReport(output);
        returned += returnedWrites(report);
        if (!report.underWay.isEmpty())
            ++killedInsideBatch;
        const QString error =
            absorb(dir.path(), model, report, underWayOnDisk, QStringLiteral("live"));
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("run %1: %2").arg(run).arg(error)));
        QVERIFY(fileBytes(dir.filePath("crash.ini")).startsWith(seedSection));
        if (folderEntries(dir.path()).size() > kept.size())
            ++straysSeen;
    }

    // The live writer, killed last, never had a write fail; every write of it that returned is
    // there.
    QVERIFY2(live.state() == QProcess::Running, live.readAllStandardError().constData());
    ::kill(pid_t(live.processId()), SIGKILL);
    QVERIFY(live.waitForFinished());
    const Report liveReport = parseReport(liveOutput + live.readAllStandardOutput());
    const QString error = absorb(dir.path(), model, liveReport, underWayOnDisk);
    QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("live writer: %1").arg(error)));

    // The next write leaves nothing of the crashes, and nothing but them was removed.
    ProfileStore store(dir.path());
    QVERIFY(store.WritePrivateProfileString(QStringLiteral("end"), QStringLiteral("k"),
                                            QStringLiteral("v"), QStringLiteral("./crash.ini")));
    QStringList expected = kept;
    expected.sort();
    QCOMPARE(folderEntries(dir.path()), expected);
    qInfo("%d kills survived, %d at random moments and %d/%d/%d stopped just after taking the "
          "lock / with the temporary written / after the rename; %lld writes of the killed "
          "writers and %lld of the live one had returned and all were found; %d kills came "
          "while a batch was under way (%d of those batches reached the file whole, the rest "
          "not at all); after %d kills a leftover was in the folder until the next write",
          kills, kills - pausedAt[0] - pausedAt[1] - pausedAt[2], pausedAt[0], pausedAt[1],
          pausedAt[2], returned, returnedWrites(liveReport), killedInsideBatch, underWayOnDisk,
          straysSeen);
}

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "crash_safety_test.moc"

// The store under faults. crash_safety_test: writers killed with SIGKILL (RELIABILITY_KILLS times,
// 500 unless set) at random moments or stopped inside the lock, beside a live writer. The file
// always holds every write that had returned, a batch under way whole or not at all; the live
// writer never fails; what killed writers left goes with the next write. disk_fault_test: a failed
// write changes nothing in the folder, and the same write succeeds once the fault is gone.

#include "settings/profile_reader.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtTest/qtestassert.h>

#include <csignal>
#include <optional>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvolin;

namespace {

const QString kPath = QStringLiteral("./crash.ini");
using Write = QStringList; // section, key, value

// --writer <folder> <run> <seed> [<section>]: writes into ./crash.ini without end: single writes
// and Groups of 2-8, to four sections (or <section>), under new keys or (one in four) old ones,
// always with new values. It prints "<section>\t<key>\t<value>" per write before a batch and "="
// after it, each in one write(2) so a kill never cuts a line. The live writer (<section>) pauses
// up to 2 ms between batches, as the event loop does. Exit code 1 when a write fails.
int writer(const QStringList &args) {
    const QString run = args[3], only = args.value(5);
    std::mt19937 random(args[4].toUInt());
    const QStringList sections{"alpha", "beta", "gamma", "delta"};
    const auto print = [](const QByteArray &bytes) {
        return ::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())) == bytes.size();
    };
    ProfileStore store(args[2]);
    QStringList keys;
    for (int n = 0;;) {
        const int writes = random() % 2 ? 1 : int(2 + random() % 7);
        QList<Write> batch;
        QByteArray intents;
        for (int i = 0; i < writes; ++i, ++n) {
            const QString key = !keys.isEmpty() && random() % 4 == 0
                                    ? keys[int(random() % keys.size())]
                                    : QStringLiteral("r%1-%2").arg(run).arg(n);
            keys.append(key);
            batch.append({only.isEmpty() ? sections[int(random() % 4)] : only, key,
                          QStringLiteral("v%1-%2").arg(run).arg(n)});
            intents += (batch.last().join(u'\t') + u'\n').toUtf8();
        }
        if (!only.isEmpty())
            QThread::usleep(random() % 2000);
        bool ok = print(intents);
        {
            // A single write outside a group reports whether it reached the disk.
            std::optional<ProfileStore::Group> group;
            if (writes > 1)
                group.emplace(store);
            for (const Write &w : batch)
                ok = store.WritePrivateProfileString(w[0], w[1], w[2], kPath) && ok;
        }
        if (!ok || !print("=\n"))
            return 1;
    }
}

// --write-once <folder>: two writes to ./Alpha.ini, each its own group. Exit code 1 when one fails.
int writeOnce(const QStringList &args) {
    ProfileStore store(args[2]);
    bool ok = true;
    for (const QString &value : {QStringLiteral("one"), QStringLiteral("two")})
        ok = store.WritePrivateProfileString(QStringLiteral("hl="), value, value,
                                             QStringLiteral("./Alpha.ini")) &&
             ok;
    return ok ? 0 : 1;
}

// What the file must hold: sections and entry names in file order, and every value written.
struct Model {
    QStringList sections{"seed", "live"};
    QHash<QString, QStringList> names;
    QHash<QString, QString> values; // by section + TAB + key

    void apply(const QList<Write> &batch) {
        for (const Write &w : batch) {
            if (!sections.contains(w[0]))
                sections.append(w[0]);
            if (!values.contains(w[0] + u'\t' + w[1]))
                names[w[0]].append(w[1]);
            values[w[0] + u'\t' + w[1]] = w[2];
        }
    }
    QString value(const Write &w) const { return values.value(w[0] + u'\t' + w[1]); }
};

// Adds a writer's returned batches to the model and checks the file, read through the program's
// readers, against it; the batch under way may be there, but only whole. Empty when the file is
// right, else what differs. The live writer is still adding to section `skip`.
QString absorb(const QString &folder, Model &model, const QByteArray &output,
               const QString &skip = QString()) {
    QList<Write> touched, underWay;
    for (const QByteArray &line : output.split('\n')) {
        const Write fields = QString::fromUtf8(line).split(u'\t');
        if (line == "=") {
            model.apply(underWay);
            touched += std::exchange(underWay, {});
        } else if (fields.size() == 3) {
            underWay.append(fields);
        }
    }
    ProfileStore store(folder);
    ProfileStore::Group group(store);
    Model with = model;
    with.apply(underWay);
    qsizetype whole = 0, absent = 0;
    for (const Write &w : underWay) {
        const QString value = ReadProfileValue(store, w[0], w[1], kPath);
        whole += value == with.value(w);
        absent += value == model.value(w);
    }
    if (whole == underWay.size())
        model = with;
    else if (absent != underWay.size())
        return QStringLiteral("a batch of %1 writes is partly there").arg(underWay.size());
    if (ReadProfileSectionNames(store, kPath) != model.sections)
        return QStringLiteral("sections differ");
    for (const QString &section : model.sections.mid(1)) // the seed section is compared as bytes
        if (section != skip && ReadProfileEntryNames(store, section, kPath) != model.names[section])
            return QStringLiteral("the names of %1 differ").arg(section);
    for (const Write &w : touched)
        if (ReadProfileValue(store, w[0], w[1], kPath) != model.value(w))
            return QStringLiteral("%1/%2 is not %3").arg(w[0], w[1], model.value(w));
    return QString();
}

enum Fault { SizeLimit, ReadOnlyFolder, Unreadable, WriteOnly, OthersFile };
enum Planted { OthersLink, DanglingLink, OwnLink, Folder, Pipe, Huge, OthersLock };

// Root is not stopped by permissions: as root, the write runs as uid 65534 (real and effective,
// so access(2) answers for that user too); the saved uid takes root back.
bool writeAs(ProfileStore &store, const QString &value, bool asNobody) {
    QTEST_ASSERT(!asNobody || ::setresuid(65534, 65534, 0) == 0);
    const bool ok = store.WritePrivateProfileString(QStringLiteral("hl="), QStringLiteral("de"),
                                                    value, QStringLiteral("./Alpha.ini"));
    QTEST_ASSERT(!asNobody || ::setresuid(0, 0, 0) == 0);
    return ok;
}

// Every name under the folder, with the bytes of each file; not the lock file, which the first
// write makes and which stays.
QByteArrayList snapshot(const QString &folder) {
    QByteArrayList list;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (it.fileName() == u".tarvolin.lock")
            continue;
        list.append(QFile::encodeName(it.filePath()) + '=' +
                    (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
    }
    std::sort(list.begin(), list.end());
    return list;
}

void putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

class StoreFaultTest : public QObject {
    Q_OBJECT

private slots:
    void writersKilledAnywhere_keepEveryReturnedWrite_leaveNothing() {
        bool seeded = false, counted = false;
        const int given = qEnvironmentVariableIntValue("RELIABILITY_SEED", &seeded);
        const quint32 seed = seeded ? quint32(given) : QRandomGenerator::global()->generate();
        qInfo("seed %u (RELIABILITY_SEED repeats the choices, not the kill moments)", seed);
        QRandomGenerator random(seed);
        const int kills = qEnvironmentVariableIntValue("RELIABILITY_KILLS", &counted);
        // In RAM: every commit syncs its file, and this is about locking and renaming, not the
        // disk.
        QTemporaryDir dir(QStringLiteral("/dev/shm/tarvolin-crash-XXXXXX"));
        QVERIFY(dir.isValid());
        const auto start = [&](QProcess &process, const QStringList &args) {
            process.start(QCoreApplication::applicationFilePath(),
                          QStringList{QStringLiteral("--writer"), dir.path()} + args);
            QVERIFY(process.waitForStarted());
        };

        // A large first section makes every rewrite long, so kills often land inside one.
        QByteArray seedSection = "[seed]\n";
        for (int i = 0; i < 3000; ++i)
            seedSection += "seed-" + QByteArray::number(i) + "=kept\n";
        putFile(dir.filePath("crash.ini"), seedSection + "[live]\n");
        // A temporary as a crash leaves it, planted now and then, beside the user's own files,
        // which must stay (sorted).
        const QStringList leftovers{".tarvolin-save-0a1b2c3d4e5f"};
        const QStringList kept{".crash.ini.swp",   ".tarvolin.lock",   "crash.ini",
                               "crash.ini.QwErTy", "crash.ini.backup", "crash.ini.lock",
                               "notes.txt"};
        for (const QString &name : kept)
            if (!name.contains(u"tarvolin") && name != u"crash.ini")
                putFile(dir.filePath(name), "kept");

        Model model;
        QProcess live;
        start(live,
              {QStringLiteral("live"), QString::number(random.generate()), QStringLiteral("live")});
        QByteArray liveOutput;
        const QStringList points{"locked", "written", "saved"};
        for (int run = 0; run < (counted ? kills : 500); ++run) {
            for (const QString &name : leftovers)
                if (run % 50 == 0)
                    putFile(dir.filePath(name), QByteArray());
            // One run in four kills at a random moment; the others stop the writer at a point
            // inside the lock (the 1st to 3rd time there) and kill it while it is stopped.
            const int point = int(random.bounded(4)) - 1;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            if (point >= 0)
                environment.insert(QStringLiteral("TARVOLIN_PAUSE"),
                                   points[point] + u' ' + QString::number(1 + random.bounded(3)));
            QProcess writer;
            writer.setProcessEnvironment(environment);
            writer.setProcessChannelMode(QProcess::MergedChannels);
            start(writer, {QString::number(run), QString::number(random.generate())});
            // Let a random number of batches return (a stop comes within three: each batch passes
            // every point once), then kill after a random fraction of a millisecond or three.
            const int batches = point < 0 ? int(random.bounded(5)) : 0;
            QByteArray output;
            while ((output.count("=\n") < batches || (point >= 0 && !output.contains("paused "))) &&
                   writer.state() == QProcess::Running && output.count("=\n") < 10) {
                writer.waitForReadyRead(30000);
                output += writer.readAllStandardOutput();
            }
            if (point < 0)
                QThread::usleep(random.bounded(3000));
            QVERIFY2(point < 0 || output.contains("paused "), qPrintable(points.value(point)));
            // Only a writer still running is killed, by its own id (never 0: the process group).
            if (writer.state() == QProcess::Running)
                ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.state() == QProcess::NotRunning || writer.waitForFinished());
            output += writer.readAllStandardOutput();
            // A writer that stops by itself had a write fail, e.g. for a lock it could not take.
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit, output.right(300).constData());
            QVERIFY2(live.state() == QProcess::Running, live.readAllStandardError().constData());
            live.waitForReadyRead(0); // keeps its pipe from filling up
            liveOutput += live.readAllStandardOutput();

            const QString error = absorb(dir.path(), model, output, QStringLiteral("live"));
            QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("run %1: %2").arg(run).arg(error)));
            QFile file(dir.filePath("crash.ini"));
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().startsWith(seedSection));
        }

        // The live writer, killed last, never had a write fail (checked above); every write of it
        // that returned is there.
        ::kill(pid_t(live.processId()), SIGKILL);
        QVERIFY(live.waitForFinished());
        const QString error = absorb(dir.path(), model, liveOutput + live.readAllStandardOutput());
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("live writer: %1").arg(error)));

        // The next write leaves nothing of the crashes, and nothing but them was removed.
        ProfileStore store(dir.path());
        QVERIFY(store.WritePrivateProfileString(QStringLiteral("end"), QStringLiteral("k"),
                                                QStringLiteral("v"), kPath));
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
                 kept);
    }

    void fileSystemLacks_writesGoAheadAndLeaveOnlyTheFile_data() {
        QTest::addColumn<QString>("lacking");
        QTest::newRow("every lock (ENOLCK)") << QStringLiteral("all");
        QTest::newRow("locks of folders and read-only files (EBADF)") << QStringLiteral("folders");
    }

    void fileSystemLacks_writesGoAheadAndLeaveOnlyTheFile() {
        QFETCH(QString, lacking);
        QTemporaryDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"),
                           QStringLiteral(LIMITED_FILE_SYSTEM_PRELOAD));
        environment.insert(QStringLiteral("TARVOLIN_LIMIT"), lacking);
        // The sanitizers' runtime wants to come first; the preloaded library stands before it.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":verify_asan_link_order=0"));
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--write-once"), dir.path()});
        QVERIFY(writer.waitForFinished());
        const QByteArray said = writer.readAllStandardError();
        QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0,
                 said.constData());
        QFile file(dir.filePath(QStringLiteral("Alpha.ini")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "[hl=]\none=one\ntwo=two\n");
        QCOMPARE(said.count("keeps no locks"), lacking == u"all" ? 1 : 0);
        QCOMPARE(said.count("folder synced"), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({".tarvolin.lock", "Alpha.ini"}));
    }

    void plantedAtName_neverFollowedOutOfFolder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("planted");
        QTest::addColumn<bool>("lands");
        // clang-format off
        QTest::newRow("another account's link to a file outside") << "Alpha.ini" << int(OthersLink) << false;
        QTest::newRow("another account's dangling link") << "Alpha.ini" << int(DanglingLink) << false;
        QTest::newRow("the user's own link: written through") << "Alpha.ini" << int(OwnLink) << true;
        QTest::newRow("a folder in the file's place") << "Alpha.ini" << int(Folder) << false;
        QTest::newRow("a pipe in the file's place") << "Alpha.ini" << int(Pipe) << false;
        QTest::newRow("a sparse file over 256 MiB") << "Alpha.ini" << int(Huge) << false;
        QTest::newRow("lock file: another account's, held by it") << ".tarvolin.lock" << int(OthersLock) << true;
        QTest::newRow("lock file: link to a file outside") << ".tarvolin.lock" << int(OthersLink) << true;
        QTest::newRow("lock file: dangling link") << ".tarvolin.lock" << int(DanglingLink) << true;
        QTest::newRow("lock file: a folder") << ".tarvolin.lock" << int(Folder) << true;
        QTest::newRow("lock file: a pipe") << ".tarvolin.lock" << int(Pipe) << true;
        // clang-format on
    }

    // In a folder open to all, as uid 65534 when run as root: nothing outside the folder is
    // made or changed, and the write lands or fails whole. The lock file's name, when not a
    // regular file, means writing unlocked; another account's lock is waited for.
    void plantedAtName_neverFollowedOutOfFolder() {
        QFETCH(QString, name);
        QFETCH(int, planted);
        QFETCH(bool, lands);
        const bool asNobody = ::geteuid() == 0;
        if (!asNobody && (planted == OthersLock || (planted == OthersLink && name == u"Alpha.ini")))
            QSKIP("only root can act as another account");
        QTemporaryDir dir(QStringLiteral("/tmp/tarvolin-in-XXXXXX")),
            outside(QStringLiteral("/tmp/tarvolin-out-XXXXXX"));
        const QByteArray at = QFile::encodeName(dir.filePath(name)),
                         target = QFile::encodeName(outside.filePath("target"));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0 &&
                ::chmod(QFile::encodeName(outside.path()).constData(), 0777) == 0);
        putFile(outside.filePath("target"), "[hl=]\nen=en\n");
        QVERIFY(planted != DanglingLink || QFile::remove(outside.filePath("target")));
        QVERIFY(::chmod(target.constData(), 0666) == 0 || planted == DanglingLink);
        QVERIFY(planted > OwnLink || ::symlink(target.constData(), at.constData()) == 0);
        QVERIFY(planted != OwnLink || !asNobody || ::lchown(at.constData(), 65534, 65534) == 0);
        QVERIFY(planted != Folder || ::mkdir(at.constData(), 0777) == 0);
        QVERIFY(planted != Pipe || ::mkfifo(at.constData(), 0666) == 0);
        if (planted == Huge)
            putFile(dir.filePath(name), "[hl=]\nen=en\n");
        QVERIFY(planted != Huge || (::truncate(at.constData(), (off_t(256) << 20) + 1) == 0 &&
                                    ::chmod(at.constData(), 0666) == 0));
        // Root's lock file, mode 0644 as umask 022 makes it, held for 300 ms.
        const int held =
            planted == OthersLock ? ::open(at.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644) : -1;
        QVERIFY(planted != OthersLock || (held >= 0 && ::flock(held, LOCK_EX) == 0));
        std::thread holder([held] {
            std::this_thread::sleep_for(std::chrono::milliseconds(held >= 0 ? 300 : 0));
            ::close(held);
        });
        // Where the lock file is no regular file, writes go on unlocked and say so; never else.
        const QRegularExpression unlocked(QStringLiteral("keeps no locks"));
        if (name == u".tarvolin.lock" && planted != OthersLock)
            QTest::ignoreMessage(QtWarningMsg, unlocked);
        else
            QTest::failOnWarning(unlocked);
        const QByteArrayList outsideBefore = snapshot(outside.path());
        ProfileStore store(dir.path());
        const bool written = writeAs(store, QStringLiteral("v"), asNobody);
        holder.join();
        QCOMPARE(written, lands);
        QCOMPARE(snapshot(outside.path()) == outsideBefore, planted != OwnLink);
        QCOMPARE(ReadProfileValue(store, "hl=", "de", "./Alpha.ini"),
                 lands ? QStringLiteral("v") : QString());
        if (name == u"Alpha.ini" && (planted == OthersLink || planted == OwnLink))
            QCOMPARE(ReadProfileValue(store, "hl=", "en", "./Alpha.ini"), QStringLiteral("en"));
    }

    void diskFault_writeFails_leavesFolderAndWorksAfterwards_data() {
        QTest::addColumn<int>("fault");
        QTest::newRow("file size limit (a full disk)") << int(SizeLimit);
        QTest::newRow("read-only folder") << int(ReadOnlyFolder);
        QTest::newRow("unreadable file") << int(Unreadable);
        QTest::newRow("write-only file") << int(WriteOnly);
        QTest::newRow("another account's file, mode 0644") << int(OthersFile);
    }

    void diskFault_writeFails_leavesFolderAndWorksAfterwards() {
        QFETCH(int, fault);
        // In /tmp, which every user can reach, and open to all: only the fault refuses.
        QTemporaryDir dir(QStringLiteral("/tmp/tarvolin-disk-XXXXXX"));
        const QString work = dir.path(), file = dir.filePath(QStringLiteral("Alpha.ini"));
        // The value goes into the small first section, before 60 KB a rewrite in place could cut
        // off.
        QByteArray bytes = "[hl=]\nen=en\n[big=]\nx=" + QByteArray(60000, 'x') + '\n';
        const QString value(8192, u'v');
        putFile(file, bytes);
        QVERIFY(dir.isValid() && ::chmod(QFile::encodeName(work).constData(), 0777) == 0 &&
                ::chmod(QFile::encodeName(file).constData(), 0666) == 0);

        struct rlimit limit {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const struct rlimit unlimited = limit;
        const auto setFault = [&](bool on) {
            if (fault == SizeLimit) {
                std::signal(SIGXFSZ,
                            on ? SIG_IGN : SIG_DFL); // writes past the limit fail with EFBIG
                limit.rlim_cur = on ? bytes.size() + 4096 : unlimited.rlim_cur;
                QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
            } else if (fault == ReadOnlyFolder) {
                QVERIFY(::chmod(QFile::encodeName(work).constData(), on ? 0555 : 0777) == 0);
            } else {
                const int mode = fault == WriteOnly ? 0222 : fault == OthersFile ? 0644 : 0;
                QVERIFY(::chmod(QFile::encodeName(file).constData(), on ? mode : 0666) == 0);
            }
        };
        const bool asNobody = fault != SizeLimit && ::geteuid() == 0;
        if (fault == OthersFile && !asNobody)
            QSKIP("only root can write as another account");

        const QByteArrayList before = snapshot(work);
        setFault(true);
        const QByteArrayList faulty = snapshot(work);
        ProfileStore store(work);
        QVERIFY(!writeAs(store, value, asNobody));
        QCOMPARE(snapshot(work), faulty);
        setFault(false);
        QCOMPARE(snapshot(work), before);

        ProfileStore other(work);
        QVERIFY(writeAs(other, value, asNobody));
        QVERIFY(writeAs(store, value, asNobody));
        QCOMPARE(snapshot(work),
                 QByteArrayList{QFile::encodeName(file) + '=' +
                                bytes.replace("en=en\n", "en=en\nde=" + value.toLatin1() + '\n')});
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == u"--writer")
        return writer(app.arguments());
    if (app.arguments().value(1) == u"--write-once")
        return writeOnce(app.arguments());
    StoreFaultTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "store_fault_test.moc"

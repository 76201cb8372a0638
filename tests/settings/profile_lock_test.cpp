#include "settings/profile_reader.h"
#include "test_files.h"

#include <QLockFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvolin;

class ProfileLockTest : public QObject {
    Q_OBJECT

private slots:
    void twoProcesses_writingAtOnce_loseNothing();
    void write_lockHeldByLiveProcess_failsAndKeepsFile();
    void write_lockLeftByDeadProcess_isRecovered();
};

void ProfileLockTest::twoProcesses_writingAtOnce_loseNothing() {
    // Every write syncs its lock file and its profile file to disk; in RAM the 4,000 writes
    // test the locking rather than the disk's speed.
    const bool inRam = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir dir(inRam ? QStringLiteral("/dev/shm/tarvolin-lock-XXXXXX") : QString());
    QVERIFY(dir.isValid());
    QProcess first;
    QProcess second;
    first.start(WRITER_HELPER, {"write", dir.path(), "first-", "2000"});
    second.start(WRITER_HELPER, {"write", dir.path(), "second-", "2000"});
    QVERIFY(first.waitForFinished(600000));
    QVERIFY(second.waitForFinished(600000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    ProfileStore store(dir.path());
    const QStringList names = ReadProfileEntryNames(store, "values", "./shared.ini");
    QSet<QString> expected;
    for (int i = 0; i < 2000; ++i)
        expected << QStringLiteral("first-%1").arg(i) << QStringLiteral("second-%1").arg(i);
    QCOMPARE(names.size(), 4000);
    QCOMPARE(QSet<QString>(names.cbegin(), names.cend()), expected);
    QVERIFY(!QFileInfo::exists(dir.filePath("shared.ini.lock")));
}

void ProfileLockTest::write_lockHeldByLiveProcess_failsAndKeepsFile() {
    QTemporaryDir dir;
    QVERIFY(test::putFile(dir.filePath("shared.ini"), "[s]\nk=old\n"));
    QLockFile held(dir.filePath("shared.ini.lock"));
    QVERIFY(held.tryLock(0));
    ProfileStore store(dir.path());
    QVERIFY(!store.WritePrivateProfileString("s", "k", "new", "./shared.ini"));
    QCOMPARE(test::fileBytes(dir.filePath("shared.ini")), "[s]\nk=old\n");
    // Reads do not wait for the lock.
    QCOMPARE(ReadProfileValue(store, "s", "k", "./shared.ini"), "old");
}

void ProfileLockTest::write_lockLeftByDeadProcess_isRecovered() {
    QTemporaryDir dir;
    QProcess crashed;
    crashed.start(WRITER_HELPER, {"die-holding-lock", dir.path()});
    QVERIFY(crashed.waitForFinished());
    QCOMPARE(crashed.exitCode(), 0);
    QVERIFY(QFileInfo::exists(dir.filePath("shared.ini.lock")));
    ProfileStore store(dir.path());
    QVERIFY(store.WritePrivateProfileString("s", "k", "v", "./shared.ini"));
    QCOMPARE(test::fileBytes(dir.filePath("shared.ini")), "[s]\nk=v\n");
}

QTEST_GUILESS_MAIN(ProfileLockTest)
#include "profile_lock_test.moc"

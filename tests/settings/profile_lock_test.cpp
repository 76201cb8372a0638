#include "settings/profile_reader.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace tarvolin;

class ProfileLockTest : public QObject {
    Q_OBJECT

private slots:
    void twoProcesses_writingAtOnce_loseNothing();
    void write_lockHeldByLiveProcess_failsAndKeepsFile();
    void write_leftoversOfCrashes_doNotDelayAndAreRemoved_data();
    void write_leftoversOfCrashes_doNotDelayAndAreRemoved();
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
    // Another instance's lock: the folder's, on a descriptor of its own.
    const int held = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
    ProfileStore store(dir.path());
    QVERIFY(!store.WritePrivateProfileString("s", "k", "new", "./shared.ini"));
    ::close(held);
    QCOMPARE(test::fileBytes(dir.filePath("shared.ini")), "[s]\nk=old\n");
    // Reads do not wait for the lock.
    QCOMPARE(ReadProfileValue(store, "s", "k", "./shared.ini"), "old");
}

void ProfileLockTest::write_leftoversOfCrashes_doNotDelayAndAreRemoved_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("planted"); // empty files put in the folder first
    QTest::addColumn<QStringList>("left");    // what must be there after the write, sorted
    QTest::newRow("empty lock and rmlock of an earlier version")
        << "Altavista.ini" << QStringList{"Altavista.ini.lock", "Altavista.ini.lock.rmlock"}
        << QStringList{"Altavista.ini"};
    QTest::newRow("temporaries; look-alikes stay")
        << "Altavista.ini"
        << QStringList{"Altavista.ini.AbCdEf",  "Altavista.ini.zzzzzz", "Altavista.ini.AbCdE1",
                       "Altavista.ini.AbCdEfG", "Altavista.iniAbCdEf",  "Google.ini.AbCdEf"}
        << QStringList{"Altavista.ini", "Altavista.ini.AbCdE1", "Altavista.ini.AbCdEfG",
                       "Altavista.iniAbCdEf", "Google.ini.AbCdEf"};
    // Its temporary would be "<six letters>.ini": it cannot be told from another engine's file.
    QTest::newRow("name holding XXXXXX")
        << "XXXXXX.ini" << QStringList{"Google.ini", "XXXXXX.ini.AbCdEf"}
        << QStringList{"Google.ini", "XXXXXX.ini", "XXXXXX.ini.AbCdEf"};
}

void ProfileLockTest::write_leftoversOfCrashes_doNotDelayAndAreRemoved() {
    QFETCH(QString, file);
    QFETCH(QStringList, planted);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    for (const QString &name : planted)
        QVERIFY(test::putFile(dir.filePath(name), QByteArray()));
    ProfileStore store(dir.path());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(store.WritePrivateProfileString("s", "k", "v", "./" + file));
    QVERIFY(timer.elapsed() < 2000); // never a wait for a lock nobody holds
    QCOMPARE(test::fileBytes(dir.filePath(file)), "[s]\nk=v\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), left);
}

QTEST_GUILESS_MAIN(ProfileLockTest)
#include "profile_lock_test.moc"

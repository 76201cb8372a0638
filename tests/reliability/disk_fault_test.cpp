// Failing disks and folders: a full disk (a small tmpfs, and a file size limit), a read-only
// folder, a folder in a profile file's place, an unreadable profile file. Each write fails
// silently, the old files stay byte for byte, and the window goes on parsing and composing.

#include "child_process.h"
#include "window_fixture.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace tarvolin;
using namespace tarvolin::reliability;

namespace {

const QByteArray kMain("[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=Query?\n");
constexpr uid_t kNobody = 65534;

// About 57 KB. The new values go into the small first section: a rewrite in place that ran
// out of room would cut off the large section after it.
QByteArray largeEngineFile() {
    QByteArray bytes = "[hl=]\nen=en\n[big=]\n";
    for (int i = 0; i < 1500; ++i) {
        const QByteArray value =
            "big" + QByteArray::number(i).rightJustified(5, '0') + "xxxxxxxxxx";
        bytes += value + '=' + value + '\n';
    }
    return bytes;
}

// 100 values of 200 characters for hl=: about 40 KB more in the engine file.
QStringList largeValues() {
    QStringList values;
    for (int i = 0; i < 100; ++i)
        values.append(QStringLiteral("v%1").arg(i, 3, 10, QLatin1Char('0')) + QString(197, u'y'));
    return values;
}

QString urlOf(const QStringList &values) {
    return QStringLiteral("http://e/Query?hl=") + values.join(QStringLiteral("&hl="));
}

// What the rows and the composed URL show after parsing urlOf(values).
QStringList rowsOf(const QStringList &values) {
    QStringList rows;
    for (const QString &value : values.first(20))
        rows.append(QStringLiteral("hl=") + value);
    return rows;
}

QString composedOf(const QStringList &values) {
    return QStringLiteral("http://e/Query?") + rowsOf(values).join(u'&');
}

QStringList remembered(const QString &folder, const QString &keyName) {
    ProfileStore store(folder);
    return ReadProfileEntryNames(store, keyName, QStringLiteral("./Alpha.ini"));
}

// Root is not stopped by permissions: the window then runs in a child as an ordinary user.
struct OtherUser {
    QStringList arguments;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

OtherUser otherUser(const QTemporaryDir &dir) {
    OtherUser user;
    if (geteuid() != 0)
        return user;
    // The user must reach the working folder, and Qt may want a home of its own.
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString home = dir.filePath(QStringLiteral("home"));
    QDir().mkdir(home);
    ::chmod(QFile::encodeName(home).constData(), 0777);
    user.environment.insert(QStringLiteral("HOME"), home);
    user.arguments = QStringList{QStringLiteral("--uid"), QString::number(kNobody)};
    return user;
}

QString skipReason(const WindowRun &run, const QString &folder) {
    if (run.exitCode == 3)
        return QStringLiteral("cannot switch to an unprivileged user (uid %1)").arg(kNobody);
    if (run.exitCode == 4)
        return QStringLiteral("uid %1 cannot reach %2").arg(kNobody).arg(folder);
    return QString();
}

// A tmpfs of the given size mounted over `path` in a mount namespace of this thread's own, so
// nothing outside the test sees it and it goes away with the process. Empty, or why not.
QString mountTmpfs(const QString &path, const char *size) {
    if (::unshare(CLONE_NEWNS) != 0)
        return QStringLiteral("no mount namespace: %1")
            .arg(QString::fromLocal8Bit(strerror(errno)));
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, size) != 0)
        return QStringLiteral("cannot mount a tmpfs: %1")
            .arg(QString::fromLocal8Bit(strerror(errno)));
    return QString();
}

qint64 freeBytes(const QString &path) {
    struct statvfs info {};
    return ::statvfs(QFile::encodeName(path).constData(), &info) == 0
               ? qint64(info.f_bavail) * qint64(info.f_frsize)
               : -1;
}

} // namespace

class DiskFaultTest : public QObject {
    Q_OBJECT

private slots:
    void fullDisk_tmpfs_writesFailSilentlyAndKeepFiles();
    void fullDisk_fileSizeLimit_writesFailSilentlyAndKeepFiles();
    void readOnlyFolder_windowWorksAndFilesStay_data();
    void readOnlyFolder_windowWorksAndFilesStay();
    void unreadableFile_windowWorksAndFileStays_data();
    void unreadableFile_windowWorksAndFileStays();
    void folderInFilesPlace_windowWorksAndFolderStays_data();
    void folderInFilesPlace_windowWorksAndFolderStays();
};

void DiskFaultTest::fullDisk_tmpfs_writesFailSilentlyAndKeepFiles() {
    QTemporaryDir dir;
    const QString disk = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkdir(disk));
    if (const QString why = mountTmpfs(disk, "size=512k"); !why.isEmpty())
        QSKIP(qPrintable(why));
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
    } unmount{disk};

    const QByteArray engine = largeEngineFile();
    QVERIFY(putFile(disk + QStringLiteral("/tarvolin.ini"), kMain));
    QVERIFY(putFile(disk + QStringLiteral("/Alpha.ini"), engine));
    // Fill the disk, then free 24 KB: room for a lock file, not for the new engine file.
    QFile filler(disk + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    QVERIFY(filler.resize(filler.size() - 24 * 1024));
    filler.close();
    QVERIFY(freeBytes(disk) < 64 * 1024);

    const QStringList values = largeValues();
    {
        InProcessWindow full(disk);
        QCOMPARE(full.w.txtEngine->text(), QStringLiteral("Alpha"));
        full.parseAndCompose(urlOf(values));
        QCOMPARE(full.rows(), rowsOf(values));
        QCOMPARE(full.w.txtNewURL->text(), composedOf(values));
        QCOMPARE(full.prompter.asked, QStringList());
        full.w.close();
    }
    QCOMPARE(fileBytes(disk + QStringLiteral("/Alpha.ini")), engine);
    QCOMPARE(fileBytes(disk + QStringLiteral("/tarvolin.ini")), kMain);
    QCOMPARE(folderEntries(disk),
             (QStringList{QStringLiteral("Alpha.ini"), QStringLiteral("filler"),
                          QStringLiteral("tarvolin.ini")}));

    // With room again, the same parse is remembered next to everything that was there.
    QVERIFY(QFile::remove(disk + QStringLiteral("/filler")));
    InProcessWindow roomy(disk);
    roomy.parseAndCompose(urlOf(values));
    QCOMPARE(remembered(disk, QStringLiteral("hl=")), QStringList{QStringLiteral("en")} + values);
    QCOMPARE(remembered(disk, QStringLiteral("big=")).size(), 1500);
    QVERIFY(fileBytes(disk + QStringLiteral("/Alpha.ini"))
                .endsWith(engine.mid(engine.indexOf("[big=]"))));
}

void DiskFaultTest::fullDisk_fileSizeLimit_writesFailSilentlyAndKeepFiles() {
    QTemporaryDir dir;
    const QByteArray engine = largeEngineFile();
    constexpr qint64 kLimit = 64 * 1024;
    QVERIFY(engine.size() < kLimit);
    QVERIFY(putFile(dir.filePath("tarvolin.ini"), kMain));
    QVERIFY(putFile(dir.filePath("Alpha.ini"), engine));
    const QStringList values = largeValues();

    const WindowRun limited = runWindow({QStringLiteral("--fsize"), QString::number(kLimit),
                                         dir.path(), QStringLiteral("--parse"), urlOf(values)});
    QVERIFY2(!limited.crashed && limited.exitCode == 0, limited.errors.constData());
    QVERIFY(limited.closed);
    QCOMPARE(limited.states.size(), 2);
    QCOMPARE(limited.states[0].engine(), QStringLiteral("Alpha"));
    QCOMPARE(limited.states[1].rows(), rowsOf(values));
    QCOMPARE(limited.states[1].newUrl(), composedOf(values));
    QCOMPARE(fileBytes(dir.filePath("Alpha.ini")), engine);
    QCOMPARE(fileBytes(dir.filePath("tarvolin.ini")), kMain);
    QCOMPARE(folderEntries(dir.path()),
             (QStringList{QStringLiteral("Alpha.ini"), QStringLiteral("tarvolin.ini")}));

    const WindowRun unlimited = runWindow({dir.path(), QStringLiteral("--parse"), urlOf(values)});
    QCOMPARE(unlimited.exitCode, 0);
    QCOMPARE(remembered(dir.path(), QStringLiteral("hl=")),
             QStringList{QStringLiteral("en")} + values);
    QCOMPARE(remembered(dir.path(), QStringLiteral("big=")).size(), 1500);
}

void DiskFaultTest::readOnlyFolder_windowWorksAndFilesStay_data() {
    QTest::addColumn<QByteArray>("mainFile");
    QTest::addColumn<QString>("engine");
    QTest::newRow("profile files present") << kMain << QStringLiteral("Alpha");
    QTest::newRow("first start: no main file, default engine not saved")
        << QByteArray() << QStringLiteral("Altavista");
}

void DiskFaultTest::readOnlyFolder_windowWorksAndFilesStay() {
    QFETCH(QByteArray, mainFile);
    QFETCH(QString, engine);
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkdir(work));
    const QByteArray engineFile = "[hl=]\nen=en\n";
    if (!mainFile.isNull()) {
        QVERIFY(putFile(work + QStringLiteral("/tarvolin.ini"), mainFile));
        QVERIFY(putFile(work + QStringLiteral("/Alpha.ini"), engineFile));
    }
    const QStringList before = folderEntries(work);
    QVERIFY(QFile::setPermissions(work, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::ExeOther));
    const OtherUser user = otherUser(dir);

    const WindowRun run =
        runWindow(user.arguments + QStringList{work, QStringLiteral("--parse"),
                                               QStringLiteral("http://e/Query?hl=de&num=10")},
                  user.environment);
    QFile::setPermissions(work,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (const QString why = skipReason(run, dir.path()); !why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY2(!run.crashed && run.exitCode == 0, run.errors.constData());
    QVERIFY(run.closed);
    QCOMPARE(run.states[0].engine(), engine);
    QCOMPARE(run.states[1].rows(),
             (QStringList{QStringLiteral("hl=de"), QStringLiteral("num=10")}));
    QCOMPARE(run.states[1].newUrl(), QStringLiteral("http://e/Query?hl=de&num=10"));
    QCOMPARE(folderEntries(work), before);
    QCOMPARE(fileBytes(work + QStringLiteral("/tarvolin.ini")), mainFile);
    if (!mainFile.isNull()) {
        QCOMPARE(run.states[1].remembered(0), QStringList{QStringLiteral("en")});
        QCOMPARE(fileBytes(work + QStringLiteral("/Alpha.ini")), engineFile);
    }
}

void DiskFaultTest::unreadableFile_windowWorksAndFileStays_data() {
    QTest::addColumn<QString>("unreadable");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("engine");
    QTest::newRow("engine file, no permissions: values neither offered nor overwritten")
        << QStringLiteral("Alpha.ini") << false << QStringLiteral("Alpha");
    QTest::newRow("engine file, write-only: values neither offered nor overwritten")
        << QStringLiteral("Alpha.ini") << true << QStringLiteral("Alpha");
    QTest::newRow("main file, no permissions: default engine shows, list not overwritten")
        << QStringLiteral("tarvolin.ini") << false << QStringLiteral("Altavista");
    QTest::newRow("main file, write-only: default engine shows, list not overwritten")
        << QStringLiteral("tarvolin.ini") << true << QStringLiteral("Altavista");
}

void DiskFaultTest::unreadableFile_windowWorksAndFileStays() {
    QFETCH(QString, unreadable);
    QFETCH(bool, writable);
    QFETCH(QString, engine);
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkdir(work));
    const QByteArray engineFile = "[hl=]\nen=en\n";
    QVERIFY(putFile(work + QStringLiteral("/tarvolin.ini"), kMain));
    QVERIFY(putFile(work + QStringLiteral("/Alpha.ini"), engineFile));
    const QString target = work + u'/' + unreadable;
    const QByteArray kept = fileBytes(target);
    // A folder anyone may write to: only the file itself refuses.
    ::chmod(QFile::encodeName(work).constData(), 0777);
    QVERIFY(QFile::setPermissions(target, writable
                                              ? QFileDevice::WriteOwner | QFileDevice::WriteGroup |
                                                    QFileDevice::WriteOther
                                              : QFileDevice::Permissions()));
    const OtherUser user = otherUser(dir);

    const WindowRun run =
        runWindow(user.arguments + QStringList{work, QStringLiteral("--parse"),
                                               QStringLiteral("http://e/Query?hl=de&num=10")},
                  user.environment);
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (const QString why = skipReason(run, dir.path()); !why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY2(!run.crashed && run.exitCode == 0, run.errors.constData());
    QCOMPARE(run.states[0].engine(), engine);
    QCOMPARE(run.states[1].rows(),
             (QStringList{QStringLiteral("hl=de"), QStringLiteral("num=10")}));
    QCOMPARE(run.states[1].newUrl(), QStringLiteral("http://e/Query?hl=de&num=10"));
    QCOMPARE(fileBytes(target), kept);
}

void DiskFaultTest::folderInFilesPlace_windowWorksAndFolderStays_data() {
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("engine");
    QTest::newRow("main profile file")
        << QStringLiteral("tarvolin.ini") << QStringLiteral("Altavista");
    QTest::newRow("engine profile file") << QStringLiteral("Alpha.ini") << QStringLiteral("Alpha");
}

void DiskFaultTest::folderInFilesPlace_windowWorksAndFolderStays() {
    QFETCH(QString, folderName);
    QFETCH(QString, engine);
    QTemporaryDir dir;
    if (folderName != u"tarvolin.ini")
        QVERIFY(putFile(dir.filePath("tarvolin.ini"), kMain));
    const QString inside = dir.filePath(folderName + QStringLiteral("/inside.ini"));
    QVERIFY(QDir().mkpath(dir.filePath(folderName)));
    QVERIFY(putFile(inside, "[hl=]\nen=en\n"));

    {
        InProcessWindow window(dir.path());
        QCOMPARE(window.w.txtEngine->text(), engine);
        window.parseAndCompose(QStringLiteral("http://e/Query?hl=de&num=10"));
        QCOMPARE(window.rows(), (QStringList{QStringLiteral("hl=de"), QStringLiteral("num=10")}));
        QCOMPARE(window.w.txtNewURL->text(), QStringLiteral("http://e/Query?hl=de&num=10"));
        QVERIFY(window.w.close());
    }
    QVERIFY(QFileInfo(dir.filePath(folderName)).isDir());
    QCOMPARE(folderEntries(dir.filePath(folderName)), QStringList{QStringLiteral("inside.ini")});
    QCOMPARE(fileBytes(inside), "[hl=]\nen=en\n");
    QVERIFY(!QFileInfo::exists(dir.filePath(folderName + QStringLiteral(".lock"))));
    if (folderName == u"tarvolin.ini") {
        // The other file of the folder still works as ever.
        ProfileStore store(dir.path());
        QCOMPARE(
            ReadProfileEntryNames(store, QStringLiteral("hl="), QStringLiteral("./Altavista.ini")),
            QStringList{QStringLiteral("de")});
    } else {
        QCOMPARE(fileBytes(dir.filePath("tarvolin.ini")), kMain);
    }
}

QTEST_MAIN(DiskFaultTest)
#include "disk_fault_test.moc"

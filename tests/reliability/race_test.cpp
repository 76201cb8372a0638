// Two instances of the window starting at once in one folder. (Writers racing for one file are
// part of the crash test: a live writer works beside the killed ones.)

#include "child_process.h"
#include "settings/profile_reader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace tarvolin;
using namespace tarvolin::reliability;

class RaceTest : public QObject {
    Q_OBJECT

private slots:
    void twoInstances_startingAtOnce_leaveOneValidMainFile();
};

void RaceTest::twoInstances_startingAtOnce_leaveOneValidMainFile() {
    // Several rounds: which instance reads, writes and closes first differs from one to the next.
    constexpr int kRounds = 8;
    for (int round = 0; round < kRounds; ++round) {
        QTemporaryDir dir(ramFolderTemplate(QStringLiteral("tarvolin-instances")));
        QVERIFY(dir.isValid());
        std::array<QProcess, 2> instances;
        for (int i = 0; i < 2; ++i) {
            instances[i].start(QStringLiteral(RELIABILITY_WINDOW),
                               {QStringLiteral("--wait-go"), dir.path(), QStringLiteral("--parse"),
                                QStringLiteral("http://e/Query?q=x&hl=lang%1&num=%1").arg(i)});
        }
        // Both wait, loaded as far as Qt, until both are ready; then both go at once.
        for (QProcess &instance : instances) {
            QVERIFY(instance.waitForStarted());
            while (!instance.canReadLine() && instance.state() == QProcess::Running)
                instance.waitForReadyRead(30000);
            QCOMPARE(instance.readLine(), QByteArray("ready\n"));
        }
        for (QProcess &instance : instances) {
            instance.write("go\n");
            instance.closeWriteChannel();
        }
        for (QProcess &instance : instances) {
            const WindowRun run = collect(instance);
            QVERIFY2(!run.crashed && run.exitCode == 0, run.errors.constData());
            QVERIFY(run.closed);
            QCOMPARE(run.states.size(), 2);
            QCOMPARE(run.states[0].engine(), QStringLiteral("Altavista"));
            QCOMPARE(run.states[0].engines(), QStringList{QStringLiteral("Altavista")});
            QCOMPARE(run.states[1].rows().size(), 3);
        }

        // Exactly the file one instance alone leaves, whichever order the two ran in.
        QCOMPARE(fileBytes(dir.filePath("tarvolin.ini")),
                 QByteArray("[Engine]\nAltavista=Query?\n"
                            "[LastUsed]\nengine=Altavista\nquerykey=Query?\n"));
        ProfileStore store(dir.path());
        QStringList languages =
            ReadProfileEntryNames(store, QStringLiteral("hl="), QStringLiteral("./Altavista.ini"));
        languages.sort();
        QCOMPARE(languages, (QStringList{QStringLiteral("lang0"), QStringLiteral("lang1")}));
        QCOMPARE(folderEntries(dir.path()),
                 (QStringList{QStringLiteral("Altavista.ini"), QStringLiteral("tarvolin.ini")}));
    }
}

QTEST_GUILESS_MAIN(RaceTest)
#include "race_test.moc"

// Processes racing for one file: four writers adding 5,000 values each to one engine file, and
// two instances of the window starting at once in one folder.

#include "child_process.h"
#include "settings/profile_reader.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

using namespace tarvolin;
using namespace tarvolin::reliability;

class RaceTest : public QObject {
    Q_OBJECT

private slots:
    void fourWriters_5000ValuesEach_loseNothing();
    void twoInstances_startingAtOnce_leaveOneValidMainFile();
};

void RaceTest::fourWriters_5000ValuesEach_loseNothing() {
    constexpr int kWriters = 4;
    constexpr int kValues = 5000;
    QTemporaryDir dir(ramFolderTemplate(QStringLiteral("tarvolin-race")));
    QVERIFY(dir.isValid());
    // Bytes the writers must leave alone: a comment and a section none of them writes.
    const QByteArray before = "; kept\n[ie=]\nUTF-8=UTF-8\n";
    QVERIFY(putFile(dir.filePath("Altavista.ini"), before));

    std::array<std::unique_ptr<QProcess>, kWriters> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers[i] = std::make_unique<QProcess>();
        writers[i]->start(QStringLiteral(RELIABILITY_WRITER),
                          {QStringLiteral("race"), dir.path(), QStringLiteral("w%1-").arg(i),
                           QString::number(kValues),
                           QString::number(QRandomGenerator::global()->generate())});
    }
    int groups = 0;
    for (const auto &writer : writers) {
        QVERIFY(writer->waitForFinished(300000));
        QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer->exitCode(), 0);
        groups += writer->readAllStandardOutput().trimmed().toInt();
    }

    ProfileStore store(dir.path());
    ProfileStore::Group group(store);
    const QString path = QStringLiteral("./Altavista.ini");
    const QStringList sections = ReadProfileSectionNames(store, path);
    QSet<QString> found;
    qsizetype listed = 0;
    for (const QString &section : sections) {
        const QStringList names = ReadProfileEntryNames(store, section, path);
        if (section != u"ie=") {
            listed += names.size();
            found.unite(QSet<QString>(names.cbegin(), names.cend()));
        }
    }
    QSet<QString> expected;
    for (int i = 0; i < kWriters; ++i) {
        for (int n = 0; n < kValues; ++n)
            expected.insert(QStringLiteral("w%1-%2").arg(i).arg(n));
    }
    QCOMPARE(listed, qsizetype(kWriters * kValues));
    QCOMPARE(found, expected);
    QVERIFY(fileBytes(dir.filePath("Altavista.ini")).startsWith(before));
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("Altavista.ini")});
    qInfo("%d writers, %d values each, in %d groups of 1-20 writes: %lld values found", kWriters,
          kValues, groups, qsizetype(found.size()));
}

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

#include "settings/engine_file_name.h"

#include <QSet>
#include <QTest>

using namespace tarvolin;

class EngineFileNameTest : public QObject {
    Q_OBJECT

private slots:
    void engineIniFile_name_givesOneSegmentInWorkingFolder_data();
    void engineIniFile_name_givesOneSegmentInWorkingFolder();
    void engineIniFile_distinctNames_neverShareAFile();
};

void EngineFileNameTest::engineIniFile_name_givesOneSegmentInWorkingFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty name") << ""
                                << "./.ini";
    QTest::newRow("plain name") << "Altavista"
                                << "./Altavista.ini";
    QTest::newRow("blanks, case and non-ASCII kept")
        << QString::fromUtf8(" Süd Web ") << QString::fromUtf8("./ Süd Web .ini");
    QTest::newRow("reserved device name unchanged") << "CON"
                                                    << "./CON.ini";
    QTest::newRow("slash") << "a/b"
                           << "./a%2Fb.ini";
    QTest::newRow("backslash") << "a\\b"
                               << "./a%5Cb.ini";
    QTest::newRow("only dots kept: a file in the folder") << ".."
                                                          << "./...ini";
    QTest::newRow("dots inside a name kept") << "a..b."
                                             << "./a..b..ini";
    QTest::newRow("percent kept") << "50%"
                                  << "./50%.ini";
    QTest::newRow("percent before one hex digit kept") << "%a_"
                                                       << "./%a_.ini";
    QTest::newRow("percent before two hex digits") << "a%2fb"
                                                   << "./a%252fb.ini";
    QTest::newRow("colon") << "x:y"
                           << "./x%3Ay.ini";
    QTest::newRow("Windows-forbidden characters") << "*?\"<>|"
                                                  << "./%2A%3F%22%3C%3E%7C.ini";
    QTest::newRow("control characters") << QString("a\tb\nc\x7f") << "./a%09b%0Ac%7F.ini";
    QTest::newRow("climbing out") << "../../etc/x"
                                  << "./..%2F..%2Fetc%2Fx.ini";
}

void EngineFileNameTest::engineIniFile_name_givesOneSegmentInWorkingFolder() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const QString path = EngineIniFile(name);
    QCOMPARE(path, expected);
    QVERIFY(path.startsWith(QStringLiteral("./")));
    QVERIFY(!path.mid(2).contains(u'/'));
    QVERIFY(!path.mid(2).contains(u'\\'));
}

void EngineFileNameTest::engineIniFile_distinctNames_neverShareAFile() {
    // Names built to collide if escaping were not one to one.
    const QStringList names{"a/b",   "a%2Fb", "a%252Fb", "a%b",   "a%25b", ".",  "%2E",
                            "..",    "",      "x:y",     "x%3Ay", "...",   "a.", "50%",
                            "50%25", "%A/",   "%A%2F",   "%%41",  "%41",   "%"};
    QSet<QString> files;
    for (const QString &name : names)
        files.insert(EngineIniFile(name));
    QCOMPARE(files.size(), names.size());
}

QTEST_GUILESS_MAIN(EngineFileNameTest)
#include "engine_file_name_test.moc"

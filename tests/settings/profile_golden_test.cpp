#include "settings/profile_store.h"
#include "test_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tarvolin;

// Each golden/<name>.ini states its rule in its comments; one write must turn it into exactly
// golden/<name>.expected.ini.
class ProfileGoldenTest : public QObject {
    Q_OBJECT

private slots:
    void write_goldenFile_givesExpectedBytes_data();
    void write_goldenFile_givesExpectedBytes();
};

void ProfileGoldenTest::write_goldenFile_givesExpectedBytes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("replace keeps other lines") << "replace_keeps_other_lines"
                                               << "hl="
                                               << "de"
                                               << "new";
    QTest::newRow("append after last entry") << "append_after_last_entry"
                                             << "hl="
                                             << "de"
                                             << "de";
    QTest::newRow("CRLF line ends") << "crlf_line_ends"
                                    << "b"
                                    << "y"
                                    << "2";
    QTest::newRow("no final line end") << "no_final_line_end"
                                       << "a"
                                       << "y"
                                       << "2";
    QTest::newRow("Windows-1252 kept") << "windows1252_kept"
                                       << "s" << QString::fromUtf8("naïve") << "new";
    QTest::newRow("Windows-1252 rewritten")
        << "windows1252_rewritten"
        << "s" << QString::fromUtf8("naïve") << QString::fromUtf8("été");
    QTest::newRow("duplicate section") << "duplicate_section"
                                       << "s"
                                       << "c"
                                       << "new";
    QTest::newRow("escaping") << "escaping"
                              << "x\n[Evil]"
                              << " a=b"
                              << "\"C:\\dir\\x41\"\ny=z\"";
}

void ProfileGoldenTest::write_goldenFile_givesExpectedBytes() {
    QFETCH(QString, name);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString golden = QStringLiteral(SETTINGS_GOLDEN_DIR "/") + name;
    const QByteArray input = test::fileBytes(golden + ".ini");
    QVERIFY(!input.isEmpty());
    QTemporaryDir dir;
    QVERIFY(test::putFile(dir.filePath("golden.ini"), input));
    ProfileStore store(dir.path());
    QVERIFY(store.WritePrivateProfileString(section, key, value, "./golden.ini"));
    QCOMPARE(test::fileBytes(dir.filePath("golden.ini")),
             test::fileBytes(golden + ".expected.ini"));

    QString buffer(4096, u' ');
    const qsizetype n =
        store.GetPrivateProfileString(section, key, {}, buffer, 4096, "./golden.ini");
    QCOMPARE(buffer.left(n), value);
}

QTEST_GUILESS_MAIN(ProfileGoldenTest)
#include "profile_golden_test.moc"

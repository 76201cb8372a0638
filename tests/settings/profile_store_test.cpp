#include "settings/profile_reader.h"
#include "test_files.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvolin;
using test::fileBytes;
using test::putFile;

namespace {

const QString kFile = QStringLiteral("./test.ini");

// The raw list a read with no key returns, as a whole.
QString rawEntryList(ProfileStore &store, const QString &section) {
    QString buffer(1 << 16, u' ');
    const qsizetype n = store.GetPrivateProfileString(section, std::nullopt, QString(), buffer,
                                                      buffer.size(), kFile);
    return buffer.left(n);
}

} // namespace

class ProfileStoreTest : public QObject {
    Q_OBJECT

private slots:
    void readValue_missingOrPresent_copiesDefaultOnlyWhenMissing_data();
    void readValue_missingOrPresent_copiesDefaultOnlyWhenMissing();
    void readRaw_resultLongerThanBuffer_isCutLikeThePlatform_data();
    void readRaw_resultLongerThanBuffer_isCutLikeThePlatform();
    void names_differingInCase_areDifferentEntries();
    void write_anyText_readsBackExactly_data();
    void write_anyText_readsBackExactly();
    void write_ordinaryNames_givesPlainProfileText();
    void read_platformWrittenFile_readsTheSame();
    void emptyEntryName_isListedEmpty_andHidesNothing();
    void read_lineEncoding_isDecidedPerLine();
    void read_fileWithBom_isToleratedAndKept();
    void readValue_handEditedSection_findsFirstEntryOfTheName_data();
    void readValue_handEditedSection_findsFirstEntryOfTheName();
    void lists_handEditedDuplicates_areListedAsInTheFile();
    void group_writesAcrossSections_eachLandsInItsOwn();
    void path_outsideOrBelowFolder_isRefused_data();
    void path_outsideOrBelowFolder_isRefused();
    void write_unusableTarget_failsAndLosesNothing_data();
    void write_unusableTarget_failsAndLosesNothing();
    void write_readOnlyFolder_failsAndKeepsFile();
    void badFile_readsAndKeepsItsBytesOnWrite_data();
    void badFile_readsAndKeepsItsBytesOnWrite();
    void group_manyWrites_reachDiskOnlyAtGroupEnd();
    void group_readsEachFileOnce();
    void group_firstWrite_rereadsUnderLock();
    void group_nested_onlyOutermostCommits();
};

void ProfileStoreTest::readValue_missingOrPresent_copiesDefaultOnlyWhenMissing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing file gives the default") << QByteArray() << "dflt";
    QTest::newRow("missing section gives the default") << QByteArray("[other]\nk=v\n") << "dflt";
    QTest::newRow("missing entry gives the default") << QByteArray("[s]\nx=v\n") << "dflt";
    QTest::newRow("empty value is a value") << QByteArray("[s]\nk=\n") << "";
    QTest::newRow("value present") << QByteArray("[s]\nk=v\n") << "v";
}

void ProfileStoreTest::readValue_missingOrPresent_copiesDefaultOnlyWhenMissing() {
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    if (!file.isNull())
        QVERIFY(putFile(dir.filePath("test.ini"), file));
    ProfileStore store(dir.path());
    QString buffer(2048, u' ');
    const qsizetype n =
        store.GetPrivateProfileString("s", QString("k"), "dflt", buffer, 2048, kFile);
    QCOMPARE(n, expected.size());
    QCOMPARE(buffer.left(n + 1), expected + QChar(u'\0'));
}

void ProfileStoreTest::readRaw_resultLongerThanBuffer_isCutLikeThePlatform_data() {
    QTest::addColumn<bool>("list");
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<QString>("expectedBuffer");
    QTest::addColumn<qsizetype>("expectedCount");
    const QChar nul(u'\0');
    QTest::newRow("value fits") << false << qsizetype(8) << QString("abcdef") + nul + " "
                                << qsizetype(6);
    QTest::newRow("value cut to size - 1")
        << false << qsizetype(4) << QString("abc") + nul << qsizetype(3);
    QTest::newRow("list fits with its final NUL")
        << true << qsizetype(10) << QString("one") + nul + "two" + nul + nul + " " << qsizetype(8);
    QTest::newRow("list one short of its final NUL is cut")
        << true << qsizetype(8) << QString("one") + nul + "tw" + nul + nul << qsizetype(6);
    QTest::newRow("list cut inside a name, then two NULs")
        << true << qsizetype(7) << QString("one") + nul + "t" + nul + nul << qsizetype(5);
}

void ProfileStoreTest::readRaw_resultLongerThanBuffer_isCutLikeThePlatform() {
    QFETCH(bool, list);
    QFETCH(qsizetype, size);
    QFETCH(QString, expectedBuffer);
    QFETCH(qsizetype, expectedCount);
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[v]\nk=abcdef\n[l]\none=1\ntwo=2\n"));
    ProfileStore store(dir.path());
    QString buffer(size, u' ');
    const qsizetype count =
        list ? store.GetPrivateProfileString("l", std::nullopt, QString(), buffer, size, kFile)
             : store.GetPrivateProfileString("v", QString("k"), QString(), buffer, size, kFile);
    QCOMPARE(count, expectedCount);
    QCOMPARE(buffer, expectedBuffer);
}

void ProfileStoreTest::names_differingInCase_areDifferentEntries() {
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    QVERIFY(store.WritePrivateProfileString("S", "ABC", "upper", kFile));
    QVERIFY(store.WritePrivateProfileString("S", "abc", "lower", kFile));
    QVERIFY(store.WritePrivateProfileString("s", "abc", "other section", kFile));
    QCOMPARE(ReadProfileSectionNames(store, kFile), QStringList({"S", "s"}));
    QCOMPARE(ReadProfileEntryNames(store, "S", kFile), QStringList({"ABC", "abc"}));
    QCOMPARE(ReadProfileValue(store, "S", "ABC", kFile), "upper");
    QCOMPARE(ReadProfileValue(store, "S", "abc", kFile), "lower");
    QCOMPARE(ReadProfileValue(store, "s", "abc", kFile), "other section");
    QCOMPARE(ReadProfileValue(store, "S", "Abc", kFile), "");
}

void ProfileStoreTest::write_anyText_readsBackExactly_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("pair a=b=c remembers b=c as name and value") << "a="
                                                                << "b=c"
                                                                << "b=c";
    QTest::newRow("equals sign first") << "k="
                                       << "=x"
                                       << "=x";
    QTest::newRow("blanks and tabs at both ends") << " s\t"
                                                  << " \tk "
                                                  << "\t v \t";
    QTest::newRow("only blanks") << " "
                                 << "  "
                                 << "   ";
    QTest::newRow("double quotes around") << "\"s\""
                                          << "\"k\""
                                          << "\"v\"";
    QTest::newRow("single quotes around") << "'s'"
                                          << "'k'"
                                          << "'v'";
    QTest::newRow("lone quote") << "s"
                                << "\""
                                << "\"";
    QTest::newRow("leading bracket") << "[s]"
                                     << "[k]"
                                     << "[v]";
    QTest::newRow("closing bracket inside section") << "a]b"
                                                    << "]"
                                                    << "]";
    QTest::newRow("leading semicolon") << ";s"
                                       << ";k"
                                       << ";v";
    QTest::newRow("leading hash") << "#s"
                                  << "#k"
                                  << "#v";
    QTest::newRow("LF that would start a section") << "s\n[Evil]"
                                                   << "x\n[Evil]\ny=z"
                                                   << "x\n[Evil]\ny=z";
    QTest::newRow("CR, CRLF and other controls") << "s\r"
                                                 << "a\r\nb" << QString("\x01\x1f\x7f");
    QTest::newRow("backslash escapes spelled literally") << "\\x41"
                                                         << "\\x5C\\"
                                                         << "\\\\x3D\\";
    QTest::newRow("windows path") << "s"
                                  << "C:\\dir\\file"
                                  << "C:\\x\\";
    QTest::newRow("zero-width no-break space opening each field")
        << QString::fromUtf8("\uFEFFs") << QString::fromUtf8("\uFEFF\uFEFFk")
        << QString::fromUtf8("\uFEFFv");
    QTest::newRow("non-ASCII") << QString::fromUtf8("Ä日") << QString::fromUtf8("é€😀")
                               << QString::fromUtf8("ü\u00a0ß");
    QTest::newRow("percent stays plain") << "q="
                                         << "a%20b%"
                                         << "%C3%A9";
    QTest::newRow("empty section and value") << ""
                                             << "k"
                                             << "";
}

void ProfileStoreTest::write_anyText_readsBackExactly() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[Other]\nkeep=me\n"));
    ProfileStore store(dir.path());
    QVERIFY(store.WritePrivateProfileString(section, key, "first", kFile));
    QVERIFY(store.WritePrivateProfileString(section, key, value, kFile));
    QVERIFY(store.WritePrivateProfileString(section, key, value, kFile));

    QCOMPARE(ReadProfileValue(store, section, key, kFile), value);
    QCOMPARE(rawEntryList(store, section), key + QChar(u'\0'));
    QString names(4096, u' ');
    const qsizetype n = store.GetPrivateProfileSectionNames(names, names.size(), kFile);
    QCOMPARE(names.left(n), QStringLiteral("Other") + QChar(u'\0') + section + QChar(u'\0'));
    QCOMPARE(ReadProfileValue(store, "Other", "keep", kFile), "me");
    // One header and one entry line were added, whatever the text holds.
    QCOMPARE(fileBytes(dir.filePath("test.ini")).count('\n'), 4);
}

void ProfileStoreTest::write_ordinaryNames_givesPlainProfileText() {
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    for (const QString &value : QStringList{"en", "de"})
        QVERIFY(store.WritePrivateProfileString("hl=", value, value, kFile));
    QVERIFY(store.WritePrivateProfileString("num=", "10", "10", kFile));
    QVERIFY(store.WritePrivateProfileString("url=", "a%2Fb+c-d_e.f", "a%2Fb+c-d_e.f", kFile));
    QCOMPARE(fileBytes(dir.filePath("test.ini")),
             "[hl=]\nen=en\nde=de\n[num=]\n10=10\n[url=]\na%2Fb+c-d_e.f=a%2Fb+c-d_e.f\n");
}

void ProfileStoreTest::read_platformWrittenFile_readsTheSame() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[Engine]\r\nAltavista=Query?\r\nWeb=C:\\x\\q?\r\n"
                                              "[LastUsed]\r\nengine=Altavista\r\n"
                                              "querykey=\"Query?\"\r\n"));
    ProfileStore store(dir.path());
    QCOMPARE(ReadProfileSectionNames(store, kFile), QStringList({"Engine", "LastUsed"}));
    QCOMPARE(ReadProfileEntryNames(store, "Engine", kFile), QStringList({"Altavista", "Web"}));
    QCOMPARE(ReadProfileValue(store, "Engine", "Web", kFile), "C:\\x\\q?");
    // The platform strips a pair of quotes around a value; so does the store.
    QCOMPARE(ReadProfileValue(store, "LastUsed", "querykey", kFile), "Query?");
}

void ProfileStoreTest::emptyEntryName_isListedEmpty_andHidesNothing() {
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    QVERIFY(store.WritePrivateProfileString("x=", "a", "a", kFile));
    QVERIFY(store.WritePrivateProfileString("x=", "", "", kFile));
    QVERIFY(store.WritePrivateProfileString("x=", "b", "b", kFile));
    const QChar nul(u'\0');
    QCOMPARE(rawEntryList(store, "x="), QString("a") + nul + nul + "b" + nul);
    QCOMPARE(ReadProfileEntryNames(store, "x=", kFile), QStringList({"a", "b"}));
    QCOMPARE(ReadProfileValue(store, "x=", "b", kFile), "b");
    QString buffer(16, u' ');
    QCOMPARE(store.GetPrivateProfileString("x=", QString(""), "missing", buffer, 16, kFile), 0);
}

void ProfileStoreTest::read_lineEncoding_isDecidedPerLine() {
    QTemporaryDir dir;
    const QByteArray utf8Line = "caf\xc3\xa9=\xc3\xa9t\xc3\xa9\n";
    const QByteArray ansiLine = "na\xefve=\x80 \x9c\n";
    QVERIFY(putFile(dir.filePath("test.ini"), "[s]\n" + utf8Line + ansiLine));
    ProfileStore store(dir.path());
    QCOMPARE(ReadProfileEntryNames(store, "s", kFile),
             QStringList({QString::fromUtf8("café"), QString::fromUtf8("naïve")}));
    QCOMPARE(ReadProfileValue(store, "s", QString::fromUtf8("naïve"), kFile),
             QString::fromUtf8("€ œ"));
    QCOMPARE(ReadProfileValue(store, "s", QString::fromUtf8("café"), kFile),
             QString::fromUtf8("été"));
    QVERIFY(store.WritePrivateProfileString("s", QString::fromUtf8("café"), "x", kFile));
    QCOMPARE(fileBytes(dir.filePath("test.ini")), "[s]\ncaf\xc3\xa9=x\n" + ansiLine);
}

void ProfileStoreTest::read_fileWithBom_isToleratedAndKept() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "\xEF\xBB\xBF[s]\nk=v\n"));
    ProfileStore store(dir.path());
    QCOMPARE(ReadProfileSectionNames(store, kFile), QStringList({"s"}));
    QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "v");
    QVERIFY(store.WritePrivateProfileString("s", "k", "w", kFile));
    QCOMPARE(fileBytes(dir.filePath("test.ini")), "\xEF\xBB\xBF[s]\nk=w\n");
}

void ProfileStoreTest::readValue_handEditedSection_findsFirstEntryOfTheName_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("name inside an earlier value")
        << QByteArray("[s]\nother=k=wrong\nk=right\n") << "k"
        << "right";
    QTest::newRow("name ending a longer name") << QByteArray("[s]\nxk=wrong\nk=right\n") << "k"
                                               << "right";
    QTest::newRow("name starting a longer name")
        << QByteArray("[s]\nkk=wrong\nk x=wrong\nk=right\n") << "k"
        << "right";
    QTest::newRow("name in a comment") << QByteArray("[s]\n;k=wrong\n# k=wrong\nk=right\n") << "k"
                                       << "right";
    QTest::newRow("blanks around the name") << QByteArray("[s]\n \tk \t= right\n") << "k"
                                            << "right";
    QTest::newRow("same name twice") << QByteArray("[s]\nk=first\nk=second\n") << "k"
                                     << "first";
    QTest::newRow("escaped spelling before the plain one")
        << QByteArray("[s]\n\\x6B=first\nk=second\n") << "k"
        << "first";
    QTest::newRow("escaped spelling only") << QByteArray("[s]\na=1\nk\\x41=escaped\n") << "kA"
                                           << "escaped";
    QTest::newRow("backslash without escape before")
        << QByteArray("[s]\np=C:\\dir\nk=right\n") << "k"
        << "right";
    QTest::newRow("Windows-1252 line before") << QByteArray("[s]\nna\xefve=1\nk=right\n") << "k"
                                              << "right";
    QTest::newRow("only in the next section") << QByteArray("[s]\na=1\n[t]\nk=wrong\n") << "k"
                                              << "dflt";
    QTest::newRow("only in an earlier section") << QByteArray("[t]\nk=wrong\n[s]\nk=right\n") << "k"
                                                << "right";
    QTest::newRow("last line without line end") << QByteArray("[s]\na=1\nk=right") << "k"
                                                << "right";
    QTest::newRow("escaped section spelled first")
        << QByteArray("[\\x73]\nk=first\n[s]\nk=second\n") << "k"
        << "first";
    QTest::newRow("section name is a prefix of another")
        << QByteArray("[ss]\nk=wrong\n[s]\nk=right\n") << "k"
        << "right";
    // Sections of 64 KB and more are indexed when looked up again.
    QByteArray filler;
    for (int i = 0; i < 10000; ++i)
        filler += "f" + QByteArray::number(i) + "=x\n";
    QTest::newRow("large: same name twice") << "[s]\n" + filler + "k=first\nk=second\n"
                                            << "k"
                                            << "first";
    QTest::newRow("large: escaped spelling first") << "[s]\n" + filler + "\\x6B=first\nk=second\n"
                                                   << "k"
                                                   << "first";
    QTest::newRow("large: missing") << "[s]\n" + filler + "kk=x\n[t]\nk=x\n"
                                    << "k"
                                    << "dflt";
}

void ProfileStoreTest::readValue_handEditedSection_findsFirstEntryOfTheName() {
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), file));
    ProfileStore store(dir.path());
    // Twice: the second read reuses what the first built from the unchanged file.
    for (int read = 0; read < 2; ++read) {
        QString buffer(64, u' ');
        const qsizetype n = store.GetPrivateProfileString("s", key, "dflt", buffer, 64, kFile);
        QCOMPARE(buffer.left(n), expected);
    }
    // A write replaces that same entry and leaves the other spellings alone.
    QVERIFY(store.WritePrivateProfileString("s", key, "new", kFile));
    QCOMPARE(ReadProfileValue(store, "s", key, kFile), "new");
    const QByteArray after = fileBytes(dir.filePath("test.ini"));
    if (expected != "dflt")
        QCOMPARE(after.size(), file.size() - expected.toUtf8().size() + 3);
}

void ProfileStoreTest::lists_handEditedDuplicates_areListedAsInTheFile() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[s]\nk=1\nj=2\nk=3\n[t]\n[s]\nm=4\n"));
    ProfileStore store(dir.path());
    QCOMPARE(ReadProfileSectionNames(store, kFile), QStringList({"s", "t", "s"}));
    QCOMPARE(ReadProfileEntryNames(store, "s", kFile), QStringList({"k", "j", "k"}));
    QCOMPARE(ReadProfileValue(store, "s", "m", kFile), "");
    // Writing a listed name again changes its first entry and adds no line.
    QVERIFY(store.WritePrivateProfileString("s", "k", "x", kFile));
    QCOMPARE(fileBytes(dir.filePath("test.ini")), "[s]\nk=x\nj=2\nk=3\n[t]\n[s]\nm=4\n");
}

void ProfileStoreTest::group_writesAcrossSections_eachLandsInItsOwn() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[a]\nx=0\n\n[b]\ny=0\n"));
    ProfileStore store(dir.path());
    {
        ProfileStore::Group group(store);
        // Alternating sections, so no write finds its section where the previous one left off.
        for (int i = 1; i <= 6; ++i) {
            const QString n = QString::number(i);
            QVERIFY(store.WritePrivateProfileString("a", "k" + n, n, kFile));
            QVERIFY(store.WritePrivateProfileString("b", "k" + n, "b" + n, kFile));
            QVERIFY(store.WritePrivateProfileString("c", "k", n, kFile));
        }
        QVERIFY(store.WritePrivateProfileString("a", "x", "changed", kFile));
        QVERIFY(store.WritePrivateProfileString("a", "k1", "again", kFile));
        QCOMPARE(ReadProfileValue(store, "b", "k6", kFile), "b6");
        QCOMPARE(ReadProfileValue(store, "c", "k", kFile), "6");
    }
    QCOMPARE(fileBytes(dir.filePath("test.ini")),
             "[a]\nx=changed\nk1=again\nk2=2\nk3=3\nk4=4\nk5=5\nk6=6\n\n"
             "[b]\ny=0\nk1=b1\nk2=b2\nk3=b3\nk4=b4\nk5=b5\nk6=b6\n[c]\nk=6\n");
}

void ProfileStoreTest::path_outsideOrBelowFolder_isRefused_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("parent folder") << "../escape.ini";
    QTest::newRow("dot-dot prefixed") << "./../escape.ini";
    QTest::newRow("sub-folder") << "./sub/escape.ini";
    QTest::newRow("backslash sub-folder") << ".\\sub\\escape.ini";
    QTest::newRow("absolute") << "/tmp/escape.ini";
    QTest::newRow("the folder itself") << "./";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot-dot") << "..";
    QTest::newRow("drive letter") << "C:escape.ini";
}

void ProfileStoreTest::path_outsideOrBelowFolder_isRefused() {
    QFETCH(QString, path);
    QTemporaryDir outer;
    QVERIFY(QDir(outer.path()).mkpath("work/sub"));
    const QString work = outer.filePath("work");
    QVERIFY(putFile(outer.filePath("escape.ini"), "[s]\nk=outside\n"));
    QVERIFY(putFile(work + "/sub/escape.ini", "[s]\nk=below\n"));
    ProfileStore store(work);
    QVERIFY(!store.WritePrivateProfileString("s", "k", "changed", path));
    QCOMPARE(ReadProfileValue(store, "s", "k", path), "");
    QCOMPARE(fileBytes(outer.filePath("escape.ini")), "[s]\nk=outside\n");
    QCOMPARE(fileBytes(work + "/sub/escape.ini"), "[s]\nk=below\n");
    QCOMPARE(QDir(work).entryList(QDir::Files), QStringList());
}

void ProfileStoreTest::write_unusableTarget_failsAndLosesNothing_data() {
    QTest::addColumn<QString>("setup");
    QTest::newRow("folder in the file's place") << "folder";
    QTest::newRow("working folder missing") << "missing";
    QTest::newRow("working folder is a regular file") << "file";
}

void ProfileStoreTest::write_unusableTarget_failsAndLosesNothing() {
    QFETCH(QString, setup);
    QTemporaryDir dir;
    QString work = dir.path();
    if (setup == "folder") {
        QVERIFY(QDir(dir.path()).mkpath("test.ini/inner"));
    } else if (setup == "missing") {
        work = dir.filePath("missing");
    } else {
        work = dir.filePath("plain");
        QVERIFY(putFile(work, "[s]\nk=v\n"));
    }
    ProfileStore store(work);
    QVERIFY(!store.WritePrivateProfileString("s", "k", "new", kFile));
    QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "");
    QCOMPARE(ReadProfileSectionNames(store, kFile), QStringList());
    if (setup == "folder")
        QVERIFY(QFileInfo(dir.filePath("test.ini/inner")).isDir());
    else if (setup == "missing")
        QVERIFY(!QFileInfo::exists(work));
    else
        QCOMPARE(fileBytes(work), "[s]\nk=v\n");
}

void ProfileStoreTest::write_readOnlyFolder_failsAndKeepsFile() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[s]\nk=old\n"));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool writable = QFileInfo(dir.path()).isWritable();
    if (writable) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("running as root: a read-only folder is still writable");
    }
    ProfileStore store(dir.path());
    const bool written = store.WritePrivateProfileString("s", "k", "new", kFile);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!written);
    QCOMPARE(fileBytes(dir.filePath("test.ini")), "[s]\nk=old\n");
}

void ProfileStoreTest::badFile_readsAndKeepsItsBytesOnWrite_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray binary;
    for (int i = 0; i < 100000; ++i)
        binary += char((i * 7919 + i / 13) % 256);
    QTest::newRow("binary") << binary;
    static constexpr char kNuls[] = "[a\0b]\nk\0=v\0\n\0\0";
    QTest::newRow("NUL bytes") << QByteArray(kNuls, sizeof(kNuls) - 1);
    QTest::newRow("no line end at all") << QByteArray(200000, 'x');
    QTest::newRow("one 1 MB line") << "[big]\nk=" + QByteArray(1 << 20, 'v');
    QTest::newRow("brackets everywhere") << QByteArray(100000, '[');
    QTest::newRow("lone CRs") << QByteArray("[s]\rk=v\r\r");
}

void ProfileStoreTest::badFile_readsAndKeepsItsBytesOnWrite() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), bytes));
    ProfileStore store(dir.path());
    ReadProfileSectionNames(store, kFile);
    ReadProfileEntryNames(store, "s", kFile);
    QVERIFY(store.WritePrivateProfileString("new section", "k", "v", kFile));
    const QByteArray after = fileBytes(dir.filePath("test.ini"));
    QCOMPARE(after.left(bytes.size()), bytes);
    QVERIFY(after.endsWith("[new section]\nk=v\n"));
    QCOMPARE(ReadProfileValue(store, "new section", "k", kFile), "v");
}

void ProfileStoreTest::group_manyWrites_reachDiskOnlyAtGroupEnd() {
    QTemporaryDir dir;
    const QByteArray before = "; kept\n[s]\nold=old\n";
    QVERIFY(putFile(dir.filePath("test.ini"), before));
    ProfileStore store(dir.path());
    QStringList expected{"old"};
    {
        ProfileStore::Group group(store);
        for (int i = 0; i < 1000; ++i) {
            const QString value = QString::number(i);
            QVERIFY(store.WritePrivateProfileString("s", value, value, kFile));
            expected.append(value);
        }
        QCOMPARE(fileBytes(dir.filePath("test.ini")), before);
        QCOMPARE(ReadProfileValue(store, "s", "999", kFile), "999");
        QCOMPARE(ReadProfileEntryNames(store, "s", kFile), expected);
    }
    QCOMPARE(ReadProfileEntryNames(store, "s", kFile), expected);
    QVERIFY(fileBytes(dir.filePath("test.ini")).startsWith(before));
}

void ProfileStoreTest::group_readsEachFileOnce() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[s]\nk=before\n"));
    ProfileStore store(dir.path());
    {
        ProfileStore::Group group(store);
        QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "before");
        QVERIFY(putFile(dir.filePath("test.ini"), "[s]\nk=edited by hand\n"));
        QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "before");
    }
    // The next group reads the file again and sees the hand edit, also one that keeps the
    // file's size and time stamp.
    QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "edited by hand");
    const QDateTime stamp = QFileInfo(dir.filePath("test.ini")).lastModified();
    QVERIFY(putFile(dir.filePath("test.ini"), "[s]\nk=EDITED BY HAND\n"));
    QFile file(dir.filePath("test.ini"));
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.setFileTime(stamp, QFileDevice::FileModificationTime));
    QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "EDITED BY HAND");
}

void ProfileStoreTest::group_firstWrite_rereadsUnderLock() {
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("test.ini"), "[s]\na=a\n"));
    ProfileStore store(dir.path());
    ProfileStore other(dir.path());
    {
        ProfileStore::Group group(store);
        QCOMPARE(ReadProfileEntryNames(store, "s", kFile), QStringList({"a"}));
        QVERIFY(other.WritePrivateProfileString("s", "b", "b", kFile));
        QVERIFY(store.WritePrivateProfileString("s", "c", "c", kFile));
        QCOMPARE(ReadProfileEntryNames(store, "s", kFile), QStringList({"a", "b", "c"}));
    }
    QCOMPARE(fileBytes(dir.filePath("test.ini")), "[s]\na=a\nb=b\nc=c\n");
}

void ProfileStoreTest::group_nested_onlyOutermostCommits() {
    QTemporaryDir dir;
    ProfileStore store(dir.path());
    {
        ProfileStore::Group outer(store);
        {
            ProfileStore::Group inner(store);
            QVERIFY(store.WritePrivateProfileString("s", "k", "v", kFile));
        }
        QVERIFY(!QFileInfo::exists(dir.filePath("test.ini")));
        QCOMPARE(ReadProfileValue(store, "s", "k", kFile), "v");
    }
    QCOMPARE(fileBytes(dir.filePath("test.ini")), "[s]\nk=v\n");
}

QTEST_GUILESS_MAIN(ProfileStoreTest)
#include "profile_store_test.moc"

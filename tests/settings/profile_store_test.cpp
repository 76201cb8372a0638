#include "settings/engine_file_name.h"
#include "settings/profile_reader.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvolin;

namespace {

const QString kFile = QStringLiteral("./test.ini");

// A fresh working folder holding test.ini (unless the bytes are null) and a store on it.
struct Scratch {
    QTemporaryDir dir;
    ProfileStore store{dir.path()};

    explicit Scratch(const QByteArray &bytes = {}) {
        if (!bytes.isNull())
            put(bytes);
    }
    bool put(const QByteArray &bytes, const QString &name = QStringLiteral("test.ini")) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QByteArray bytes(const QString &name = QStringLiteral("test.ini")) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool write(const QString &section, const QString &key, const QString &value) {
        return store.WritePrivateProfileString(section, key, value, kFile);
    }
    QString value(const QString &section, const QString &key) {
        return ReadProfileValue(store, section, key, kFile);
    }
    QStringList entries(const QString &section) {
        return ReadProfileEntryNames(store, section, kFile);
    }
    QStringList sections() { return ReadProfileSectionNames(store, kFile); }
};

} // namespace

class ProfileStoreTest : public QObject {
    Q_OBJECT

private slots:
    void raw_bufferCall_copiesAndCutsLikeThePlatform_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key"); // null: the section's entry names
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qsizetype>("count");
        const QByteArray v = "[v]\nk=abcdef\n[l]\none=1\n=\ntwo=2\n";
        // The cut rules themselves are fuzz_profile_reader's (CheckCut), replayed by ctest.
        // clang-format off
    QTest::newRow("missing file gives the default") << QByteArray() << "v" << "k" << qsizetype(6) << "dflt| " << qsizetype(4);
    QTest::newRow("missing section gives the default") << v << "s" << "k" << qsizetype(6) << "dflt| " << qsizetype(4);
    QTest::newRow("missing entry gives the default") << v << "v" << "x" << qsizetype(6) << "dflt| " << qsizetype(4);
    QTest::newRow("empty value is a value") << v << "l" << "" << qsizetype(3) << "|  " << qsizetype(0);
    QTest::newRow("list fits, empty name listed") << v << "l" << QString() << qsizetype(11) << "one||two|| " << qsizetype(9);
    QTest::newRow("no file, no names") << QByteArray() << "v" << QString() << qsizetype(3) << "|  " << qsizetype(0);
        // clang-format on
    }

    void raw_bufferCall_copiesAndCutsLikeThePlatform() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(qsizetype, size);
        Scratch s(file);
        QString buffer(size, u' ');
        const std::optional<QString> k = key.isNull() ? std::nullopt : std::optional(key);
        QTEST(s.store.GetPrivateProfileString(section, k, "dflt", buffer, size, kFile), "count");
        QTEST(buffer.replace(QChar(u'\0'), u'|'), "expected"); // "|" stands for NUL
    }

    void write_anyText_readsBackExactly_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        // clang-format off
    QTest::newRow("pair a=b=c remembers b=c as name and value") << "a=" << "b=c" << "b=c";
    QTest::newRow("equals sign first") << "k=" << "=x" << "=x";
    QTest::newRow("blanks and tabs at both ends") << " s\t" << " \tk " << "\t v \t";
    QTest::newRow("only blanks") << " " << "  " << "   ";
    QTest::newRow("double quotes around") << "\"s\"" << "\"k\"" << "\"v\"";
    QTest::newRow("single quotes around") << "'s'" << "'k'" << "'v'";
    QTest::newRow("lone quote") << "s" << "\"" << "\"";
    QTest::newRow("leading bracket") << "[s]" << "[k]" << "[v]";
    QTest::newRow("closing bracket inside section") << "a]b" << "]" << "]";
    QTest::newRow("leading semicolon") << ";s" << ";k" << ";v";
    QTest::newRow("leading hash") << "#s" << "#k" << "#v";
    QTest::newRow("LF that would start a section") << "s\n[Evil]" << "x\n[Evil]\ny=z" << "x\n[Evil]\ny=z";
    QTest::newRow("CR, CRLF and other controls") << "s\r" << "a\r\nb" << QString("\x01\x1f\x7f");
    QTest::newRow("backslash escapes spelled literally") << "\\x41" << "\\x5C\\" << "\\\\x3D\\";
    QTest::newRow("windows path") << "s" << "C:\\dir\\file" << "C:\\x\\";
    QTest::newRow("zero-width no-break space opening each field") << QString::fromUtf8("\uFEFFs") << QString::fromUtf8("\uFEFF\uFEFFk") << QString::fromUtf8("\uFEFFv");
    QTest::newRow("non-ASCII") << QString::fromUtf8("Ä日") << QString::fromUtf8("é€😀") << QString::fromUtf8("ü\u00a0ß");
    QTest::newRow("percent stays plain") << "q=" << "a%20b%" << "%C3%A9";
    QTest::newRow("empty section and value") << "" << "k" << "";
    QTest::newRow("empty entry name") << "s" << "" << "v";
    QTest::newRow("100,000 characters arrive whole") << "s" << QString(5000, u'k') << QString(100000, u'v');
        // clang-format on
    }

    void write_anyText_readsBackExactly() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        Scratch s("[Other]\nkeep=me\n");
        QVERIFY(s.write(section, key, "first"));
        QVERIFY(s.write(section, key, value));
        QVERIFY(s.write(section, key, value));
        QCOMPARE(s.value(section, key), value);
        QCOMPARE(s.store.readEntryList(section, kFile), key + QChar(u'\0'));
        QCOMPARE(s.store.readSectionList(kFile), "Other" + QChar(u'\0') + section + QChar(u'\0'));
        QCOMPARE(s.value("Other", "keep"), "me");
        // One header and one entry line were added, whatever the text holds.
        QCOMPARE(s.bytes().count('\n'), 4);
    }

    void read_foreignFile_readsAsThePlatformWould() {
        // Written by the platform or by hand: a BOM, CRLF, quotes, a Windows-1252 line among UTF-8
        // ones, an empty name, and a section and an entry spelled twice.
        Scratch s("\xEF\xBB\xBF[Engine]\r\nAltavista=Query?\r\nWeb=C:\\x\\q?\r\n=\r\n"
                  "na\xefve=\x80 \x9c\r\ncaf\xc3\xa9=\xc3\xa9t\xc3\xa9\r\nWeb=second\r\n"
                  "[LastUsed]\r\nquerykey=\"Query?\"\r\nengine='Alta'\r\n[Engine]\r\nm=4\r\n");
        QCOMPARE(s.sections(), QStringList({"Engine", "LastUsed", "Engine"}));
        QCOMPARE(s.entries("Engine"), QStringList({"Altavista", "Web", QString::fromUtf8("naïve"),
                                                   QString::fromUtf8("café"), "Web"}));
        QCOMPARE(s.value("Engine", "Web"), "C:\\x\\q?");
        QCOMPARE(s.value("Engine", QString::fromUtf8("naïve")), QString::fromUtf8("€ œ"));
        QCOMPARE(s.value("Engine", QString::fromUtf8("café")), QString::fromUtf8("été"));
        QCOMPARE(s.value("Engine", "m"), "");
        // The platform strips a pair of quotes around a value; so does the store.
        QCOMPARE(s.value("LastUsed", "querykey") + s.value("LastUsed", "engine"), "Query?Alta");
    }

    void readValue_handEditedSection_findsFirstEntryOfTheName_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        // Sections of 64 KB and more are indexed when looked up again.
        QByteArray large = "[s]\n";
        for (int i = 0; i < 10000; ++i)
            large += "f" + QByteArray::number(i) + "=x\n";
        // clang-format off
    QTest::newRow("name inside a long earlier value") << "[s]\nother=" + QByteArray(70, 'v') + "k=wrong\nk=right\n" << "k" << "right";
    QTest::newRow("name in a comment") << QByteArray("[s]\n;k=wrong\n# k=wrong\nk=right\n") << "k" << "right";
    QTest::newRow("blanks around the name") << QByteArray("[s]\n \tk \t= right\n") << "k" << "right";
    QTest::newRow("same name twice") << QByteArray("[s]\nk=first\nk=second\n") << "k" << "first";
    QTest::newRow("escaped spelling before the plain one") << QByteArray("[s]\n\\x6B=first\nk=second\n") << "k" << "first";
    QTest::newRow("escaped spelling only") << QByteArray("[s]\na=1\nk\\x41=escaped\n") << "kA" << "escaped";
    QTest::newRow("backslash without escape before") << QByteArray("[s]\np=C:\\dir\nk=right\n") << "k" << "right";
    QTest::newRow("Windows-1252 line before") << QByteArray("[s]\nna\xefve=1\nk=right\n") << "k" << "right";
    QTest::newRow("only in the next section") << QByteArray("[s]\na=1\n[t]\nk=wrong\n") << "k" << "dflt";
    QTest::newRow("only in an earlier section") << QByteArray("[t]\nk=wrong\n[s]\nk=right\n") << "k" << "right";
    QTest::newRow("last line without line end") << QByteArray("[s]\na=1\nk=right") << "k" << "right";
    QTest::newRow("plain section spelled first") << QByteArray("[s]\nk=first\n[\\x73]\nk=second\n") << "k" << "first";
    QTest::newRow("escaped section spelled first") << QByteArray("[\\x73]\nk=first\n[s]\nk=second\n") << "k" << "first";
    QTest::newRow("section name is a prefix of another") << QByteArray("[ss]\nk=wrong\n[s]\nk=right\n") << "k" << "right";
    QTest::newRow("name whose low byte is another name") << QByteArray("[s]\na=wrong\n") << QString::fromUtf8("š") << "dflt";
    QTest::newRow("large: same name twice") << large + "k=first\nk=second\n" << "k" << "first";
    QTest::newRow("large: escaped spelling first") << large + "\\x6B=first\nk=second\n" << "k" << "first";
    QTest::newRow("large: missing") << large + "kk=x\n[t]\nk=x\n" << "k" << "dflt";
        // clang-format on
    }

    void readValue_handEditedSection_findsFirstEntryOfTheName() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        Scratch s(file);
        // Twice: the second read reuses what the first built from the unchanged file.
        for (int read = 0; read < 2; ++read)
            QCOMPARE(s.store.readValue("s", key, kFile).value_or("dflt"), expected);
        for (const QString &name : s.entries("s")) // names of lines, none from inside a value
            QVERIFY2(s.store.readValue("s", name, kFile), qPrintable(name));
        // A write replaces that same entry and leaves the other spellings alone.
        QVERIFY(s.write("s", key, "new"));
        QCOMPARE(s.value("s", key), "new");
        if (expected != "dflt")
            QCOMPARE(s.bytes().size(), file.size() - expected.toUtf8().size() + 3);
    }

    // Each golden/<name>.ini states its rule in its comments; one write must turn it into exactly
    // golden/<name>.expected.ini. Generated files show that odd ones keep their bytes.
    void write_oneEntry_givesExpectedBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("expected");
        // clang-format off
    const auto golden = [](const QString &name) {
        QFile file(QStringLiteral(SETTINGS_GOLDEN_DIR "/") + name + ".ini");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
    };
    const auto row = [&](const char *name, const QString &section, const QString &key, const QString &value) {
        QTest::newRow(name) << golden(QString::fromUtf8(name)) << section << key << value << golden(QString::fromUtf8(name) + ".expected");
    };
    // Binary files, NUL bytes and lone CRs are in fuzz/corpus/fuzz_profile_roundtrip.
    const auto odd = [](const char *name, const QByteArray &bytes) {
        QTest::newRow(name) << bytes << "new" << "k" << "v" << bytes + "\n[new]\nk=v\n";
    };
    row("replace_keeps_other_lines", "hl=", "de", "new");
    row("append_after_last_entry", "hl=", "de", "de");
    row("crlf_line_ends", "b", "y", "2");
    row("no_final_line_end", "a", "y", "2");
    row("lone_cr_at_end", "s", "k", "new");
    row("windows1252_kept", "s", QString::fromUtf8("naïve"), "new");
    row("windows1252_rewritten", "s", QString::fromUtf8("naïve"), QString::fromUtf8("été"));
    row("duplicate_section", "s", "c", "new");
    row("escaping", "x\n[Evil]", " a=b", "\"C:\\dir\\x41\"\ny=z\"");
    row("bom_kept", "s", "k", "new");
    row("ordinary_names_plain", "url=", "a%2Fb+c-d_e.f", "x=y%20+z");
    row("case_counts", "s", "k", "new");
    // A null value forgets the entry.
    row("forget_one_of_three", "hl=", "de", QString());
    row("forget_last_value", "num=", "10", QString());
    const QByteArray plain = "[s]\nk=v\n";
    QTest::newRow("forget: missing entry") << plain << "s" << "x" << QString() << plain;
    QTest::newRow("forget: missing section") << plain << "t" << "k" << QString() << plain;
    QTest::newRow("forget: missing file stays missing") << QByteArray() << "s" << "k" << QString() << QByteArray();
    // A null key forgets the whole section.
    row("forget_key_name", "num=", QString(), QString());
    QTest::newRow("forget section: missing section") << plain << "t" << QString() << QString() << plain;
    QTest::newRow("forget section: missing file stays missing") << QByteArray() << "s" << QString() << QString() << QByteArray();
    QTest::newRow("forget section: first after a BOM, BOM kept") << QByteArray("\xEF\xBB\xBF[s]\nk=v\n[t]\n") << "s" << QString() << QString() << QByteArray("\xEF\xBB\xBF[t]\n");
    odd("no line end at all", QByteArray(200000, 'x'));
    odd("one 1 MB line", "[big]\nk=" + QByteArray(1 << 20, 'v'));
    odd("brackets everywhere", QByteArray(100000, '['));
    QTest::newRow("file opening with an empty line") << QByteArray("\n[s]\nk=v\n") << "s" << "n" << "w" << QByteArray("\n[s]\nk=v\nn=w\n");
        // clang-format on
    }

    void write_oneEntry_givesExpectedBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, expected);
        Scratch s(file);
        s.sections();
        const auto text = value.isNull() ? std::nullopt : std::optional(value);
        QVERIFY(key.isNull() ? s.store.removeSection(section, kFile)
                             : s.store.WritePrivateProfileString(section, key, text, kFile));
        QCOMPARE(s.bytes(), expected);
        QCOMPARE(QFileInfo::exists(s.dir.filePath("test.ini")), !expected.isNull());
        if (!key.isNull())
            QCOMPARE(s.store.readValue(section, key, kFile), text);
    }

    void path_outsideOrBelowFolder_isRefused_data() {
        QTest::addColumn<QString>("path");
        // clang-format off
    QTest::newRow("parent folder") << "../escape.ini";
    QTest::newRow("backslash sub-folder") << ".\\sub\\escape.ini";
    QTest::newRow("drive letter") << "C:escape.ini";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot-dot after ./") << "./..";
    QTest::newRow("the folder itself") << "./";
        // clang-format on
    }

    void path_outsideOrBelowFolder_isRefused() {
        QFETCH(QString, path);
        Scratch outer;
        QVERIFY(QDir(outer.dir.path()).mkpath("work/sub"));
        QVERIFY(outer.put("[s]\nk=outside\n", "escape.ini"));
        QVERIFY(outer.put("[s]\nk=below\n", "work/sub/escape.ini"));
        ProfileStore store(outer.dir.filePath("work"));
        QVERIFY(!store.WritePrivateProfileString("s", "k", "changed", path));
        QCOMPARE(ReadProfileValue(store, "s", "k", path), "");
        QCOMPARE(outer.bytes("escape.ini"), "[s]\nk=outside\n");
        QCOMPARE(outer.bytes("work/sub/escape.ini"), "[s]\nk=below\n");
        QCOMPARE(QDir(outer.dir.filePath("work")).entryList(QDir::Files), QStringList());
    }

    void group_manyWritesAcrossSections_reachDiskWhenOutermostEnds() {
        const QByteArray before = "[a]\nx=0\n\n[b]\ny=0\n";
        Scratch s(before);
        QByteArray a;
        QByteArray b;
        QStringList names{"x"};
        {
            ProfileStore::Group outer(s.store);
            {
                ProfileStore::Group inner(s.store);
                // Alternating sections, so no write finds its section where the previous one left.
                for (int i = 1; i <= 1000; ++i) {
                    const QString n = QString::number(i);
                    QVERIFY(s.write("a", "k" + n, n));
                    QVERIFY(s.write("b", "k" + n, "b" + n));
                    QVERIFY(s.write("c", "k", n));
                    a += ("k" + n + "=" + (i == 1 ? "again" : n) + "\n").toUtf8();
                    b += ("k" + n + "=b" + n + "\n").toUtf8();
                    names.append("k" + n);
                }
                QVERIFY(s.write("a", "x", "changed"));
                QVERIFY(s.write("a", "k1", "again"));
            }
            QCOMPARE(s.bytes(), before);
            QCOMPARE(s.value("c", "k"), "1000");
            QCOMPARE(s.entries("a"), names);
        }
        QCOMPARE(s.bytes(), "[a]\nx=changed\n" + a + "\n[b]\ny=0\n" + b + "[c]\nk=1000\n");
        // The group let go of the file: another store writes at once.
        ProfileStore other(s.dir.path());
        QVERIFY(other.WritePrivateProfileString("s", "k", "v", kFile));
    }

    void group_readsOnceButFirstWriteRereads() {
        Scratch s("[s]\na=a\n");
        ProfileStore other(s.dir.path());
        {
            ProfileStore::Group group(s.store);
            QCOMPARE(s.entries("s"), QStringList({"a"}));
            QVERIFY(s.put("[s]\na=by hand\n"));
            QCOMPARE(s.value("s", "a"), "a");
            // The first write reads again under the lock, so another process's write survives.
            QVERIFY(other.WritePrivateProfileString("s", "b", "b", kFile));
            QVERIFY(s.write("s", "c", "c"));
            QCOMPARE(s.entries("s"), QStringList({"a", "b", "c"}));
        }
        QCOMPARE(s.bytes(), "[s]\na=by hand\nb=b\nc=c\n");
        // The next group reads the file again, and sees an edit of the same size.
        QVERIFY(s.put("[s]\nb=b\n") && s.value("s", "b") == "b" && s.put("[s]\nb=B\n"));
        QCOMPARE(s.value("s", "b"), "B");
    }

    void write_folderLockedByAnotherProcess_failsAndKeepsFile() {
        Scratch s("[s]\nk=old\n");
        // Another instance's lock, on a descriptor of its own.
        const int held = ::open(QFile::encodeName(s.dir.filePath(".tarvolin.lock")).constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        const bool written = s.write("s", "k", "new");
        ::close(held);
        QVERIFY(!written);
        QCOMPARE(s.bytes(), "[s]\nk=old\n");
        QVERIFY(s.write("s", "k", "new"));
    }

    void write_besideOtherFiles_removesOnlyItsOwnTemporaries_data() {
        QTest::addColumn<QStringList>("planted"); // empty files put in the folder first
        QTest::addColumn<QStringList>("left");    // what must be there after the write, sorted
        // The user's own files beside them are in the crash test (store_fault_test).
        const QStringList alike{".tarvolin-save-0A1B2C3D4E5F", ".tarvolin-save-0a1b2c3d4e5",
                                ".tarvolin-save-0a1b2c3d4e5f6"};
        QTest::newRow("temporaries of killed writers, not their look-alikes")
            << alike + QStringList{".tarvolin-save-0a1b2c3d4e5f"}
            << alike + QStringList{".tarvolin.lock", "A.ini"};
    }

    void write_besideOtherFiles_removesOnlyItsOwnTemporaries() {
        QFETCH(QStringList, planted);
        Scratch s;
        for (const QString &name : planted)
            QVERIFY(s.put(QByteArray(), name));
        QVERIFY(s.store.WritePrivateProfileString("s", "k", "v", "./A.ini"));
        QCOMPARE(s.bytes("A.ini"), "[s]\nk=v\n");
        QTEST(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), "left");
    }

    void engineIniFile_name_givesOneSegmentInWorkingFolder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        // clang-format off
    QTest::newRow("blanks, case and non-ASCII kept") << QString::fromUtf8(" Süd Web ") << QString::fromUtf8("./ Süd Web .ini");
    QTest::newRow("empty name") << "" << "./.ini";
    QTest::newRow("only dots kept: a file in the folder") << ".." << "./...ini";
    QTest::newRow("dots inside a name kept") << "a..b." << "./a..b..ini";
    QTest::newRow("percent kept") << "50%" << "./50%.ini";
    QTest::newRow("percent before one hex digit kept") << "%a_" << "./%a_.ini";
    QTest::newRow("percent before two hex digits") << "a%2fb" << "./a%252fb.ini";
    QTest::newRow("climbing out") << "../../etc/x" << "./..%2F..%2Fetc%2Fx.ini";
    QTest::newRow("backslash and colon") << "a\\b:c" << "./a%5Cb%3Ac.ini";
    QTest::newRow("other forbidden and controls") << QString("*?\"<>|\t\x7f") << "./%2A%3F%22%3C%3E%7C%09%7F.ini";
    QTest::newRow("the main file's name, any case") << "TarVolin" << "./%54arVolin.ini";
    QTest::newRow("longer than the main file's name kept") << "tarvolin2" << "./tarvolin2.ini";
    QTest::newRow("a device name") << "con" << "./%63on.ini";
    QTest::newRow("a device name with an extension") << "Lpt1.txt" << "./%4Cpt1.txt.ini";
    QTest::newRow("device-like names kept") << "com10.console" << "./com10.console.ini";
    QTest::newRow("longest name kept: 251 bytes") << QString(124, u'é') + "abc" << "./" + QString(124, u'é') + "abc.ini";
        // clang-format on
    }

    void engineIniFile_name_givesOneSegmentInWorkingFolder() {
        QFETCH(QString, name);
        QTEST(EngineIniFile(name), "expected");
    }

    void engineIniFile_distinctNames_neverShareAFile() {
        // Names built to collide if escaping were not one to one.
        // clang-format off
        const QStringList names{"a/b", "a%2Fb", "a%252Fb", "a%b", "a%25b", ".", "%2E", "..", "", "x:y",
                                "x%3Ay", "...", "a.", "50%", "50%25", "%A/", "%A%2F", "%%41", "%41", "%",
                                "tarvolin", "%74arvolin", "NUL", "%4EUL", QString(300, u'x'),
                                QString(301, u'x'), QString(300, u'x') + "%7E", QString(300, u'x').replace(200, 1, u'~')};
        // clang-format on
        QSet<QString> files;
        for (const QString &name : names)
            files.insert(EngineIniFile(name));
        QCOMPARE(files.size(), names.size());
    }
};

QTEST_GUILESS_MAIN(ProfileStoreTest)
#include "profile_store_test.moc"

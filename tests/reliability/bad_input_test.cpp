// Hostile input through the real window: a 2 MB URL, control characters and broken UTF-8 pasted
// into the URL box, engine names no file system likes, and profile files that are binary, huge,
// one long line or without a line end. Nothing crashes, the window shows exactly what came in,
// and every byte of the files that the window did not mean to change stays.

#include "child_process.h"
#include "engine_dialog/dialog.h"
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvolin;
using namespace tarvolin::reliability;
using tarvolin::testing::entries;

namespace {

const QByteArray kMain("[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=Query?\n");

// Deterministic bytes of every value, NUL and line ends included.
QByteArray binaryBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 23);
    }
    return bytes;
}

// Values of a section and their count, read as the next start of the program would.
QStringList valuesIn(const QString &folder, const QString &engine, const QString &keyName) {
    ProfileStore store(folder);
    return ReadProfileEntryNames(store, keyName, EngineIniFile(engine));
}

} // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void parse_2MbUrlWith100000Pairs_remembersEveryValue();
    void paste_controlCharactersAndBrokenUtf8_rowsAndFileKeepThem_data();
    void paste_controlCharactersAndBrokenUtf8_rowsAndFileKeepThem();
    void engineName_hostile_staysInFolderAndComesBack_data();
    void engineName_hostile_staysInFolderAndComesBack();
    void profileFile_odd_startupAndParseWork_otherBytesStay_data();
    void profileFile_odd_startupAndParseWork_otherBytesStay();
    void mainFile_100MB_startupSwitchAndClose_changeOnlyTheirLines();
};

void BadInputTest::parse_2MbUrlWith100000Pairs_remembersEveryValue() {
    // 10,000 key names with ten values each: the engine file grows by 10,000 sections at once.
    constexpr int kPairs = 100000;
    constexpr int kNames = 10000;
    QTemporaryDir dir;
    const QByteArray handWritten = "; written by hand\n[ie=]\nUTF-8=UTF-8\n";
    QVERIFY(putFile(dir.filePath("tarvolin.ini"), kMain));
    QVERIFY(putFile(dir.filePath("Alpha.ini"), handWritten));
    QString url = QStringLiteral("https://search.example/Query?");
    QStringList firstRows;
    for (int n = 0; n < kPairs; ++n) {
        const QString pair = QStringLiteral("k%1=value-%2")
                                 .arg(n % kNames, 5, 10, QLatin1Char('0'))
                                 .arg(n, 6, 10, QLatin1Char('0'));
        url += pair + u'&';
        if (n < frmMain::kKeyRows)
            firstRows.append(pair);
    }
    url.chop(1);
    QVERIFY(url.size() > 2'000'000);

    InProcessWindow window(dir.path());
    window.parseAndCompose(url);
    QCOMPARE(window.rows(), firstRows);
    QCOMPARE(window.w.txtNewURL->text(),
             QStringLiteral("https://search.example/Query?") + firstRows.join(u'&'));
    // Every key name no row shows is offered: the hand-written one and 9,980 of the URL's.
    QCOMPARE(window.w.cmbAvailKeys->count(), kNames - frmMain::kKeyRows + 1);
    QCOMPARE(window.w.mnuKeys.size(), kNames - frmMain::kKeyRows + 1);

    ProfileStore store(dir.path());
    ProfileStore::Group group(store);
    const QString path = EngineIniFile(QStringLiteral("Alpha"));
    const QStringList sections = ReadProfileSectionNames(store, path);
    QCOMPARE(sections.size(), kNames + 1);
    qsizetype found = 0;
    for (const QString &section : sections)
        found += ReadProfileEntryNames(store, section, path).size();
    QCOMPARE(found, qsizetype(kPairs) + 1);
    QCOMPARE(ReadProfileEntryNames(store, QStringLiteral("k09999="), path).last(),
             QStringLiteral("value-099999"));
    QVERIFY(fileBytes(dir.filePath("Alpha.ini")).startsWith(handWritten));
}

void BadInputTest::paste_controlCharactersAndBrokenUtf8_rowsAndFileKeepThem_data() {
    QTest::addColumn<QByteArray>("clipboard"); // the query part, as raw bytes
    QTest::addColumn<QStringList>("rows");
    const QChar nul(u'\0');
    QTest::newRow("NUL in a value and in a key name")
        << QByteArray("a=x\0y&b\0c=2", 11)
        << QStringList{QStringLiteral("a=x") + nul + u'y',
                       QStringLiteral("b") + nul + u'c' + u'=' + u'2'};
    QTest::newRow("CR, LF and a section header")
        << QByteArray("a=one\r\ntwo&b=\r&c=\n[evil]\nx=y")
        << QStringList{QStringLiteral("a=one\r\ntwo"), QStringLiteral("b=\r"),
                       QStringLiteral("c=\n[evil]\nx=y")};
    QTest::newRow("line ends in key names")
        << QByteArray("a\nb=1&\r=2&[s]\n=3")
        << QStringList{QStringLiteral("a\nb=1"), QStringLiteral("\r=2"), QStringLiteral("[s]\n=3")};
    QTest::newRow("C0 controls, escape, tab and DEL")
        << QByteArray("a=\x01\x02\x1b\x7f\t&b=\x1f\x08")
        << QStringList{QStringLiteral("a=\x01\x02\x1b\x7f\t"), QStringLiteral("b=\x1f\x08")};
    QTest::newRow("broken UTF-8 becomes replacement characters")
        << QByteArray("a=\xff\xfe&b=\xc3(&c=ok\x80")
        << QStringList{QStringLiteral("a=\uFFFD\uFFFD"), QStringLiteral("b=\uFFFD("),
                       QStringLiteral("c=ok\uFFFD")};
    QTest::newRow("backslash escapes spelled literally")
        << QByteArray("a=\\x41\\x0A&b=C:\\dir\\")
        << QStringList{QStringLiteral("a=\\x41\\x0A"), QStringLiteral("b=C:\\dir\\")};
    // Web pages carry U+FEFF as an invisible word joiner; copied, it opens a value or a name.
    QTest::newRow("zero-width no-break space opening a value and a key name")
        << QByteArray("a=\xEF\xBB\xBFx&\xEF\xBB\xBF"
                      "b=1")
        << QStringList{QStringLiteral("a=\uFEFFx"), QStringLiteral("\uFEFF"
                                                                   "b=1")};
}

void BadInputTest::paste_controlCharactersAndBrokenUtf8_rowsAndFileKeepThem() {
    QFETCH(QByteArray, clipboard);
    QFETCH(QStringList, rows);
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath("tarvolin.ini"), kMain));
    InProcessWindow window(dir.path());
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), "http://e/Query?" + clipboard);
    QGuiApplication::clipboard()->setMimeData(data);

    window.w.txtParseMe->setFocus();
    QTest::keySequence(window.w.txtParseMe, QKeySequence::Paste);
    QTest::mouseClick(window.w.cmdParse, Qt::LeftButton);
    QTest::mouseClick(window.w.cmdNewURL, Qt::LeftButton);

    QCOMPARE(window.rows(), rows);
    QCOMPARE(window.w.txtNewURL->text(), QStringLiteral("http://e/Query?") + rows.join(u'&'));
    // Each value reads back exactly under its key name, and the file has one section per key
    // name: no text pasted can make a line or a section of its own.
    ProfileStore store(dir.path());
    ProfileStore::Group group(store);
    const QString path = EngineIniFile(QStringLiteral("Alpha"));
    QStringList listable;
    for (int i = 0; i < rows.size(); ++i) {
        const QString name = window.w.lblKey[i]->text();
        const QString value = window.w.txtKey[i]->text();
        QCOMPARE(ReadProfileValue(store, name, value, path), value);
        if (!name.contains(QChar(u'\0')))
            listable.append(name);
    }
    QCOMPARE(ReadProfileSectionNames(store, path), listable);
}

void BadInputTest::engineName_hostile_staysInFolderAndComesBack_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("byDialog");
    QTest::addColumn<bool>("fileFits");
    const QList<std::pair<const char *, QString>> names{
        {"empty", QString()},
        {"dot", QStringLiteral(".")},
        {"dot-dot", QStringLiteral("..")},
        {"slash", QStringLiteral("a/b")},
        {"parent with backslash", QStringLiteral("..\\x")},
        {"device name", QStringLiteral("CON")},
        {"equals sign", QStringLiteral("a=b")},
        {"closing bracket", QStringLiteral("a]b")},
        {"line feed", QStringLiteral("line\nbreak")},
        {"300 characters", QString(300, u'n')},
    };
    for (const auto &[label, name] : names) {
        const bool fits = name.size() < 250;
        QTest::addRow("%s, main profile file", label) << name << false << fits;
        QTest::addRow("%s, add-engine dialog", label) << name << true << fits;
    }
}

void BadInputTest::engineName_hostile_staysInFolderAndComesBack() {
    QFETCH(QString, engine);
    QFETCH(bool, byDialog);
    QFETCH(bool, fileFits);
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkdir(work));
    if (!byDialog) {
        ProfileStore store(work);
        QVERIFY(store.WritePrivateProfileString(QStringLiteral("Engine"), QStringLiteral("Alpha"),
                                                QStringLiteral("Query?"),
                                                QStringLiteral("./tarvolin.ini")));
        QVERIFY(store.WritePrivateProfileString(QStringLiteral("Engine"), engine,
                                                QStringLiteral("n?"),
                                                QStringLiteral("./tarvolin.ini")));
    }
    {
        InProcessWindow window(work);
        frmMain &w = window.w;
        w.showEngineDialog = openEngineDialog;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (byDialog) {
            QTest::mouseClick(w.cmdNewEngine, Qt::LeftButton);
            Dialog *dialog = w.findChild<Dialog *>();
            QVERIFY(dialog);
            dialog->txtNewEngine->setText(engine);
            dialog->txtNewQueryKey->setText(QStringLiteral("n?"));
            QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
            if (engine.isEmpty()) {
                QCOMPARE(window.prompter.informed,
                         QStringList{QStringLiteral("You must fill in both values")});
                QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
                QCOMPARE(entries(w.cmbEngine), QStringList{QStringLiteral("Altavista")});
                return;
            }
        } else if (engine.isEmpty()) {
            // An empty name is an empty list item, skipped like every empty item.
            QCOMPARE(entries(w.cmbEngine), QStringList{QStringLiteral("Alpha")});
            QVERIFY(w.close());
            QVERIFY(fileBytes(work + QStringLiteral("/tarvolin.ini")).contains("\n=n?\n"));
            return;
        } else {
            QCOMPARE(entries(w.cmbEngine), (QStringList{QStringLiteral("Alpha"), engine}));
            chooseByClick(w.cmbEngine, 1);
        }
        QCOMPARE(w.txtEngine->text(), engine);
        QCOMPARE(w.txtQueryKey->text(), QStringLiteral("n?"));
        window.parseAndCompose(QStringLiteral("http://x/n?hl=de&q=z"));
        QCOMPARE(window.rows(), (QStringList{QStringLiteral("hl=de"), QStringLiteral("q=z")}));
        QCOMPARE(w.txtNewURL->text(), QStringLiteral("http://x/n?hl=de&q=z"));
        QVERIFY(w.close());
    }
    // Every file stays in the working folder, as a plain file.
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("work")});
    for (const QFileInfo &file :
         QDir(work).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        QVERIFY2(file.isFile(), qPrintable(file.fileName()));
    QCOMPARE(valuesIn(work, engine, QStringLiteral("hl=")),
             fileFits ? QStringList{QStringLiteral("de")} : QStringList());

    // The next start shows the engine again and offers what was remembered for it.
    InProcessWindow again(work);
    QCOMPARE(again.w.txtEngine->text(), engine);
    QCOMPARE(again.w.txtQueryKey->text(), QStringLiteral("n?"));
    again.parseAndCompose(QStringLiteral("http://x/n?hl=fr"));
    QCOMPARE(entries(again.w.cmbKey[0]),
             fileFits ? (QStringList{QStringLiteral("de"), QStringLiteral("fr")}) : QStringList());
    QCOMPARE(again.w.txtNewURL->text(), QStringLiteral("http://x/n?hl=fr"));
}

void BadInputTest::profileFile_odd_startupAndParseWork_otherBytesStay_data() {
    // A null "after" means: the file must start with its old bytes, whatever is added.
    QTest::addColumn<QByteArray>("mainFile");
    QTest::addColumn<QByteArray>("engineFile");
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QByteArray>("mainAfter");
    QTest::addColumn<QByteArray>("engineAfter");
    QTest::addColumn<QStringList>("values"); // of hl= afterwards
    const QByteArray megabyte(1 << 20, 'v');
    const QStringList de{QStringLiteral("de")};
    const QStringList enDe{QStringLiteral("en"), QStringLiteral("de")};
    QTest::newRow("binary main file")
        << binaryBytes(100000) << QByteArray() << QStringLiteral("Altavista") << QByteArray()
        << QByteArray("[hl=]\nde=de\n") << de;
    QTest::newRow("binary engine file")
        << kMain << binaryBytes(100000) << QStringLiteral("Alpha") << kMain << QByteArray() << de;
    QTest::newRow("main file of one 1 MB line without line end")
        << megabyte << QByteArray() << QStringLiteral("Altavista") << QByteArray()
        << QByteArray("[hl=]\nde=de\n") << de;
    QTest::newRow("engine file with a 1 MB value")
        << kMain << "[hl=]\nen=" + megabyte + "\n[num=]\n10=10\n"
        << QStringLiteral("Alpha") << kMain << "[hl=]\nen=" + megabyte + "\nde=de\n[num=]\n10=10\n"
        << enDe;
    QTest::newRow("no line end after the last line")
        << kMain.chopped(1) << QByteArray("[hl=]\nen=en") << QStringLiteral("Alpha")
        << kMain.chopped(1) << QByteArray("[hl=]\nen=en\nde=de\n") << enDe;
    static constexpr char kCrMain[] = "[Engine]\r\nAl\0pha=x?\r\nAlpha=Query?\r\n[LastUsed]\r\n"
                                      "engine=Alpha\r\nquerykey=Query?\r\n";
    static constexpr char kNulEngine[] = "[h\0l=]\r\n\0=\0\r\n";
    const QByteArray crMain(kCrMain, sizeof(kCrMain) - 1);
    const QByteArray nulEngine(kNulEngine, sizeof(kNulEngine) - 1);
    QTest::newRow("CR line ends and NUL bytes in names")
        << crMain << nulEngine << QStringLiteral("Alpha") << crMain
        << nulEngine + "[hl=]\r\nde=de\r\n"
        << de;
}

void BadInputTest::profileFile_odd_startupAndParseWork_otherBytesStay() {
    QFETCH(QByteArray, mainFile);
    QFETCH(QByteArray, engineFile);
    QFETCH(QString, engine);
    QFETCH(QByteArray, mainAfter);
    QFETCH(QByteArray, engineAfter);
    QFETCH(QStringList, values);
    QTemporaryDir dir;
    const QString mainPath = dir.filePath(QStringLiteral("tarvolin.ini"));
    const QString enginePath = dir.filePath(EngineIniFile(engine).mid(2));
    QVERIFY(putFile(mainPath, mainFile));
    if (!engineFile.isNull())
        QVERIFY(putFile(enginePath, engineFile));
    {
        InProcessWindow window(dir.path());
        QCOMPARE(window.w.txtEngine->text(), engine);
        window.parseAndCompose(window.w.txtQueryKey->text().prepend(QStringLiteral("http://e/")) +
                               QStringLiteral("hl=de"));
        QCOMPARE(window.rows(), QStringList{QStringLiteral("hl=de")});
        QVERIFY(window.w.txtNewURL->text().endsWith(QStringLiteral("?hl=de")));
        QVERIFY(entries(window.w.cmbKey[0]).contains(QStringLiteral("de")));
        QVERIFY(window.w.close());
    }
    const QByteArray mainNow = fileBytes(mainPath);
    const QByteArray engineNow = fileBytes(enginePath);
    if (mainAfter.isNull())
        QCOMPARE(mainNow.first(mainFile.size()), mainFile);
    else
        QCOMPARE(mainNow, mainAfter);
    if (engineAfter.isNull())
        QCOMPARE(engineNow.first(engineFile.size()), engineFile);
    else
        QCOMPARE(engineNow, engineAfter);
    QCOMPARE(valuesIn(dir.path(), engine, QStringLiteral("hl=")), values);
}

void BadInputTest::mainFile_100MB_startupSwitchAndClose_changeOnlyTheirLines() {
    QTemporaryDir dir(ramFolderTemplate(QStringLiteral("tarvolin-huge")));
    QVERIFY(dir.isValid());
    // 100 MB of entries first, so start-up has to get past all of them to find its engines.
    QByteArray block;
    for (int i = 0; i < 20000; ++i)
        block += "filler" + QByteArray::number(i).rightJustified(8, '0') + '=' +
                 QByteArray(37, 'f') + '\n';
    QByteArray huge = "; generated\n[filler]\n" + block.repeated(100);
    const QByteArray tail = "[Engine]\nAlpha=a?\nBeta=b?\n[LastUsed]\nengine=Alpha\nquerykey=a?\n";
    huge += tail;
    QVERIFY(huge.size() > 100'000'000);
    QVERIFY(putFile(dir.filePath("tarvolin.ini"), huge));
    {
        InProcessWindow window(dir.path());
        frmMain &w = window.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(entries(w.cmbEngine),
                 (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")}));
        QCOMPARE(w.txtEngine->text(), QStringLiteral("Alpha"));
        chooseByClick(w.cmbEngine, 1);
        QCOMPARE(w.txtQueryKey->text(), QStringLiteral("b?"));
        window.parseAndCompose(QStringLiteral("http://e/b?hl=de"));
        QCOMPARE(window.rows(), QStringList{QStringLiteral("hl=de")});
        QCOMPARE(w.txtNewURL->text(), QStringLiteral("http://e/b?hl=de"));
        QVERIFY(w.close());
    }
    QByteArray expected = huge;
    expected.chop(tail.size());
    expected += "[Engine]\nAlpha=a?\nBeta=b?\n[LastUsed]\nengine=Beta\nquerykey=b?\n";
    const QByteArray after = fileBytes(dir.filePath("tarvolin.ini"));
    QCOMPARE(after.size(), expected.size());
    QCOMPARE(after, expected);
    QCOMPARE(valuesIn(dir.path(), QStringLiteral("Beta"), QStringLiteral("hl=")),
             QStringList{QStringLiteral("de")});
}

QTEST_MAIN(BadInputTest)
#include "bad_input_test.moc"

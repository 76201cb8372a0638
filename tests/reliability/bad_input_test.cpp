// Hostile input through the real window: a 2 MB URL, control characters in the URL box, engine
// names no file system likes. Nothing crashes, the window shows exactly what came in, the files
// read back exactly that, and nothing is written outside the working folder.

#include "engine_dialog/dialog.h"
#include "window_harness.h"

#include <QTest>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {

const QByteArray kMain("[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=Query?\n");

// Each filled row as key name + value, e.g. "hl=en".
QStringList rows(const frmMain &w) {
    QStringList list;
    for (int i = 0; i < frmMain::kKeyRows && !w.lblKey[i]->text().isEmpty(); ++i)
        list.append(w.lblKey[i]->text() + w.txtKey[i]->text());
    return list;
}

} // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void parse_2MbUrlWith100000Pairs_remembersEveryValue();
    void parse_controlCharacters_rowsAndFileKeepThem_data();
    void parse_controlCharacters_rowsAndFileKeepThem();
    void engineName_hostile_staysInFolderAndComesBack_data();
    void engineName_hostile_staysInFolderAndComesBack();
};

void BadInputTest::parse_2MbUrlWith100000Pairs_remembersEveryValue() {
    // 10,000 key names with ten values each: the engine file grows by 10,000 sections at once.
    constexpr int kPairs = 100000, kNames = 10000;
    WindowHarness h(kMain);
    const QByteArray handWritten = "; written by hand\n[ie=]\nUTF-8=UTF-8\n";
    h.writeFile(QStringLiteral("Alpha.ini"), handWritten);
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

    h.parse(url, true);
    QCOMPARE(rows(*h.window), firstRows);
    QCOMPARE(h.window->txtNewURL->text(),
             QStringLiteral("https://search.example/Query?") + firstRows.join(u'&'));
    // Every key name no row shows is offered: the hand-written one and 9,980 of the URL's.
    QCOMPARE(h.window->cmbAvailKeys->count(), kNames - frmMain::kKeyRows + 1);
    QCOMPARE(h.window->mnuKeys.size(), kNames - frmMain::kKeyRows + 1);

    // Every value is in the file, once.
    QCOMPARE(h.fileBytes(QStringLiteral("Alpha.ini")).count("=value-"), qsizetype(kPairs));
    QCOMPARE(h.valuesFor(QStringLiteral("Alpha"), QStringLiteral("k09999=")).last(),
             QStringLiteral("value-099999"));
    QVERIFY(h.fileBytes(QStringLiteral("Alpha.ini")).startsWith(handWritten));
}

void BadInputTest::parse_controlCharacters_rowsAndFileKeepThem_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows");
    const QChar nul(u'\0');
    // Web pages carry U+FEFF as an invisible word joiner; copied, it opens a value or a name.
    // clang-format off
    QTest::newRow("NUL in a value and in a key name") << QStringLiteral("a=x") + nul + QStringLiteral("y&b") + nul + QStringLiteral("c=2") << QStringList{QStringLiteral("a=x") + nul + u'y', QStringLiteral("b") + nul + QStringLiteral("c=2")};
    QTest::newRow("LF and a section header")          << QStringLiteral("a=one\ntwo&c=\n[evil]\nx=y") << QStringList{QStringLiteral("a=one\ntwo"), QStringLiteral("c=\n[evil]\nx=y")};
    QTest::newRow("U+FEFF opening a value and a name") << QStringLiteral("a=\uFEFFx&\uFEFFb=1") << QStringList{QStringLiteral("a=\uFEFFx"), QStringLiteral("\uFEFFb=1")};
    // clang-format on
}

void BadInputTest::parse_controlCharacters_rowsAndFileKeepThem() {
    QFETCH(QString, query);
    QFETCH(QStringList, rows);
    WindowHarness h(kMain);
    h.parse(QStringLiteral("http://e/Query?") + query, true);
    QCOMPARE(::rows(*h.window), rows);
    QCOMPARE(h.window->txtNewURL->text(), QStringLiteral("http://e/Query?") + rows.join(u'&'));
    // Each value reads back exactly under its key name, and the file has one section per key
    // name: no text can make a line or a section of its own.
    ProfileStore store(h.path);
    QStringList listable;
    for (int i = 0; i < rows.size(); ++i) {
        const QString name = h.window->lblKey[i]->text(), value = h.window->txtKey[i]->text();
        QCOMPARE(ReadProfileValue(store, name, value, QStringLiteral("./Alpha.ini")), value);
        if (!name.contains(QChar(u'\0')))
            listable.append(name);
    }
    QCOMPARE(ReadProfileSectionNames(store, QStringLiteral("./Alpha.ini")), listable);
}

void BadInputTest::engineName_hostile_staysInFolderAndComesBack_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("empty") << QString();
    QTest::newRow("dot-dot") << QStringLiteral("..");
    QTest::newRow("slash") << QStringLiteral("a/b");
    QTest::newRow("line feed") << QStringLiteral("line\nbreak");
    QTest::newRow("300 characters") << QString(300, u'n');
}

void BadInputTest::engineName_hostile_staysInFolderAndComesBack() {
    QFETCH(QString, engine);
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkdir(work));
    {
        WindowHarness h(QByteArray(), work);
        frmMain &w = *h.window;
        w.showEngineDialog = openEngineDialog;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.cmdNewEngine, Qt::LeftButton);
        Dialog *dialog = w.findChild<Dialog *>();
        QVERIFY(dialog);
        dialog->txtNewEngine->setText(engine);
        dialog->txtNewQueryKey->setText(QStringLiteral("n?"));
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        if (engine.isEmpty()) {
            QCOMPARE(h.prompter.informed,
                     QStringList{QStringLiteral("You must fill in both values")});
            QCOMPARE(entries(w.cmbEngine), QStringList{QStringLiteral("Altavista")});
            return;
        }
        QCOMPARE(w.txtEngine->text(), engine);
        h.parse(QStringLiteral("http://x/n?hl=de&q=z"), true);
        QCOMPARE(rows(w), (QStringList{QStringLiteral("hl=de"), QStringLiteral("q=z")}));
        QVERIFY(w.close());
    }
    // Every file stays in the working folder, as a plain file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("work")});
    for (const QFileInfo &file :
         QDir(work).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        QVERIFY2(file.isFile(), qPrintable(file.fileName()));

    // The next start shows the engine again and offers what was remembered for it, when the
    // name leaves room for a file name.
    WindowHarness again(QByteArray(), work);
    QCOMPARE(again.window->txtEngine->text(), engine);
    QCOMPARE(again.window->txtQueryKey->text(), QStringLiteral("n?"));
    again.parse(QStringLiteral("http://x/n?hl=fr"), true);
    QCOMPARE(entries(again.window->cmbKey[0]),
             engine.size() < 250 ? (QStringList{QStringLiteral("de"), QStringLiteral("fr")})
                                 : QStringList());
    QCOMPARE(again.window->txtNewURL->text(), QStringLiteral("http://x/n?hl=fr"));
}

QTEST_MAIN(BadInputTest)
#include "bad_input_test.moc"

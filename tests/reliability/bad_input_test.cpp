// Hostile input through the real window: a 2 MB URL and control characters in the URL box.
// Nothing crashes, the window shows exactly what came in and the files read back exactly that.
// Engine names no file system likes are in the dialog's tests.

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
    void parse_2MbUrlWith100000Pairs_remembersEveryValue() {
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

    void parse_controlCharacters_rowsAndFileKeepThem_data() {
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

    void parse_controlCharacters_rowsAndFileKeepThem() {
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
};

QTEST_MAIN(BadInputTest)
#include "bad_input_test.moc"

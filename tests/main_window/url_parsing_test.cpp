// Dissecting a URL into the key rows, remembering its values, rebuilding the lists.

#include "window_harness.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kMain("[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=Query?\n");
const QString kAlpha = QStringLiteral("Alpha");

QStringList menuCaptions(const frmMain &w) {
    QStringList list;
    for (const QAction *action : w.mnuKeys) {
        list.append(action->text());
    }
    return list;
}
} // namespace

class UrlParsingTest : public QObject {
    Q_OBJECT

private slots:
    void parse_exampleUrl_fillsRowsAndBase();
    void parse_pairShapes_data();
    void parse_pairShapes();
    void parse_twice_listsEveryRememberedValueOnce();
    void parse_saveFails_listsNoUnsavedValue();
    void parse_25Pairs_showsTwentyRemembersAll();
    void parse_poolAndMenu_mirrorUnshownKeyNames();
    void parse_emptyUrlBox_onlyEmptiesThePool();
    void parse_missingQueryKey_asksAndYesClearsUrl();
    void parse_missingQueryKey_noKeepsUrlAndBase();
    void click_intoUrlBox_selectsAllEveryTime();
};

void UrlParsingTest::parse_exampleUrl_fillsRowsAndBase() {
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    w.optKeyClear[6]->setChecked(true);
    h.parse(QStringLiteral("x/query?pg=q&kl=XX&q=test&Q=TEST"));

    QCOMPARE(w.vars.sUrlBase, QStringLiteral("x/query?"));
    QCOMPARE(w.vars.sParseUrl, QStringLiteral("x/query?pg=q&kl=XX&q=test&Q=TEST"));
    QCOMPARE(captions(w.lblKey), padded({"pg=", "kl=", "q=", "Q="}));
    QCOMPARE(texts(w.txtKey), padded({"q", "XX", "test", "TEST"}));
    QVERIFY(w.cmdNewURL->isEnabled());
    QVERIFY(!w.optKeyClear[6]->isChecked());
    // Drop-downs offer what is remembered; the "q=" one is disabled and empty.
    QCOMPARE(entries(w.cmbKey[0]), QStringList{QStringLiteral("q")});
    QCOMPARE(entries(w.cmbKey[1]), QStringList{QStringLiteral("XX")});
    QVERIFY(w.cmbKey[1]->isEnabled());
    QCOMPARE(w.cmbKey[1]->currentText(), QString());
    QCOMPARE(w.cmbKey[2]->count(), 0);
    QVERIFY(!w.cmbKey[2]->isEnabled());
    QCOMPARE(entries(w.cmbKey[3]), QStringList{QStringLiteral("TEST")});
    QVERIFY(w.cmbKey[3]->isEnabled());
    // Every value is remembered under its key name, but none under "q=".
    QCOMPARE(h.keyNamesFor(kAlpha), (QStringList{"pg=", "kl=", "Q="}));
    QVERIFY(!h.fileBytes(QStringLiteral("Alpha.ini")).contains("[q=]"));
}

void UrlParsingTest::parse_pairShapes_data() {
    QTest::addColumn<QString>("queryKey");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("values");
    const QString k = QStringLiteral("Query?");
    QTest::newRow("key found without regard to case, spelled as in the URL")
        << k << "h://e/QUERY?a=1"
        << "h://e/QUERY?" << QStringList{"a="} << QStringList{"1"};
    QTest::newRow("second occurrence of the key belongs to a value")
        << k << "u/Query?a=Query?b&c=2"
        << "u/Query?" << QStringList{"a=", "c="} << QStringList{"Query?b", "2"};
    QTest::newRow("URL ends right after the key: one empty pair")
        << k << "u/Query?"
        << "u/Query?" << QStringList{""} << QStringList{""};
    QTest::newRow("trailing and doubled '&' give empty pairs")
        << k << "u/Query?a=1&&b=2&"
        << "u/Query?" << QStringList{"a=", "", "b=", ""} << QStringList{"1", "", "2", ""};
    QTest::newRow("pair without '=' is all value")
        << k << "u/Query?abc"
        << "u/Query?" << QStringList{""} << QStringList{"abc"};
    QTest::newRow("later '=' belong to the value")
        << k << "u/Query?a=b=c&q="
        << "u/Query?" << QStringList{"a=", "q="} << QStringList{"b=c", ""};
    QTest::newRow("escapes and '+' stay as written")
        << k << "u/Query?s=a%20b+c"
        << "u/Query?" << QStringList{"s="} << QStringList{"a%20b+c"};
    QTest::newRow("'#' part stays in the last pair")
        << k << "u/Query?a=1&b=2#top"
        << "u/Query?" << QStringList{"a=", "b="} << QStringList{"1", "2#top"};
    QTest::newRow("repeated key name fills one row per pair")
        << k << "u/Query?a=1&a=2"
        << "u/Query?" << QStringList{"a=", "a="} << QStringList{"1", "2"};
    QTest::newRow("empty query key cuts the whole URL")
        << QString() << "x/p?a=1&b=2"
        << "" << QStringList{"x/p?a=", "b="} << QStringList{"1", "2"};
}

void UrlParsingTest::parse_pairShapes() {
    QFETCH(QString, queryKey);
    QFETCH(QString, url);
    QFETCH(QString, base);
    QFETCH(QStringList, names);
    QFETCH(QStringList, values);
    WindowHarness h(
        "[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=" + queryKey.toUtf8() + "\n");
    frmMain &w = *h.window;
    h.parse(url);
    QCOMPARE(h.prompter.asked, QStringList());
    QCOMPARE(w.vars.sUrlBase, base);
    QCOMPARE(captions(w.lblKey), padded(names));
    QCOMPARE(texts(w.txtKey), padded(values));
}

void UrlParsingTest::parse_twice_listsEveryRememberedValueOnce() {
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    h.parse(QStringLiteral("e/Query?hl=en&num=10"));
    // Values repeated within one parse and across parses are each written once.
    h.parse(QStringLiteral("e/Query?hl=de&q=x&hl=de&hl=en&ie=a b&ie=a b"));
    QCOMPARE(entries(w.cmbKey[0]), (QStringList{QStringLiteral("en"), QStringLiteral("de")}));
    QCOMPARE(entries(w.cmbKey[2]), entries(w.cmbKey[0]));
    QCOMPARE(h.fileBytes(QStringLiteral("Alpha.ini")),
             QByteArray("[hl=]\nen=en\nde=de\n[num=]\n10=10\n[ie=]\na b=a b\n"));
    // num= is known but not shown: it is offered in the pool.
    QCOMPARE(entries(w.cmbAvailKeys), QStringList{QStringLiteral("num=")});
}

void UrlParsingTest::parse_saveFails_listsNoUnsavedValue() {
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    // A link into a missing folder: the engine file locks and reads as empty, but cannot be saved.
    QVERIFY(QFile::link(h.dir.filePath(QStringLiteral("gone/Alpha.ini")),
                        h.dir.filePath(QStringLiteral("Alpha.ini"))));
    h.parse(QStringLiteral("e/Query?hl=en&num=10"));
    QCOMPARE(captions(w.lblKey), padded({"hl=", "num="}));
    QCOMPARE(entries(w.cmbKey[0]), QStringList());
    QCOMPARE(entries(w.cmbKey[1]), QStringList());
}

void UrlParsingTest::parse_25Pairs_showsTwentyRemembersAll() {
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    QStringList pairs, names, values;
    for (int n = 1; n <= 25; ++n) {
        pairs.append(QStringLiteral("k%1=v%1").arg(n));
        if (n <= 20) {
            names.append(QStringLiteral("k%1=").arg(n));
            values.append(QStringLiteral("v%1").arg(n));
        }
    }
    h.parse(QStringLiteral("e/Query?") + pairs.join(u'&'));
    QCOMPARE(captions(w.lblKey), names);
    QCOMPARE(texts(w.txtKey), values);
    QCOMPARE(h.keyNamesFor(kAlpha).size(), 25);
    QCOMPARE(h.valuesFor(kAlpha, QStringLiteral("k25=")), QStringList{QStringLiteral("v25")});
    // Pairs 21 to 25 are known key names that no row shows.
    QCOMPARE(entries(w.cmbAvailKeys), (QStringList{"k21=", "k22=", "k23=", "k24=", "k25="}));
}

void UrlParsingTest::parse_poolAndMenu_mirrorUnshownKeyNames() {
    WindowHarness h(kMain);
    h.writeFile(QStringLiteral("Alpha.ini"), "[q=]\n[hl=]\n[ie=]\n[num=]\n[start=]\n");
    frmMain &w = *h.window;

    h.parse(QStringLiteral("e/Query?q=x&hl=en"));
    const QStringList three{"ie=", "num=", "start="};
    QCOMPARE(entries(w.cmbAvailKeys), three);
    QCOMPARE(menuCaptions(w), three);
    QCOMPARE(w.mnuAddKey->actions(), w.mnuKeys);
    for (const QAction *action : w.mnuKeys) {
        QVERIFY(action->isVisible());
    }
    // Nothing in the pool is chosen until the user chooses it.
    QCOMPARE(w.cmbAvailKeys->currentIndex(), -1);

    h.parse(QStringLiteral("e/Query?q=x&hl=en&ie=utf&start=0"));
    QCOMPARE(menuCaptions(w), QStringList{QStringLiteral("num=")});
    QCOMPARE(w.mnuAddKey->actions(), w.mnuKeys);

    h.parse(QStringLiteral("e/Query?q=x&hl=en&ie=utf&start=0&num=5"));
    QCOMPARE(w.cmbAvailKeys->count(), 0);
    QCOMPARE(menuCaptions(w), QStringList{QString()});
    QCOMPARE(w.mnuAddKey->actions(), w.mnuKeys);
}

void UrlParsingTest::parse_emptyUrlBox_onlyEmptiesThePool() {
    WindowHarness h(kMain);
    h.writeFile(QStringLiteral("Alpha.ini"), "[ie=]\n");
    frmMain &w = *h.window;
    h.parse(QStringLiteral("e/Query?hl=en"));
    QCOMPARE(w.cmbAvailKeys->count(), 1);
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    const QString composed = w.txtNewURL->text();

    h.parse(QString());

    QCOMPARE(w.cmbAvailKeys->count(), 0);
    QCOMPARE(menuCaptions(w), QStringList{QString()});
    QCOMPARE(captions(w.lblKey), padded({QStringLiteral("hl=")}));
    QCOMPARE(w.txtNewURL->text(), composed);
    QCOMPARE(w.vars.sUrlBase, QStringLiteral("e/Query?"));
    QCOMPARE(h.prompter.asked, QStringList());
}

void UrlParsingTest::parse_missingQueryKey_asksAndYesClearsUrl() {
    WindowHarness h(kMain);
    h.showAndActivate();
    frmMain &w = *h.window;
    h.prompter.nextAnswer = true;
    w.cmdParse->setFocus();
    h.parse(QStringLiteral("http://e/search?a=1"));

    QCOMPARE(h.prompter.asked,
             QStringList{QStringLiteral(
                 "Could not find query key: Query? Would you like to clear the URL?")});
    QCOMPARE(h.prompter.titles, QStringList{QStringLiteral("Tarvolin")});
    QCOMPARE(w.txtParseMe->text(), QString());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.txtParseMe));
    QVERIFY(h.fileBytes(QStringLiteral("Alpha.ini")).isNull());
}

void UrlParsingTest::parse_missingQueryKey_noKeepsUrlAndBase() {
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    h.parse(QStringLiteral("e/Query?hl=en"));
    h.prompter.nextAnswer = false;
    h.parse(QStringLiteral("e/find?hl=de"));

    QCOMPARE(h.prompter.asked.size(), 1);
    QCOMPARE(w.txtParseMe->text(), QStringLiteral("e/find?hl=de"));
    QCOMPARE(captions(w.lblKey), padded({}));
    QVERIFY(w.cmdNewURL->isEnabled());
    QCOMPARE(w.vars.sParseUrl, QStringLiteral("e/find?hl=de"));
    // Composition still starts from the base of the last parse that found the key.
    QTest::keyClicks(w.txtKey[0], QStringLiteral("x"));
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    QCOMPARE(w.txtNewURL->text(), QStringLiteral("e/Query?"));
    QCOMPARE(h.valuesFor(kAlpha, QStringLiteral("hl=")), QStringList{QStringLiteral("en")});
}

void UrlParsingTest::click_intoUrlBox_selectsAllEveryTime() {
    WindowHarness h(kMain);
    h.showAndActivate();
    QLineEdit *box = h.window->txtParseMe;
    box->setText(QStringLiteral("http://e/Query?a=1&b=2"));
    for (const int x : {3, box->width() / 2, box->width() - 3, box->width() / 2}) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(x, box->height() / 2));
        QCOMPARE(box->selectedText(), box->text());
    }
}

QTEST_MAIN(UrlParsingTest)
#include "url_parsing_test.moc"

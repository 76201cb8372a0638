// Composing a URL from the base and the filled rows, selecting it, launching it.

#include "window_harness.h"

#include <QPushButton>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kMain("[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=Query?\n");
} // namespace

class UrlCompositionTest : public QObject {
    Q_OBJECT

private slots:
    void newUrl_takesRowsWithNameAndValue_data();
    void newUrl_takesRowsWithNameAndValue();
    void newUrl_typedValues_goInVerbatim();
    void newUrl_pressedAgain_overwritesTypedText();
    void click_intoComposedUrl_selectsAllEveryTime();
    void launch_handsOverExactTextWithOwner();
    void launch_emptyBox_launchesNothing();
};

void UrlCompositionTest::newUrl_takesRowsWithNameAndValue_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("composed");
    QTest::newRow("rows without value or without name leave no trace")
        << "B/Query?q=cats&x=&hl=en&y=&num=&z=&10"
        << "B/Query?q=cats&hl=en";
    QTest::newRow("no row takes part: base alone") << "B/Query?a=&b="
                                                   << "B/Query?";
    QTest::newRow("single row: no '&' at all") << "B/query?q=x"
                                               << "B/query?q=x";
    QTest::newRow("rows of both columns joined in index order")
        << "B/Query?a=&b=&c=&d=3&e=&f=&g=&h=&i=&j=&k=&l=&m=12&n="
        << "B/Query?d=3&m=12";
    QTest::newRow("blanks count as present") << "B/Query? = "
                                             << "B/Query? = ";
}

void UrlCompositionTest::newUrl_takesRowsWithNameAndValue() {
    QFETCH(QString, url);
    QFETCH(QString, composed);
    WindowHarness h(kMain);
    h.parse(url);
    QTest::mouseClick(h.window->cmdNewURL, Qt::LeftButton);
    QCOMPARE(h.window->txtNewURL->text(), composed);
}

void UrlCompositionTest::newUrl_typedValues_goInVerbatim() {
    WindowHarness h(kMain);
    h.showAndActivate();
    frmMain &w = *h.window;
    h.parse(QStringLiteral("http://e/Query?q=&hl=en"));
    QTest::keyClicks(w.txtKey[0], QStringLiteral("a b&c=%2"));
    w.txtKey[1]->clear();
    QTest::keyClicks(w.txtKey[5], QStringLiteral("no name"));
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    QCOMPARE(w.txtNewURL->text(), QStringLiteral("http://e/Query?q=a b&c=%2"));
    // Typed values are never remembered.
    QCOMPARE(h.valuesFor(QStringLiteral("Alpha"), QStringLiteral("hl=")),
             QStringList{QStringLiteral("en")});
    QCOMPARE(h.keyNamesFor(QStringLiteral("Alpha")), QStringList{QStringLiteral("hl=")});
}

void UrlCompositionTest::newUrl_pressedAgain_overwritesTypedText() {
    WindowHarness h(kMain);
    h.showAndActivate();
    frmMain &w = *h.window;
    h.parse(QStringLiteral("u/Query?a=1&b=2"));
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    const QString first = w.txtNewURL->text();
    QTest::keyClicks(w.txtNewURL, QStringLiteral("typed"));
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    QCOMPARE(w.txtNewURL->text(), first);
    QCOMPARE(first, QStringLiteral("u/Query?a=1&b=2"));
}

void UrlCompositionTest::click_intoComposedUrl_selectsAllEveryTime() {
    WindowHarness h(kMain);
    h.showAndActivate();
    QLineEdit *box = h.window->txtNewURL;
    box->setText(QStringLiteral("http://example.org/Query?q=one&hl=en"));
    for (const int x : {2, box->width() / 3, box->width() / 3, box->width() - 2}) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(x, box->height() / 2));
        QCOMPARE(box->selectedText(), box->text());
    }
    box->clear();
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(box->selectedText(), QString());
}

void UrlCompositionTest::launch_handsOverExactTextWithOwner() {
    WindowHarness h(kMain);
    h.showAndActivate();
    frmMain &w = *h.window;
    const QString typed = QStringLiteral(" http://e/Query?q=a b&x=%zz ");
    w.txtNewURL->setText(typed);
    QTest::mouseClick(w.cmdLaunch, Qt::LeftButton);
    QCOMPARE(h.opener.calls.size(), size_t(1));
    QCOMPARE(h.opener.calls[0].url, typed);
    QCOMPARE(h.opener.calls[0].owner, static_cast<quintptr>(w.winId()));
    QCOMPARE(w.txtNewURL->text(), typed);
}

void UrlCompositionTest::launch_emptyBox_launchesNothing() {
    WindowHarness h(kMain);
    h.showAndActivate();
    QTest::mouseClick(h.window->cmdLaunch, Qt::LeftButton);
    QCOMPARE(h.opener.calls.size(), size_t(0));
}

QTEST_MAIN(UrlCompositionTest)
#include "url_composition_test.moc"

// Moving key names between the pool and the rows, the pop-up key menu, decoded tool tips.

#include "window_harness.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kMain("[Engine]\nAlpha=a?\n[LastUsed]\nengine=Alpha\nquerykey=a?\n");
const QByteArray kKeys("[hl=]\nen=en\n[ie=]\nutf8=utf8\n[num=]\n10=10\n[start=]\n0=0\n");
const QString kUrl = QStringLiteral("http://e/a?q=cats&hl=en");

// A window that has parsed kUrl: rows "q=", "hl="; pool "ie=", "num=", "start=".
std::unique_ptr<WindowHarness> parsedWindow(const QByteArray &keys = kKeys) {
    auto h = std::make_unique<WindowHarness>(kMain);
    h->writeFile(QStringLiteral("Alpha.ini"), keys);
    h->showAndActivate();
    h->parse(kUrl);
    return h;
}

// What the pop-up's key submenu lists; an empty pool leaves one entry with no caption.
QStringList menuMirror(const frmMain &w) {
    QStringList shown;
    for (const QAction *action : w.mnuAddKey->actions()) {
        if (action->isVisible()) {
            shown.append(action->text());
        }
    }
    return shown;
}
QStringList expectedMirror(const frmMain &w) {
    const QStringList pool = entries(w.cmbAvailKeys);
    return pool.isEmpty() ? QStringList{QString()} : pool;
}

// Presses `button` on a label; `drive` gets the pop-up (or null when none opened) while the
// press is still being handled. Returns whether a pop-up opened.
bool pressLabel(QWidget *label, Qt::MouseButton button, const std::function<void(QMenu *)> &drive) {
    QObject context;
    bool ran = false, opened = false;
    QTimer::singleShot(0, &context, [&] {
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        opened = popup != nullptr;
        drive(popup);
        ran = true;
    });
    QTest::mouseClick(label, button);
    [&] { QTRY_VERIFY(ran); }();
    return opened;
}

// Opens "Add additional key" and returns its submenu, the first key highlighted.
QMenu *openKeys(QMenu *popup) {
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Right);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

void pick(QMenu *popup, int entry) {
    QMenu *keys = openKeys(popup);
    for (int i = 0; i < entry; ++i) {
        QTest::keyClick(keys, Qt::Key_Down);
    }
    QTest::keyClick(keys, Qt::Key_Return);
}

void dismiss(QMenu *popup) {
    QTest::keyClick(popup, Qt::Key_Escape);
}

// What a tool tip shows: markup-looking text would be rendered, so render it the same way.
QString shownToolTip(const QWidget *widget) {
    QTextDocument doc;
    if (Qt::mightBeRichText(widget->toolTip())) {
        doc.setHtml(widget->toolTip());
    } else {
        doc.setPlainText(widget->toolTip());
    }
    return doc.toPlainText();
}

// Moves the pointer over the box through its window, as the window system does; two points,
// since a move to where the pointer already is reaches no widget.
void hover(QWidget *box) {
    QWindow *window = box->window()->windowHandle();
    QTest::mouseMove(window, box->mapTo(box->window(), QPoint(2, 2)));
    QTest::mouseMove(window, box->mapTo(box->window(), QPoint(6, 4)));
}
} // namespace

class KeyRowEditingTest : public QObject {
    Q_OBJECT

private slots:
    void addKey_noChoiceOrNoFreeRow_changesNothing();
    void clearRow_givesKeyBackAndKeepsButtonSelected();
    void clearRow_thenAddAgain_landsInFirstFreeRow_data();
    void clearRow_thenAddAgain_landsInFirstFreeRow();
    void formerQueryRow_keepsDropDownDisabled_data();
    void formerQueryRow_keepsDropDownDisabled();
    void popup_pickSecondKey_fillsRowFromPool();
    void popup_largePool_pickFromSecondPart();
    void popup_dismissed_changesNothing();
    void popup_emptyPool_offersNoMoreKeysThatPicksNothing();
    void popup_wrongButtonOrNoUrl_opensNothing_data();
    void popup_wrongButtonOrNoUrl_opensNothing();
    void toolTip_showsDecodedCurrentText_data();
    void toolTip_showsDecodedCurrentText();
    void testButton_givesSlash();
};

void KeyRowEditingTest::addKey_noChoiceOrNoFreeRow_changesNothing() {
    auto h = parsedWindow();
    frmMain &w = *h->window;
    QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
    QCOMPARE(captions(w.lblKey), padded({u"q="_qs, u"hl="_qs}));
    QCOMPARE(entries(w.cmbAvailKeys).size(), 3);

    QStringList pairs;
    for (int i = 0; i < frmMain::kKeyRows; ++i) {
        pairs.append(QStringLiteral("k%1=v").arg(i));
    }
    h->parse(QStringLiteral("http://e/a?") + pairs.join(u'&'));
    const QStringList full = captions(w.lblKey);
    chooseEntry(w.cmbAvailKeys, 0);
    QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
    QCOMPARE(captions(w.lblKey), full);
    QCOMPARE(w.cmbAvailKeys->itemText(0), u"hl="_qs);
    QCOMPARE(menuMirror(w), expectedMirror(w));
}

void KeyRowEditingTest::clearRow_givesKeyBackAndKeepsButtonSelected() {
    auto h = parsedWindow();
    frmMain &w = *h->window;
    QTest::mouseClick(w.optKeyClear[1], Qt::LeftButton);
    QTest::mouseClick(w.optKeyClear[0], Qt::LeftButton);

    QCOMPARE(captions(w.lblKey), padded({}));
    QCOMPARE(texts(w.txtKey), padded({}));
    QCOMPARE(w.cmbKey[0]->count(), 0);
    QCOMPARE(entries(w.cmbAvailKeys),
             (QStringList{u"ie="_qs, u"num="_qs, u"start="_qs, u"hl="_qs, u"q="_qs}));
    QCOMPARE(menuMirror(w), expectedMirror(w));
    QVERIFY(w.optKeyClear[0]->isChecked());
    QVERIFY(!w.optKeyClear[1]->isChecked());
    // A second click on the selected button of a free row leaves it selected.
    QTest::mouseClick(w.optKeyClear[0], Qt::LeftButton);
    QVERIFY(w.optKeyClear[0]->isChecked());
    QCOMPARE(entries(w.cmbAvailKeys).size(), 5);
    // The remembered values stay in the file.
    QCOMPARE(h->valuesFor(u"Alpha"_qs, u"hl="_qs), QStringList{u"en"_qs});
}

void KeyRowEditingTest::clearRow_thenAddAgain_landsInFirstFreeRow_data() {
    QTest::addColumn<QList<int>>("cleared");
    QTest::addColumn<int>("landsIn");
    QTest::addColumn<bool>("row5StaysSelected");
    QTest::newRow("only row 5 free") << QList<int>{5} << 5 << false;
    QTest::newRow("a lower row free, row 5 selected") << QList<int>{2, 5} << 2 << true;
}

void KeyRowEditingTest::clearRow_thenAddAgain_landsInFirstFreeRow() {
    QFETCH(QList<int>, cleared);
    QFETCH(int, landsIn);
    QFETCH(bool, row5StaysSelected);
    auto h = parsedWindow();
    frmMain &w = *h->window;
    h->parse(QStringLiteral("http://e/a?a=1&b=2&c=3&d=4&e=5&f=6"));
    for (int row : cleared) {
        QTest::mouseClick(w.optKeyClear[row], Qt::LeftButton);
    }
    const int last = w.cmbAvailKeys->count() - 1;
    QCOMPARE(w.cmbAvailKeys->itemText(last), u"f="_qs);

    chooseEntry(w.cmbAvailKeys, last);
    QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);

    QCOMPARE(w.lblKey[landsIn]->text(), u"f="_qs);
    QCOMPARE(entries(w.cmbKey[landsIn]), QStringList{u"6"_qs});
    QCOMPARE(w.optKeyClear[5]->isChecked(), row5StaysSelected);
    QVERIFY(!entries(w.cmbAvailKeys).contains(u"f="_qs));
    QCOMPARE(menuMirror(w), expectedMirror(w));
    // The taken entry leaves no choice behind: a second click adds nothing more.
    const QStringList filled = captions(w.lblKey);
    QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
    QCOMPARE(captions(w.lblKey), filled);
}

void KeyRowEditingTest::formerQueryRow_keepsDropDownDisabled_data() {
    QTest::addColumn<int>("poolEntry");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("q= added back") << 4 << u"q="_qs << QStringList();
    QTest::newRow("another key in its place") << 0 << u"ie="_qs << QStringList{u"utf8"_qs};
}

void KeyRowEditingTest::formerQueryRow_keepsDropDownDisabled() {
    QFETCH(int, poolEntry);
    QFETCH(QString, key);
    QFETCH(QStringList, values);
    auto h = parsedWindow();
    frmMain &w = *h->window;
    QTest::mouseClick(w.optKeyClear[1], Qt::LeftButton);
    QTest::mouseClick(w.optKeyClear[0], Qt::LeftButton);

    chooseEntry(w.cmbAvailKeys, poolEntry);
    QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);

    QCOMPARE(w.lblKey[0]->text(), key);
    QCOMPARE(entries(w.cmbKey[0]), values);
    QVERIFY(!w.cmbKey[0]->isEnabled());
}

void KeyRowEditingTest::popup_pickSecondKey_fillsRowFromPool() {
    auto h = parsedWindow();
    frmMain &w = *h->window;
    QTest::mouseClick(w.optKeyClear[7], Qt::LeftButton);

    QVERIFY(pressLabel(w.lblKey[7], Qt::RightButton, [](QMenu *popup) { pick(popup, 1); }));

    QCOMPARE(captions(w.lblKey), padded({u"q="_qs, u"hl="_qs, {}, {}, {}, {}, {}, u"num="_qs}));
    QCOMPARE(entries(w.cmbKey[7]), QStringList{u"10"_qs});
    QVERIFY(!w.optKeyClear[7]->isChecked());
    QCOMPARE(entries(w.cmbAvailKeys), (QStringList{u"ie="_qs, u"start="_qs}));
    QCOMPARE(menuMirror(w), expectedMirror(w));
    QVERIFY(w.sPickedKey.isEmpty());
}

void KeyRowEditingTest::popup_largePool_pickFromSecondPart() {
    QByteArray keys;
    for (int i = 0; i < 600; ++i) {
        keys += QByteArrayLiteral("[k") + QByteArray::number(i) + QByteArrayLiteral("=]\n");
    }
    auto h = parsedWindow(keys);
    frmMain &w = *h->window;
    QVERIFY(pressLabel(w.lblKey[2], Qt::RightButton, [](QMenu *popup) {
        QMenu *parts = openKeys(popup);
        QTest::keyClick(parts, Qt::Key_Down);
        QTest::keyClick(parts, Qt::Key_Right);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    }));
    QCOMPARE(w.lblKey[2]->text(), u"k500="_qs);
    QCOMPARE(w.cmbAvailKeys->count(), 599);
    QCOMPARE(w.cmbAvailKeys->itemText(500), u"k501="_qs);
}

void KeyRowEditingTest::popup_dismissed_changesNothing() {
    auto h = parsedWindow();
    frmMain &w = *h->window;
    QVERIFY(pressLabel(w.lblKey[3], Qt::RightButton, dismiss));
    QCOMPARE(captions(w.lblKey), padded({u"q="_qs, u"hl="_qs}));
    QCOMPARE(entries(w.cmbAvailKeys).size(), 3);
    QCOMPARE(menuMirror(w), expectedMirror(w));
}

void KeyRowEditingTest::popup_emptyPool_offersNoMoreKeysThatPicksNothing() {
    auto h = parsedWindow("[hl=]\nen=en\n");
    frmMain &w = *h->window;
    QStringList offered;
    QVERIFY(pressLabel(w.lblKey[2], Qt::RightButton, [&](QMenu *popup) {
        QMenu *keys = openKeys(popup);
        offered = menuMirror(w);
        QTest::keyClick(keys, Qt::Key_Return);
    }));
    QCOMPARE(offered, QStringList{u"No more keys"_qs});
    QCOMPARE(captions(w.lblKey), padded({u"q="_qs, u"hl="_qs}));

    // Later, with a key back in the pool, a dismissed pop-up must not find a stale pick.
    QTest::mouseClick(w.optKeyClear[1], Qt::LeftButton);
    QCOMPARE(menuMirror(w), QStringList{u"hl="_qs});
    QVERIFY(pressLabel(w.lblKey[2], Qt::RightButton, dismiss));
    QCOMPARE(captions(w.lblKey), padded({u"q="_qs}));
    QCOMPARE(entries(w.cmbAvailKeys), QStringList{u"hl="_qs});
}

void KeyRowEditingTest::popup_wrongButtonOrNoUrl_opensNothing_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("emptyUrl");
    QTest::newRow("left button") << Qt::LeftButton << 4 << false;
    QTest::newRow("middle button") << Qt::MiddleButton << 4 << false;
    QTest::newRow("right button, URL box empty") << Qt::RightButton << 4 << true;
    QTest::newRow("right button, row holds a key") << Qt::RightButton << 1 << false;
}

void KeyRowEditingTest::popup_wrongButtonOrNoUrl_opensNothing() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, row);
    QFETCH(bool, emptyUrl);
    auto h = parsedWindow();
    frmMain &w = *h->window;
    if (emptyUrl) {
        w.txtParseMe->clear();
    }
    QVERIFY(!pressLabel(w.lblKey[row], button, [](QMenu *popup) {
        if (popup) {
            dismiss(popup);
        }
    }));
    QCOMPARE(captions(w.lblKey), padded({u"q="_qs, u"hl="_qs}));
    QCOMPARE(entries(w.cmbAvailKeys).size(), 3);
}

void KeyRowEditingTest::toolTip_showsDecodedCurrentText_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty box") << QString() << QString();
    QTest::newRow("space and slash") << u"a%20b%2fc+d"_qs << u"a b/c+d"_qs;
    QTest::newRow("8-bit code page") << u"caf%E9 %80"_qs << u"caf\u00E9 \u20AC"_qs;
    QTest::newRow("markup shown as text") << u"%3Cb%3Ebold%3C/b%3E"_qs << u"<b>bold</b>"_qs;
}

void KeyRowEditingTest::toolTip_showsDecodedCurrentText() {
    QFETCH(QString, value);
    QFETCH(QString, shown);
    auto h = parsedWindow();
    frmMain &w = *h->window;
    hover(w.txtKey[1]);
    QCOMPARE(shownToolTip(w.txtKey[1]), u"en"_qs);

    QTest::mouseClick(w.txtKey[1], Qt::LeftButton);
    w.txtKey[1]->selectAll();
    QTest::keyClicks(w.txtKey[1], value);
    if (value.isEmpty()) {
        QTest::keyClick(w.txtKey[1], Qt::Key_Delete);
    }
    hover(w.txtKey[1]);
    QCOMPARE(shownToolTip(w.txtKey[1]), shown);
    QCOMPARE(w.txtKey[1]->text(), value);
}

void KeyRowEditingTest::testButton_givesSlash() {
    WindowHarness h(kMain);
    h.window->cmdTest->click();
    QCOMPARE(h.window->txtTest->text(), u"/"_qs);
    QVERIFY(h.window->txtTest->isHidden());
}

QTEST_MAIN(KeyRowEditingTest)
#include "key_row_editing_test.moc"

// Moving key names between the pool and the rows, the pop-up key menu, decoded
// tool tips, and the same through a screen reader.

#include "window_harness.h"

#include <functional>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kKeys("[hl=]\nen=en\n[ie=]\nutf8=utf8\n[num=]\n10=10\n[start=]\n0=0\n");

// A shown window that has parsed "q=cats&hl=en": rows "q=", "hl="; pool "ie=",
// "num=", "start=".
std::unique_ptr<WindowHarness> parsedWindow(const QByteArray &keys = kKeys) {
    auto h = std::make_unique<WindowHarness>(
        "[Engine]\nAlpha=a?\n[LastUsed]\nengine=Alpha\nquerykey=a?\n");
    h->writeFile(u"Alpha.ini"_qs, keys);
    h->showAndActivate();
    h->parse(u"http://e/a?q=cats&hl=en"_qs);
    return h;
}

// Presses `button` on a label; `drive` gets the pop-up (or null when none
// opened) while the press is still being handled. Returns whether a pop-up
// opened.
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

// Opens "Add additional key" and returns its submenu, the first entry
// highlighted.
QMenu *openKeys(QMenu *popup) {
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Right);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}
void dismiss(QMenu *popup) {
    if (popup)
        QTest::keyClick(popup, Qt::Key_Escape);
}

// What a tool tip shows: markup-looking text would be rendered, so render it
// the same way.
QString shownToolTip(const QWidget *widget) {
    QTextDocument doc;
    if (Qt::mightBeRichText(widget->toolTip()))
        doc.setHtml(widget->toolTip());
    else
        doc.setPlainText(widget->toolTip());
    return doc.toPlainText();
}

// Moves the pointer over the box through its window, as the window system does;
// two points, since a move to where the pointer already is reaches no widget.
void hover(QWidget *box) {
    QWindow *window = box->window()->windowHandle();
    QTest::mouseMove(window, box->mapTo(box->window(), QPoint(2, 2)));
    QTest::mouseMove(window, box->mapTo(box->window(), QPoint(6, 4)));
}
} // namespace

class KeyRowEditingTest : public QObject {
    Q_OBJECT

private slots:
    void clearRow_givesKeyBack_addKeyPutsItInFirstFreeRow() {
        auto h = parsedWindow();
        frmMain &w = *h->window;
        h->parse(u"http://e/a?a=1&b=2&c=3&d=4&e=5&f=6"_qs);
        QTest::mouseClick(w.optKeyClear[0], Qt::LeftButton);
        // A screen reader's "Press" clears the row at once, as a click does.
        QAccessibleInterface *clear = QAccessible::queryAccessibleInterface(w.optKeyClear[5]);
        const QString press = QAccessibleActionInterface::pressAction();
        QCOMPARE(clear->role(), QAccessible::Button);
        QCOMPARE(clear->actionInterface()->actionNames().value(0), press);
        clear->actionInterface()->doAction(press);
        QCOMPARE(texts(w.lblKey) + texts(w.txtKey),
                 padded({"", "b=", "c=", "d=", "e="}) + padded({"", "2", "3", "4", "5"}));
        QCOMPARE(w.cmbKey[5]->count(), 0);
        QCOMPARE(entries(w.cmbAvailKeys),
                 (QStringList{"hl=", "ie=", "num=", "start=", "a=", "f="}));
        QCOMPARE(menuCaptions(w), entries(w.cmbAvailKeys));
        QVERIFY(w.optKeyClear[5]->isChecked() && !w.optKeyClear[0]->isChecked());
        // A second click on the selected button of a free row leaves it selected.
        QTest::mouseClick(w.optKeyClear[5], Qt::LeftButton);
        QVERIFY(w.optKeyClear[5]->isChecked());
        QCOMPARE(w.cmbAvailKeys->count(), 6);
        for (const int row : {0, 5}) {
            chooseEntry(w.cmbAvailKeys, w.cmbAvailKeys->count() - 1);
            QVERIFY(w.cmbAvailKeys->lineEdit()->isReadOnly());
            QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
            QCOMPARE(w.lblKey[row]->text(), row == 0 ? u"f="_qs : u"a="_qs);
            QCOMPARE(w.optKeyClear[5]->isChecked(), row == 0);
        }
        QCOMPARE(entries(w.cmbKey[0]) + entries(w.cmbKey[5]), (QStringList{"6", "1"}));
        // Refilling the lists leaves each value of a row filled before listed once.
        QCOMPARE(entries(w.cmbKey[2]), QStringList{"3"});
        QCOMPARE(menuCaptions(w), entries(w.cmbAvailKeys));
        // The taken entry leaves no choice behind: a second click adds nothing
        // more.
        QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
        QCOMPARE(texts(w.lblKey), padded({"f=", "b=", "c=", "d=", "e=", "a="}));
        QCOMPARE(h->valuesFor(u"Alpha"_qs, u"f="_qs), QStringList{"6"});
        // With every row taken, a chosen key has nowhere to go.
        h->parse(u"e/a?"_qs + QStringList(frmMain::kKeyRows, u"k=v"_qs).join(u'&'));
        chooseEntry(w.cmbAvailKeys, 0);
        QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
        QCOMPARE(texts(w.lblKey), QStringList(frmMain::kKeyRows, u"k="_qs));
    }

    void popup_pickSecondKey_fillsRowFromPool() {
        auto h = parsedWindow();
        frmMain &w = *h->window;
        QTest::mouseClick(w.optKeyClear[7], Qt::LeftButton);
        QVERIFY(pressLabel(w.lblKey[7], Qt::RightButton, [](QMenu *popup) {
            QMenu *keys = openKeys(popup);
            QTest::keyClick(keys, Qt::Key_Down);
            QTest::keyClick(keys, Qt::Key_Return);
        }));
        QCOMPARE(texts(w.lblKey), padded({"q=", "hl=", {}, {}, {}, {}, {}, "num="}));
        QCOMPARE(entries(w.cmbKey[7]), QStringList{"10"});
        QCOMPARE(entries(w.cmbKey[1]), QStringList{"en"});
        QVERIFY(!w.optKeyClear[7]->isChecked());
        QCOMPARE(entries(w.cmbAvailKeys), (QStringList{"ie=", "start="}));
        QCOMPARE(menuCaptions(w), entries(w.cmbAvailKeys));
        QVERIFY(w.sPickedKey.isEmpty());
    }

    void popup_largePool_pickFromSecondPart() {
        QByteArray keys;
        for (int i = 0; i < 600; ++i)
            keys += "[k" + QByteArray::number(i) + "=]\n";
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

    void popup_emptyPool_offersNoMoreKeysThatPicksNothing() {
        auto h = parsedWindow("[hl=]\nen=en\n");
        frmMain &w = *h->window;
        QStringList offered;
        QVERIFY(pressLabel(w.lblKey[2], Qt::RightButton, [&](QMenu *popup) {
            QMenu *keys = openKeys(popup);
            offered = menuCaptions(w);
            QTest::keyClick(keys, Qt::Key_Return);
        }));
        QCOMPARE(offered, QStringList{"No more keys"});
        QCOMPARE(texts(w.lblKey), padded({"q=", "hl="}));
        // Later, with a key back in the pool, a dismissed pop-up must not find a
        // stale pick.
        QTest::mouseClick(w.optKeyClear[1], Qt::LeftButton);
        QCOMPARE(menuCaptions(w), QStringList{"hl="});
        QVERIFY(pressLabel(w.lblKey[2], Qt::RightButton, dismiss));
        QCOMPARE(texts(w.lblKey), padded({"q="}));
        QCOMPARE(entries(w.cmbAvailKeys), QStringList{"hl="});
    }

    // Add key with no key chosen; left button on a free row, right button on a
    // row holding a key, right with no URL.
    void addKeyOrPopup_withoutChoiceOrUrl_changesNothing() {
        auto h = parsedWindow();
        frmMain &w = *h->window;
        QTest::mouseClick(w.cmdAddKey, Qt::LeftButton);
        QVERIFY(!pressLabel(w.lblKey[4], Qt::LeftButton, dismiss));
        QVERIFY(!pressLabel(w.lblKey[1], Qt::RightButton, dismiss));
        w.txtParseMe->clear();
        QVERIFY(!pressLabel(w.lblKey[4], Qt::RightButton, dismiss));
        QCOMPARE(texts(w.lblKey), padded({"q=", "hl="}));
        QCOMPARE(w.cmbAvailKeys->count(), 3);
    }

    // Closed, the list takes a screen reader's selection (of its row, or by the entry's action)
    // as a choice; open, its highlight chooses nothing.
    void valueList_accessibleSelectionChoosesOnlyWhileClosed() {
        auto h = parsedWindow("[hl=]\nen=en\nde=de\nfr=fr\n");
        QLineEdit *box = h->window->txtKey[1];
        QComboBox *combo = h->window->cmbKey[1];
        chooseEntry(combo, 0);
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(combo->view());
        list->tableInterface()->selectRow(1);
        QCOMPARE(box->text(), u"de"_qs);
        list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(box->text() + u'|' + combo->currentText(), u"fr|fr"_qs);
        // Back to the entry the open list last highlighted, by arrows on the closed list.
        QTest::keyClick(combo, Qt::Key_Up);
        QTest::keyClick(combo, Qt::Key_Up);
        box->selectAll();
        QTest::keyClicks(box, u"typed"_qs);
        combo->showPopup();
        QTRY_VERIFY(combo->view()->isVisible());
        QTest::keyClick(combo->view(), Qt::Key_Down);
        list->child(0)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(box->text(), u"typed"_qs);
        QTest::keyClick(combo->view(), Qt::Key_Escape);
    }

    void toolTip_showsDecodedCurrentText() {
        auto h = parsedWindow();
        h->parse(u"http://e/a?q=%3Cb%3E%C3%A9t%C3%A9"_qs);
        QLineEdit *box = h->window->txtKey[0];
        // A keyboard user tabs to the box; a screen reader reads its value decoded, as text.
        QTest::mouseClick(h->window->txtParseMe, Qt::LeftButton);
        for (int tabs = 0; tabs < 12 && QApplication::focusWidget() != box; ++tabs)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description),
                 u"<b>été"_qs);
        hover(box);
        QCOMPARE(shownToolTip(box), u"<b>été"_qs);
        QTest::mouseClick(box, Qt::LeftButton);
        // Markup is shown as text; an emptied box shows nothing.
        for (const auto &[value, shown] :
             {std::pair{u"a%20b%2fc+d"_qs, u"a b/c+d"_qs}, {QString(), QString()}}) {
            box->selectAll();
            QTest::keyClicks(box, value);
            if (value.isEmpty())
                QTest::keyClick(box, Qt::Key_Delete);
            hover(box);
            QCOMPARE(shownToolTip(box) + u'|' + box->text(), shown + u'|' + value);
        }
    }
};

QTEST_MAIN(KeyRowEditingTest)
#include "key_row_editing_test.moc"

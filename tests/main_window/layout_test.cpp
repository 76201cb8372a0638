// The controls of the main window: key rows, captions, initial states, menu, tab order.

#include "main_window/twips.h"
#include "window_harness.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

using namespace tarvolin;
using namespace tarvolin::testing;

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void window_atLoad_hasCaptionAndDesignedClientSize();
    void keyRows_allTwenty_lineUpInTwoColumns();
    void controls_atStart_areFreeAndInTheirFirstState();
    void popupMenu_atStart_holdsOneEmptyKeyEntry();
    void tabOrder_fromUrlBox_endsAtLaunch();
};

void LayoutTest::window_atLoad_hasCaptionAndDesignedClientSize() {
    WindowHarness h;
    QCOMPARE(h.window->windowTitle(), QStringLiteral("Tarvolin"));
    // Without a window frame (offscreen) the outer size leaves the designed client area.
    QCOMPARE(h.window->size(), QSize(twips(11655), twips(6375)));
    // Every control lies inside the client area.
    for (QWidget *child : h.window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) {
            continue;
        }
        QVERIFY2(h.window->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
}

void LayoutTest::keyRows_allTwenty_lineUpInTwoColumns() {
    WindowHarness h;
    frmMain &w = *h.window;
    for (int i = 0; i < frmMain::kKeyRows; ++i) {
        const QWidget *row[] = {w.lblKey[i], w.optKeyClear[i], w.txtKey[i], w.cmbKey[i]};
        // The four controls of a row share their top and stand left to right without overlap.
        for (int c = 1; c < 4; ++c) {
            QCOMPARE(row[c]->y(), row[0]->y());
            QVERIFY2(row[c - 1]->geometry().right() < row[c]->x(),
                     qPrintable(QStringLiteral("row %1, control %2").arg(i).arg(c)));
        }
        const int r = i % 10;
        if (r > 0) {
            QCOMPARE(w.lblKey[i]->y() - w.lblKey[i - 1]->y(), twips(360));
        }
        if (i >= 10) {
            const int left = i - 10;
            QCOMPARE(w.lblKey[i]->y(), w.lblKey[left]->y());
            QCOMPARE(w.lblKey[i]->x() - w.lblKey[left]->x(), twips(5760));
            QCOMPARE(w.txtKey[i]->x() - w.txtKey[left]->x(), twips(5760));
            // The wider value box pushes the drop-down right, keeping the gap between them.
            QVERIFY(w.txtKey[i]->width() > w.txtKey[left]->width());
            QCOMPARE(w.cmbKey[i]->x() - w.txtKey[i]->geometry().right(),
                     w.cmbKey[left]->x() - w.txtKey[left]->geometry().right());
        }
    }
    // The rows sit between the engine controls and the composed URL.
    QVERIFY(w.lblKey[0]->y() > w.cmbAvailKeys->geometry().bottom());
    QVERIFY(w.cmbKey[9]->geometry().bottom() < w.cmdNewURL->y());
    QCOMPARE(w.optKeyClear[0]->size(), QSize(twips(255), twips(255)));
}

void LayoutTest::controls_atStart_areFreeAndInTheirFirstState() {
    WindowHarness h;
    h.showAndActivate();
    frmMain &w = *h.window;
    QVERIFY(!w.cmdNewURL->isEnabled());
    QVERIFY(w.cmdLaunch->isEnabled());
    QVERIFY(w.txtEngine->isReadOnly());
    QVERIFY(w.txtQueryKey->isReadOnly());
    QVERIFY(w.cmdParse->isVisible());
    QVERIFY(!w.txtTest->isVisible());
    QVERIFY(!w.lblTest->isVisible());
    QVERIFY(!w.cmdTest->isVisible());
    QCOMPARE(w.cmbAvailKeys->count(), 0);
    QCOMPARE(captions(w.lblKey), padded({}));
    QCOMPARE(texts(w.txtKey), padded({}));
    for (int i = 0; i < frmMain::kKeyRows; ++i) {
        QCOMPARE(w.cmbKey[i]->count(), 0);
        QVERIFY(w.cmbKey[i]->isEnabled());
        QVERIFY(w.optKeyClear[i]->isEnabled());
        QVERIFY(!w.optKeyClear[i]->isChecked());
    }
}

void LayoutTest::popupMenu_atStart_holdsOneEmptyKeyEntry() {
    WindowHarness h;
    frmMain &w = *h.window;
    QCOMPARE(w.Popup->title(), QStringLiteral("Popup"));
    QCOMPARE(w.Popup->actions().size(), 1);
    QCOMPARE(w.Popup->actions().first()->menu(), w.mnuAddKey);
    QCOMPARE(w.mnuAddKey->title(), QStringLiteral("Add additional key"));
    QCOMPARE(w.mnuKeys.size(), 1);
    QCOMPARE(w.mnuAddKey->actions(), w.mnuKeys);
    QCOMPARE(w.mnuKeys[0]->text(), QString());
    QVERIFY(w.mnuKeys[0]->isVisible());
    h.showAndActivate();
    QVERIFY(!w.Popup->isVisible());
}

void LayoutTest::tabOrder_fromUrlBox_endsAtLaunch() {
    WindowHarness h;
    h.showAndActivate();
    frmMain &w = *h.window;
    w.txtParseMe->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.txtParseMe));

    QList<QWidget *> order{w.txtParseMe};
    for (int step = 0; step < 200; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *next = QApplication::focusWidget();
        if (next == w.txtParseMe) {
            break;
        }
        order.append(next);
    }
    QCOMPARE(order.value(1), static_cast<QWidget *>(w.cmdParse));
    QCOMPARE(order.value(2), static_cast<QWidget *>(w.cmdExit));
    QCOMPARE(order.last(), static_cast<QWidget *>(w.cmdLaunch));
    for (int i = 1; i < frmMain::kKeyRows; ++i) {
        QVERIFY(order.indexOf(w.txtKey[i - 1]) >= 0);
        QVERIFY(order.indexOf(w.txtKey[i - 1]) < order.indexOf(w.txtKey[i]));
    }
    QVERIFY(!order.contains(w.txtTest));
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"

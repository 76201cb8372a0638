// The rows' drop-downs refilled from the engine file, and the pop-up menu mirroring the pool.

#include "window_harness.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kMain("[Engine]\nAlpha=Query?\n[LastUsed]\nengine=Alpha\nquerykey=Query?\n");

// The key entries reachable from "Add additional key", in menu order, submenus included.
QList<QAction *> reachableEntries(const QMenu *menu) {
    QList<QAction *> found;
    for (QAction *action : menu->actions()) {
        if (action->menu()) {
            found += reachableEntries(action->menu());
        } else {
            found.append(action);
        }
    }
    return found;
}

QStringList keyNames(int count, const QString &prefix) {
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names.append(QStringLiteral("%1%2=").arg(prefix).arg(i));
    }
    return names;
}
} // namespace

class ValueListsTest : public QObject {
    Q_OBJECT

private slots:
    void fillCombos_freeRowAndHandWrittenQ_data();
    void fillCombos_freeRowAndHandWrittenQ();
    void keyMenu_followsEveryPoolSize_data();
    void keyMenu_followsEveryPoolSize();
    void keyMenu_largePool_entriesReportTheirPick();
};

void ValueListsTest::fillCombos_freeRowAndHandWrittenQ_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("free row is emptied") << QString() << QStringList() << true;
    QTest::newRow("q= section written by hand is listed but disabled")
        << QStringLiteral("q=") << QStringList{QStringLiteral("cats")} << false;
    QTest::newRow("Q= is an ordinary key")
        << QStringLiteral("Q=") << QStringList{QStringLiteral("DOGS")} << true;
    QTest::newRow("unknown key gives an empty list")
        << QStringLiteral("zz=") << QStringList() << true;
}

void ValueListsTest::fillCombos_freeRowAndHandWrittenQ() {
    QFETCH(QString, caption);
    QFETCH(QStringList, listed);
    QFETCH(bool, enabled);
    WindowHarness h(kMain);
    h.writeFile(QStringLiteral("Alpha.ini"), "[q=]\ncats=cats\n[Q=]\nDOGS=DOGS\n");
    frmMain &w = *h.window;
    w.cmbKey[7]->addItem(QStringLiteral("stale"));
    w.lblKey[7]->setText(caption);
    w.FillCombos();
    QCOMPARE(entries(w.cmbKey[7]), listed);
    QCOMPARE(w.cmbKey[7]->isEnabled(), enabled);
    QCOMPARE(w.cmbKey[7]->currentText(), QString());
}

void ValueListsTest::keyMenu_followsEveryPoolSize_data() {
    QTest::addColumn<QList<int>>("poolSizes");
    QTest::newRow("shrinking small pool") << QList<int>{3, 1, 0};
    QTest::newRow("into and out of a large pool") << QList<int>{2, 1200, 1201, 501, 500, 4, 0};
    QTest::newRow("large pool emptied at once") << QList<int>{1500, 0, 2};
}

void ValueListsTest::keyMenu_followsEveryPoolSize() {
    QFETCH(QList<int>, poolSizes);
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    for (const int size : poolSizes) {
        const QStringList pool = keyNames(size, QStringLiteral("k%1_").arg(size));
        w.cmbAvailKeys->clear();
        w.cmbAvailKeys->addItems(pool);
        w.UpdateAvailKeysMenu();

        QCOMPARE(w.mnuKeys.size(), std::max<qsizetype>(size, 1));
        QCOMPARE(reachableEntries(w.mnuAddKey), w.mnuKeys);
        if (size == 0) {
            QCOMPARE(w.mnuKeys[0]->text(), QString());
            continue;
        }
        QStringList shown;
        bool allVisible = true;
        for (const QAction *action : w.mnuKeys) {
            shown.append(action->text());
            allVisible = allVisible && action->isVisible();
        }
        QCOMPARE(shown, pool);
        QVERIFY(allVisible);
        // Small pools are one flat list under "Add additional key".
        if (size <= 500) {
            QCOMPARE(w.mnuAddKey->actions(), w.mnuKeys);
        }
    }
}

void ValueListsTest::keyMenu_largePool_entriesReportTheirPick() {
    WindowHarness h(kMain);
    frmMain &w = *h.window;
    w.cmbAvailKeys->addItems(keyNames(1300, QStringLiteral("key")));
    w.UpdateAvailKeysMenu();
    QSignalSpy picked(w.mnuAddKey, &QMenu::triggered);
    w.mnuKeys[1234]->trigger();
    QCOMPARE(picked.size(), 1);
    const auto *action = picked.first().first().value<QAction *>();
    QCOMPARE(w.mnuKeys.indexOf(action), 1234);
    QCOMPARE(action->text(), QStringLiteral("key1234="));
}

QTEST_MAIN(ValueListsTest)
#include "value_lists_test.moc"

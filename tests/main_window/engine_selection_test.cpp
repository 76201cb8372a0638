// Choosing an engine, offering known key names, choosing remembered values.

#include "window_harness.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kEngines("[Engine]\nAlpha=a?\nalpha=lower?\nNoKey=\nBeta=b?\n"
                          "[LastUsed]\nengine=Alpha\nquerykey=a?\n");
constexpr int kAlpha = 0, kLowerAlpha = 1, kNoKey = 2;
// What follows the typing: Return in the box, the focus moving on, or then a wheel turn.
constexpr int kEnter = 0, kFocusMovesOn = 1, kWheel = 2;

// One notch down over the middle of `target`, delivered as the window system delivers it
// (spontaneous, so the widget's focus policy applies first).
void turnWheel(QWidget *target) {
    const QPointF at = target->rect().center();
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(target, &event);
}
} // namespace

class EngineSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void chooseEngine_other_resetsWindowAndSwitches();
    void chooseEngine_current_changesOnlyTheEditField();
    void chooseEngine_withoutQueryKey_keepsShownQueryKey();
    void chooseEngine_optionButtons_reenabledOnlyWhenFirstIsDisabled_data();
    void chooseEngine_optionButtons_reenabledOnlyWhenFirstIsDisabled();
    void typedTextOrWheel_runsNoClickHandler_data();
    void typedTextOrWheel_runsNoClickHandler();
    void chooseValue_copiesItIntoTheRow();
    void keyList_offersUnshownSectionsInFileOrder();
    void keyList_calledTwice_listsEachNameTwice();
};

void EngineSelectionTest::chooseEngine_other_resetsWindowAndSwitches() {
    WindowHarness h(kEngines);
    h.showAndActivate();
    frmMain &w = *h.window;
    h.parse(QStringLiteral("http://e/a?hl=en&num=10"));
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    w.optKeyClear[3]->setChecked(true);
    w.cmbAvailKeys->addItem(QStringLiteral("old="));
    QVERIFY(!w.txtNewURL->text().isEmpty());

    chooseEntry(w.cmbEngine, kLowerAlpha);

    QCOMPARE(w.txtEngine->text(), QStringLiteral("alpha"));
    QCOMPARE(w.txtQueryKey->text(), QStringLiteral("lower?"));
    QCOMPARE(w.vars.sCurrentEngine, QStringLiteral("alpha"));
    QCOMPARE(w.vars.sCurrentQueryKey, QStringLiteral("lower?"));
    QCOMPARE(w.vars.sEngineIniFile, h.engineIni(QStringLiteral("alpha")));
    QCOMPARE(w.txtParseMe->text(), QString());
    QCOMPARE(w.txtNewURL->text(), QString());
    QVERIFY(!w.cmdNewURL->isEnabled());
    QCOMPARE(captions(w.lblKey), padded({}));
    QCOMPARE(texts(w.txtKey), padded({}));
    for (int i = 0; i < frmMain::kKeyRows; ++i) {
        QCOMPARE(w.cmbKey[i]->count(), 0);
        QVERIFY(!w.optKeyClear[i]->isChecked());
    }
    // The pool is left as the last parse made it; the switch writes no file.
    QCOMPARE(entries(w.cmbAvailKeys), QStringList{QStringLiteral("old=")});
    QVERIFY(h.fileBytes(QStringLiteral("alpha.ini")).isNull());
    // The engine list has become a pick list that still shows the choice.
    QCOMPARE(w.cmbEngine->currentText(), QStringLiteral("alpha"));
    QVERIFY(w.cmbEngine->lineEdit()->isReadOnly());
}

void EngineSelectionTest::chooseEngine_current_changesOnlyTheEditField() {
    WindowHarness h(kEngines);
    h.showAndActivate();
    frmMain &w = *h.window;
    h.parse(QStringLiteral("http://e/a?hl=en&num=10"));
    QTest::mouseClick(w.cmdNewURL, Qt::LeftButton);
    const QString composed = w.txtNewURL->text();

    chooseEntry(w.cmbEngine, kAlpha);

    QVERIFY(w.cmbEngine->lineEdit()->isReadOnly());
    QCOMPARE(w.txtParseMe->text(), QStringLiteral("http://e/a?hl=en&num=10"));
    QCOMPARE(w.txtNewURL->text(), composed);
    QVERIFY(w.cmdNewURL->isEnabled());
    QCOMPARE(captions(w.lblKey), padded({QStringLiteral("hl="), QStringLiteral("num=")}));
    QCOMPARE(w.cmbKey[0]->count(), 1);
}

void EngineSelectionTest::chooseEngine_withoutQueryKey_keepsShownQueryKey() {
    WindowHarness h(kEngines);
    h.showAndActivate();
    frmMain &w = *h.window;
    chooseEntry(w.cmbEngine, kNoKey);
    QCOMPARE(w.txtEngine->text(), QStringLiteral("NoKey"));
    QCOMPARE(w.txtQueryKey->text(), QStringLiteral("a?"));
    QCOMPARE(w.vars.sCurrentQueryKey, QStringLiteral("a?"));
    QCOMPARE(w.vars.sEngineIniFile, h.engineIni(QStringLiteral("NoKey")));
}

void EngineSelectionTest::chooseEngine_optionButtons_reenabledOnlyWhenFirstIsDisabled_data() {
    QTest::addColumn<int>("disabledRow");
    QTest::addColumn<bool>("expectEnabled");
    QTest::newRow("row 0 disabled: all enabled again") << 0 << true;
    QTest::newRow("row 0 enabled: row 5 stays disabled") << 5 << false;
}

void EngineSelectionTest::chooseEngine_optionButtons_reenabledOnlyWhenFirstIsDisabled() {
    QFETCH(int, disabledRow);
    QFETCH(bool, expectEnabled);
    WindowHarness h(kEngines);
    h.showAndActivate();
    frmMain &w = *h.window;
    w.optKeyClear[disabledRow]->setEnabled(false);
    w.optKeyClear[5]->setEnabled(false);
    chooseEntry(w.cmbEngine, kLowerAlpha);
    QCOMPARE(w.optKeyClear[5]->isEnabled(), expectEnabled);
    QCOMPARE(w.optKeyClear[disabledRow]->isEnabled(), expectEnabled);
}

void EngineSelectionTest::typedTextOrWheel_runsNoClickHandler_data() {
    QTest::addColumn<bool>("engineList");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("then");
    QTest::newRow("engine list, whole name, Enter") << true << "Beta" << kEnter;
    QTest::newRow("engine list, whole name, focus moves on") << true << "Beta" << kFocusMovesOn;
    QTest::newRow("engine list, start of a name is not completed") << true << "Be" << kEnter;
    QTest::newRow("engine list, wheel turned over it") << true << "" << kWheel;
    QTest::newRow("value list, whole value, Enter") << false << "de" << kEnter;
    QTest::newRow("value list, whole value, focus moves on") << false << "de" << kFocusMovesOn;
    QTest::newRow("value list, start of a value is not completed") << false << "d" << kFocusMovesOn;
    QTest::newRow("value list, wheel turned over it") << false << "" << kWheel;
}

void EngineSelectionTest::typedTextOrWheel_runsNoClickHandler() {
    QFETCH(bool, engineList);
    QFETCH(QString, typed);
    QFETCH(int, then);
    WindowHarness h(kEngines);
    h.writeFile(QStringLiteral("Alpha.ini"), "[hl=]\nen=en\nde=de\n");
    h.showAndActivate();
    frmMain &w = *h.window;
    h.parse(QStringLiteral("http://e/a?hl=fr"));
    QComboBox *combo = engineList ? w.cmbEngine : w.cmbKey[0];

    combo->setFocus();
    QTest::keyClicks(combo, typed);
    if (then == kEnter) {
        QTest::keyClick(combo, Qt::Key_Return);
    } else {
        w.txtParseMe->setFocus();
        QTRY_VERIFY(!combo->hasFocus());
    }
    if (then == kWheel) {
        turnWheel(combo->lineEdit());
        QVERIFY(!combo->hasFocus());
    }

    QCOMPARE(combo->currentText(), typed);
    QCOMPARE(combo->count(), engineList ? 4 : 3);
    QVERIFY(!combo->lineEdit()->isReadOnly());
    QCOMPARE(w.txtEngine->text(), QStringLiteral("Alpha"));
    QCOMPARE(w.txtKey[0]->text(), QStringLiteral("fr"));
    QCOMPARE(w.txtParseMe->text(), QStringLiteral("http://e/a?hl=fr"));
}

void EngineSelectionTest::chooseValue_copiesItIntoTheRow() {
    WindowHarness h(kEngines);
    h.writeFile(QStringLiteral("Alpha.ini"), "[num=]\n 50 =x\n");
    h.showAndActivate();
    frmMain &w = *h.window;
    h.parse(QStringLiteral("http://e/a?a=1&b=2&c=3&num=%2010&e=5"));
    QCOMPARE(entries(w.cmbKey[3]), (QStringList{QStringLiteral("50"), QStringLiteral("%2010")}));

    chooseEntry(w.cmbKey[3], 1);

    QCOMPARE(w.txtKey[3]->text(), QStringLiteral("%2010"));
    QVERIFY(w.cmbKey[3]->lineEdit()->isReadOnly());
    QCOMPARE(w.cmbKey[3]->currentText(), QStringLiteral("%2010"));
    QCOMPARE(w.txtKey[2]->text(), QStringLiteral("3"));
}

void EngineSelectionTest::keyList_offersUnshownSectionsInFileOrder() {
    WindowHarness h(kEngines);
    h.writeFile(QStringLiteral("Alpha.ini"), "[q=]\n[hl=]\nen=en\n[ie=]\n[Q=]\n[]\n[num=]\n");
    frmMain &w = *h.window;
    h.parse(QStringLiteral("http://e/a?q=x&hl=en"));
    QCOMPARE(entries(w.cmbAvailKeys),
             (QStringList{QStringLiteral("ie="), QStringLiteral("Q="), QStringLiteral("num=")}));
    QCOMPARE(entries(w.cmbKey[1]), QStringList{QStringLiteral("en")});
}

void EngineSelectionTest::keyList_calledTwice_listsEachNameTwice() {
    WindowHarness h(kEngines);
    h.writeFile(QStringLiteral("Alpha.ini"), "[ie=]\n[num=]\n");
    frmMain &w = *h.window;
    w.UpdateSearchEngineKeyList();
    w.UpdateSearchEngineKeyList();
    QCOMPARE(entries(w.cmbAvailKeys), (QStringList{QStringLiteral("ie="), QStringLiteral("num="),
                                                   QStringLiteral("ie="), QStringLiteral("num=")}));
}

QTEST_MAIN(EngineSelectionTest)
#include "engine_selection_test.moc"

// Start-up restores the engine shown last; every way of closing saves it.

#include "window_harness.h"

#include <QPushButton>

using namespace tarvolin;
using namespace tarvolin::testing;

class StartupShutdownTest : public QObject {
    Q_OBJECT

private slots:
    void load_noMainFile_createsDefaultEngine();
    void load_noMainFile_closeStoresDefaultAsLastUsed();
    void load_engineSectionWithoutNames_data();
    void load_engineSectionWithoutNames();
    void load_enginesWithoutLastUsed_showsNothingAndCloseWritesNothing();
    void load_lastUsedEngineNotListed_isShownAsStored();
    void load_engineList_keepsFileOrderWithNoEntryChosen();
    void close_byExitOrCloseBox_storesSamePair_data();
    void close_byExitOrCloseBox_storesSamePair();
    void close_emptyQueryKey_storesEmptyQueryKey();
    void close_whileDisabled_refusesOnlyTheCloseBox();
};

void StartupShutdownTest::load_noMainFile_createsDefaultEngine() {
    WindowHarness h;
    frmMain &w = *h.window;
    QCOMPARE(entries(w.cmbEngine), QStringList{QStringLiteral("Altavista")});
    QCOMPARE(w.txtEngine->text(), QStringLiteral("Altavista"));
    QCOMPARE(w.txtQueryKey->text(), QStringLiteral("Query?"));
    QCOMPARE(w.vars.sMainIniFile, h.mainIni());
    QCOMPARE(w.vars.sEngineIniFile, h.engineIni(QStringLiteral("Altavista")));
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")),
             QByteArray("[Engine]\nAltavista=Query?\n"));
}

void StartupShutdownTest::load_noMainFile_closeStoresDefaultAsLastUsed() {
    WindowHarness h;
    h.window->show();
    QVERIFY(h.window->close());
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")),
             QByteArray("[Engine]\nAltavista=Query?\n"
                        "[LastUsed]\nengine=Altavista\nquerykey=Query?\n"));
}

void StartupShutdownTest::load_engineSectionWithoutNames_data() {
    QTest::addColumn<QByteArray>("engines");
    QTest::addColumn<bool>("createsDefault");
    QTest::newRow("no entries: default engine, LastUsed not read") << QByteArray() << true;
    QTest::newRow("an empty-named entry is listed: LastUsed restored")
        << QByteArray("=q?\n") << false;
}

void StartupShutdownTest::load_engineSectionWithoutNames() {
    QFETCH(QByteArray, engines);
    QFETCH(bool, createsDefault);
    const QByteArray before = "[Engine]\n" + engines + "[LastUsed]\nengine=Other\nquerykey=o?\n";
    WindowHarness h(before);
    QCOMPARE(entries(h.window->cmbEngine),
             createsDefault ? QStringList{QStringLiteral("Altavista")} : QStringList());
    QCOMPARE(h.window->txtEngine->text(), createsDefault ? u"Altavista"_qs : u"Other"_qs);
    QCOMPARE(h.window->txtQueryKey->text(), createsDefault ? u"Query?"_qs : u"o?"_qs);
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")) == before, !createsDefault);
    // The stored pair is still there, untouched, until the window closes.
    QCOMPARE(h.mainValue(QStringLiteral("LastUsed"), QStringLiteral("engine")),
             QStringLiteral("Other"));
}

void StartupShutdownTest::load_enginesWithoutLastUsed_showsNothingAndCloseWritesNothing() {
    const QByteArray before("[Engine]\nAlpha=a?\nBeta=b?\n");
    WindowHarness h(before);
    frmMain &w = *h.window;
    QCOMPARE(w.txtEngine->text(), QString());
    QCOMPARE(w.txtQueryKey->text(), QString());
    QCOMPARE(w.vars.sEngineIniFile, h.engineIni(QString()));
    w.show();
    QVERIFY(w.close());
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")), before);
}

void StartupShutdownTest::load_lastUsedEngineNotListed_isShownAsStored() {
    WindowHarness h("[Engine]\nAlpha=a?\n[LastUsed]\nengine=Gone\nquerykey=g?\n");
    frmMain &w = *h.window;
    QCOMPARE(w.txtEngine->text(), QStringLiteral("Gone"));
    QCOMPARE(w.txtQueryKey->text(), QStringLiteral("g?"));
    QCOMPARE(w.vars.sCurrentEngine, QStringLiteral("Gone"));
    QCOMPARE(w.vars.sCurrentQueryKey, QStringLiteral("g?"));
    QCOMPARE(w.vars.sEngineIniFile, h.engineIni(QStringLiteral("Gone")));
    QCOMPARE(entries(w.cmbEngine), QStringList{QStringLiteral("Alpha")});
}

void StartupShutdownTest::load_engineList_keepsFileOrderWithNoEntryChosen() {
    WindowHarness h("[Engine]\nZeta=z?\nalpha=a?\nMid=m?\n[LastUsed]\nengine=Mid\n"
                    "querykey=m?\n");
    frmMain &w = *h.window;
    QCOMPARE(entries(w.cmbEngine),
             (QStringList{QStringLiteral("Zeta"), QStringLiteral("alpha"), QStringLiteral("Mid")}));
    QCOMPARE(w.cmbEngine->currentIndex(), -1);
    QCOMPARE(w.cmbEngine->currentText(), QString());
    QCOMPARE(w.cmbAvailKeys->count(), 0);
    QCOMPARE(captions(w.lblKey), padded({}));
}

void StartupShutdownTest::close_byExitOrCloseBox_storesSamePair_data() {
    QTest::addColumn<bool>("byExit");
    QTest::newRow("Exit button") << true;
    QTest::newRow("close box") << false;
}

void StartupShutdownTest::close_byExitOrCloseBox_storesSamePair() {
    QFETCH(bool, byExit);
    WindowHarness h("[Engine]\nAlpha=a?\nBeta=b?\n[LastUsed]\nengine=Alpha\nquerykey=a?\n");
    h.showAndActivate();
    chooseEntry(h.window->cmbEngine, 1);
    if (byExit) {
        QTest::mouseClick(h.window->cmdExit, Qt::LeftButton);
    } else {
        QVERIFY(clickCloseBox(h.window.get()));
    }
    QTRY_VERIFY(!h.window->isVisible());
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")),
             QByteArray("[Engine]\nAlpha=a?\nBeta=b?\n[LastUsed]\nengine=Beta\nquerykey=b?\n"));
}

void StartupShutdownTest::close_emptyQueryKey_storesEmptyQueryKey() {
    WindowHarness h("[Engine]\nAlpha=a?\n[LastUsed]\nengine=Alpha\n");
    QCOMPARE(h.window->txtQueryKey->text(), QString());
    h.window->show();
    QVERIFY(h.window->close());
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")),
             QByteArray("[Engine]\nAlpha=a?\n[LastUsed]\nengine=Alpha\nquerykey=\n"));
}

void StartupShutdownTest::close_whileDisabled_refusesOnlyTheCloseBox() {
    WindowHarness h;
    const QByteArray before = h.fileBytes(QStringLiteral("tarvolin.ini"));
    h.window->show();
    h.window->setEnabled(false);
    QVERIFY(!clickCloseBox(h.window.get()));
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.fileBytes(QStringLiteral("tarvolin.ini")), before);
    // Quitting the application closes every window from code: that close saves.
    QApplication::closeAllWindows();
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.mainValue(QStringLiteral("LastUsed"), QStringLiteral("engine")),
             QStringLiteral("Altavista"));
}

QTEST_MAIN(StartupShutdownTest)
#include "startup_shutdown_test.moc"

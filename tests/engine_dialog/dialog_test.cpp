// The add-engine dialog over a real main window: opening, each way of closing, what OK writes.

#include "engine_dialog/dialog.h"
#include "window_harness.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
const QByteArray kMain("[Engine]\nAlpha=a?\nBeta=b?\n[LastUsed]\nengine=Alpha\nquerykey=a?\n");

// A shown main window whose "Add new engine" opens the real dialog.
struct Fixture {
    Fixture() {
        w.showEngineDialog = openEngineDialog;
        h.showAndActivate();
    }
    // Clicks "Add new engine"; the open dialog, or null.
    Dialog *open() {
        QTest::mouseClick(w.cmdNewEngine, Qt::LeftButton);
        d = nullptr;
        for (Dialog *dialog : w.findChildren<Dialog *>()) {
            if (dialog->isVisible()) {
                d = dialog;
            }
        }
        return d;
    }
    void type(const QString &engine, const QString &queryKey) {
        QTest::keyClicks(d->txtNewEngine, engine);
        QTest::keyClicks(d->txtNewQueryKey, queryKey);
    }

    WindowHarness h{kMain};
    frmMain &w = *h.window;
    QPointer<Dialog> d;
};

QWidget *focused() {
    return QApplication::focusWidget();
}

QString nameOf(QObject *control) {
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
}

// What a screen reader walking the window finds without a name: "class at path" each.
QStringList namelessControls(QAccessibleInterface *node, const QString &path = QString()) {
    QStringList nameless;
    if (node->state().invisible) {
        return nameless;
    }
    if (node->text(QAccessible::Name).isEmpty()) {
        nameless.append(QString::fromLatin1(node->object()->metaObject()->className()) +
                        u" at "_qs + path);
    }
    for (int i = 0; i < node->childCount(); ++i) {
        nameless += namelessControls(node->child(i), path + u'/' + QString::number(i));
    }
    return nameless;
}
} // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void open_disablesMainWindowAndStartsEmpty();
    void close_withoutOk_leavesWindowAndFilesAlone_data();
    void close_withoutOk_leavesWindowAndFilesAlone();
    void ok_addsEngineAndMakesItCurrent();
    void ok_duplicateName_listedTwiceQueryKeyReplaced();
    void ok_blankValue_showsMessageAndStaysOpen_data();
    void ok_blankValue_showsMessageAndStaysOpen();
    void keys_escapeAndEnter_doNothing_data();
    void keys_escapeAndEnter_doNothing();
    void ok_oddName_keepsProfileInWorkingFolder_data();
    void ok_oddName_keepsProfileInWorkingFolder();
    void accessibleNames_everyControl_namedAndRowsFollowTheirKeys();
    void captions_ofBothWindows_fitBesideTheirControls_data();
    void captions_ofBothWindows_fitBesideTheirControls();
};

void DialogTest::open_disablesMainWindowAndStartsEmpty() {
    Fixture f;
    QVERIFY(f.open());
    QTRY_COMPARE(QApplication::activeWindow(), f.d.data());
    QCOMPARE(f.d->windowTitle(), u"Add search engine & query key"_qs);
    QVERIFY(!f.w.isEnabled());
    QVERIFY(f.d->txtNewEngine->isEnabled());
    QTRY_COMPARE(focused(), f.d->txtNewEngine);
    QTest::keyClick(f.d->txtNewEngine, Qt::Key_Tab);
    QCOMPARE(focused(), f.d->txtNewQueryKey);
    QTest::keyClick(f.d->txtNewQueryKey, Qt::Key_Tab);
    QCOMPARE(focused(), f.d->OKButton);

    // The main window takes no input, its close box included.
    QVERIFY(!clickCloseBox(&f.w));
    QVERIFY(f.w.isVisible());
    QTest::mouseClick(f.w.cmdNewEngine, Qt::LeftButton);
    QCOMPARE(f.w.findChildren<Dialog *>().size(), 1);

    f.type(u"typed"_qs, u"t?"_qs);
    QTest::mouseClick(f.d->CancelButton, Qt::LeftButton);
    QVERIFY(f.open());
    QCOMPARE(f.d->txtNewEngine->text(), QString());
    QCOMPARE(f.d->txtNewQueryKey->text(), QString());

    // Quitting the program with the dialog open still saves the engine shown.
    f.h.writeFile(u"tarvolin.ini"_qs, "[Engine]\nAlpha=a?\n");
    QApplication::closeAllWindows();
    QCOMPARE(f.h.mainValue(u"LastUsed"_qs, u"engine"_qs), u"Alpha"_qs);
    QTRY_VERIFY(f.d.isNull());
}

void DialogTest::close_withoutOk_leavesWindowAndFilesAlone_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void DialogTest::close_withoutOk_leavesWindowAndFilesAlone() {
    QFETCH(bool, closeBox);
    Fixture f;
    f.h.parse(u"http://e/a?hl=en"_qs);
    const QByteArray mainFile = f.h.fileBytes(u"tarvolin.ini"_qs);
    QVERIFY(f.open());
    f.type(u"Gamma"_qs, u"g?"_qs);

    if (closeBox) {
        QVERIFY(f.d->close());
    } else {
        QTest::mouseClick(f.d->CancelButton, Qt::LeftButton);
    }

    QTRY_VERIFY(f.d.isNull());
    QVERIFY(f.w.isEnabled());
    QCOMPARE(captions(f.w.lblKey), padded({u"hl="_qs}));
    QCOMPARE(f.w.txtParseMe->text(), u"http://e/a?hl=en"_qs);
    QCOMPARE(f.w.txtEngine->text(), u"Alpha"_qs);
    QCOMPARE(entries(f.w.cmbEngine), (QStringList{u"Alpha"_qs, u"Beta"_qs}));
    QCOMPARE(f.h.fileBytes(u"tarvolin.ini"_qs), mainFile);
}

void DialogTest::ok_addsEngineAndMakesItCurrent() {
    Fixture f;
    f.h.writeFile(u"Alpha.ini"_qs, "[ie=]\nx=x\n");
    f.h.parse(u"http://e/a?hl=en&num=10"_qs);
    QTest::mouseClick(f.w.cmdNewURL, Qt::LeftButton);
    QTest::mouseClick(f.w.optKeyClear[1], Qt::LeftButton);
    QVERIFY(f.open());
    f.type(u" New One "_qs, u"find?"_qs);

    QTest::mouseClick(f.d->OKButton, Qt::LeftButton);

    QTRY_VERIFY(f.d.isNull());
    QVERIFY(f.w.isEnabled());
    QCOMPARE(captions(f.w.lblKey), padded({}));
    QVERIFY(!f.w.optKeyClear[1]->isChecked());
    QCOMPARE(f.w.txtParseMe->text(), QString());
    QCOMPARE(f.w.txtNewURL->text(), QString());
    QVERIFY(!f.w.cmdNewURL->isEnabled());
    QCOMPARE(f.w.txtEngine->text(), u" New One "_qs);
    QCOMPARE(f.w.txtQueryKey->text(), u"find?"_qs);
    QCOMPARE(entries(f.w.cmbEngine), (QStringList{u"Alpha"_qs, u"Beta"_qs, u" New One "_qs}));
    QCOMPARE(f.w.cmbEngine->currentIndex(), -1);
    QCOMPARE(entries(f.w.cmbAvailKeys), (QStringList{u"ie="_qs, u"num="_qs}));
    QCOMPARE(f.h.mainValue(u"Engine"_qs, u" New One "_qs), u"find?"_qs);

    // Values now go to the new engine's file, and the former engine is one choice away.
    f.h.parse(u"http://n/find?hl=de"_qs);
    QCOMPARE(f.h.valuesFor(u" New One "_qs, u"hl="_qs), QStringList{u"de"_qs});
    chooseEntry(f.w.cmbEngine, 0);
    QCOMPARE(f.w.txtEngine->text(), u"Alpha"_qs);
    QCOMPARE(f.w.txtQueryKey->text(), u"a?"_qs);
    QCOMPARE(f.w.vars.sEngineIniFile, f.h.engineIni(u"Alpha"_qs));
}

void DialogTest::ok_duplicateName_listedTwiceQueryKeyReplaced() {
    Fixture f;
    QVERIFY(f.open());
    f.type(u"Alpha"_qs, u"new?"_qs);
    QTest::mouseClick(f.d->OKButton, Qt::LeftButton);

    QCOMPARE(entries(f.w.cmbEngine), (QStringList{u"Alpha"_qs, u"Beta"_qs, u"Alpha"_qs}));
    QCOMPARE(f.h.mainValue(u"Engine"_qs, u"Alpha"_qs), u"new?"_qs);
    ProfileStore reader(f.h.dir.path());
    QCOMPARE(ReadProfileEntryNames(reader, u"Engine"_qs, f.h.mainIni()),
             (QStringList{u"Alpha"_qs, u"Beta"_qs}));
}

void DialogTest::ok_blankValue_showsMessageAndStaysOpen_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("queryKey");
    QTest::newRow("both empty") << QString() << QString();
    QTest::newRow("name of spaces") << u"   "_qs << u"k?"_qs;
    QTest::newRow("query key of spaces") << u"Gamma"_qs << u" "_qs;
}

void DialogTest::ok_blankValue_showsMessageAndStaysOpen() {
    QFETCH(QString, engine);
    QFETCH(QString, queryKey);
    Fixture f;
    const QByteArray mainFile = f.h.fileBytes(u"tarvolin.ini"_qs);
    QVERIFY(f.open());
    QTRY_COMPARE(QApplication::activeWindow(), f.d.data());
    f.type(engine, queryKey);

    QTest::mouseClick(f.d->OKButton, Qt::LeftButton);

    QCOMPARE(f.h.prompter.informed, QStringList{u"You must fill in both values"_qs});
    QCOMPARE(f.h.prompter.titles, QStringList{u"Tarvolin"_qs});
    QVERIFY(f.d && f.d->isVisible());
    QVERIFY(!f.w.isEnabled());
    QCOMPARE(focused(), f.d->txtNewEngine);
    QCOMPARE(entries(f.w.cmbEngine).size(), 2);
    QCOMPARE(f.h.fileBytes(u"tarvolin.ini"_qs), mainFile);
}

void DialogTest::keys_escapeAndEnter_doNothing_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("onOkButton");
    QTest::newRow("Escape in the name box") << int(Qt::Key_Escape) << false;
    QTest::newRow("Return in the name box") << int(Qt::Key_Return) << false;
    QTest::newRow("Enter on the OK button") << int(Qt::Key_Enter) << true;
    QTest::newRow("Escape on the OK button") << int(Qt::Key_Escape) << true;
}

void DialogTest::keys_escapeAndEnter_doNothing() {
    QFETCH(int, key);
    QFETCH(bool, onOkButton);
    Fixture f;
    const QByteArray mainFile = f.h.fileBytes(u"tarvolin.ini"_qs);
    QVERIFY(f.open());
    QTRY_COMPARE(QApplication::activeWindow(), f.d.data());
    f.type(u"Gamma"_qs, u"g?"_qs);
    QWidget *target = onOkButton ? static_cast<QWidget *>(f.d->OKButton) : f.d->txtNewEngine;
    target->setFocus();

    QTest::keyClick(target, Qt::Key(key));

    QVERIFY(f.d && f.d->isVisible());
    QVERIFY(!f.w.isEnabled());
    QCOMPARE(f.h.fileBytes(u"tarvolin.ini"_qs), mainFile);
}

void DialogTest::ok_oddName_keepsProfileInWorkingFolder_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("fileFits");
    QTest::newRow("slash") << u"a/b"_qs << true;
    QTest::newRow("dot dot") << u".."_qs << true;
    QTest::newRow("parent path") << u"../up"_qs << true;
    QTest::newRow("equals and bracket") << u"x=y]"_qs << true;
    QTest::newRow("newline and tab") << u"line\nbreak\there"_qs << true;
    QTest::newRow("too long for a file name") << QString(300, u'n') << false;
}

void DialogTest::ok_oddName_keepsProfileInWorkingFolder() {
    QFETCH(QString, engine);
    QFETCH(bool, fileFits);
    Fixture f;
    QVERIFY(f.open());
    f.d->txtNewEngine->setText(engine);
    f.d->txtNewQueryKey->setText(u"k?"_qs);
    QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
    QCOMPARE(f.w.txtEngine->text(), engine);
    QCOMPARE(f.h.mainValue(u"Engine"_qs, engine), u"k?"_qs);

    f.h.parse(u"http://x/k?hl=de"_qs);

    QCOMPARE(f.h.valuesFor(engine, u"hl="_qs), fileFits ? QStringList{u"de"_qs} : QStringList());
    const QStringList files =
        QDir(f.h.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(files.size(), fileFits ? 2 : 1);
    QVERIFY(files.contains(u"tarvolin.ini"_qs));
}

void DialogTest::accessibleNames_everyControl_namedAndRowsFollowTheirKeys() {
    Fixture f;
    f.h.writeFile(u"Alpha.ini"_qs, "[hl=]\nde=de\n");
    f.h.parse(u"http://e/a?q=cats&hl=en&num=10"_qs);
    QCOMPARE(nameOf(f.w.lblKey[1]), u"key name of row 2, key hl="_qs);
    QCOMPARE(nameOf(f.w.optKeyClear[1]), u"clear row 2, key hl="_qs);
    QCOMPARE(nameOf(f.w.txtKey[1]), u"value of row 2, key hl="_qs);
    QCOMPARE(nameOf(f.w.cmbKey[1]), u"remembered values of row 2, key hl="_qs);
    QCOMPARE(nameOf(f.w.txtKey[3]), u"value of row 4"_qs);
    QCOMPARE(nameOf(f.w.cmbKey[3]), u"remembered values of row 4"_qs);
    QTest::mouseClick(f.w.optKeyClear[2], Qt::LeftButton);
    QCOMPARE(nameOf(f.w.txtKey[2]), u"value of row 3"_qs);

    QVERIFY(f.open());
    QCOMPARE(namelessControls(QAccessible::queryAccessibleInterface(&f.w)).join(u", "), QString());
    QCOMPARE(namelessControls(QAccessible::queryAccessibleInterface(f.d)).join(u", "), QString());
    f.type(u"New"_qs, u"n?"_qs);
    QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
    QCOMPARE(nameOf(f.w.txtKey[1]), u"value of row 2"_qs);
}

void DialogTest::captions_ofBothWindows_fitBesideTheirControls_data() {
    QTest::addColumn<bool>("dialog");
    QTest::newRow("main window") << false;
    QTest::newRow("add-engine dialog") << true;
}

void DialogTest::captions_ofBothWindows_fitBesideTheirControls() {
    QFETCH(bool, dialog);
    Fixture f;
    QVERIFY(f.open());
    QWidget *window = dialog ? static_cast<QWidget *>(f.d.data()) : &f.w;
    const auto controls = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (const QLabel *label : window->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        const QByteArray caption = label->text().toUtf8();
        const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
        const QRect needed = label->fontMetrics().boundingRect(
            QRect(0, 0, label->width(), QWIDGETSIZE_MAX), flags, label->text());
        QVERIFY2(needed.width() <= label->width(), caption);
        QVERIFY2(needed.height() <= label->height(), caption);
        for (const QWidget *other : controls) {
            QVERIFY2(other == label || other->isHidden() || other->isWindow() ||
                         !other->geometry().intersects(label->geometry()),
                     caption);
        }
    }
}

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"

// The add-engine dialog over a real main window: opening, each way of closing,
// what OK writes; and what both windows offer a screen reader, and how they fit
// the desktop's font.

#include "engine_dialog/dialog.h"
#include "widgets/twips.h"
#include "window_harness.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>

using namespace tarvolin;
using namespace tarvolin::testing;

namespace {
// A shown main window whose "Add new engine" opens the real dialog.
struct Fixture : WindowHarness {
    Fixture()
        : WindowHarness("[Engine]\nAlpha=a?\nBeta=b?\n[LastUsed]\nengine="
                        "Alpha\nquerykey=a?\n") {
        w.showEngineDialog = openEngineDialog;
        showAndActivate();
    }
    // Clicks "Add new engine" and, unless engine is null, puts the texts into the
    // dialog; false when no dialog opened.
    bool open(const QString &engine = {}, const QString &queryKey = {}) {
        QTest::mouseClick(w.cmdNewEngine, Qt::LeftButton);
        const auto dialogs = w.findChildren<Dialog *>();
        d = dialogs.size() == 1 ? dialogs.first() : nullptr;
        if (d && !engine.isNull()) {
            d->txtNewEngine->setText(engine);
            d->txtNewQueryKey->setText(queryKey);
        }
        return d;
    }
    frmMain &w = *window;
    QPointer<Dialog> d;
};

QString nameOf(QObject *control) {
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
}

// What a screen reader walking the window finds without a name: "class at path"
// each.
QStringList namelessControls(QAccessibleInterface *node, const QString &path = QString()) {
    QStringList nameless;
    if (node->state().invisible)
        return nameless;
    if (node->text(QAccessible::Name).isEmpty())
        nameless.append(QString::fromLatin1(node->object()->metaObject()->className()) +
                        u" at "_qs + path);
    for (int i = 0; i < node->childCount(); ++i)
        nameless += namelessControls(node->child(i), path + u'/' + QString::number(i));
    return nameless;
}

// The controls a label says it labels (LABEL_FOR).
QList<QObject *> labelled(QWidget *label) {
    QList<QObject *> controls;
    for (const auto &[control, relation] :
         QAccessible::queryAccessibleInterface(label)->relations(QAccessible::Labelled))
        controls.append(control->object());
    return controls;
}

enum Fit { AtDpi, ToCaptions, ToScreen };

// How much of its control a caption of the window fills, in its tighter
// direction: above 1 it is cut. 0 for other controls.
qreal captionFill(const QWidget *control) {
    QSize text, room = control->size();
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
        if (!label->text().isEmpty())
            text =
                label->fontMetrics()
                    .boundingRect(QRect(0, 0, room.width(), QWIDGETSIZE_MAX), flags, label->text())
                    .size();
    } else if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).size();
    }
    if (control->isHidden() || text.isEmpty())
        return 0;
    return std::max(text.width() / qreal(room.width()), text.height() / qreal(room.height()));
}
} // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void open_thenCloseWithoutOk_leavesWindowAndFilesAlone_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("quitting the program saves the engine shown") << 2;
        QTest::newRow("Escape presses Cancel") << 3;
        QTest::newRow("Enter on the focused Cancel presses it") << 4;
    }
    void open_thenCloseWithoutOk_leavesWindowAndFilesAlone() {
        QFETCH(int, way);
        Fixture f;
        f.parse(u"http://e/a?hl=en"_qs);
        f.writeFile(u"tarvolin.ini"_qs, "[Engine]\nAlpha=a?\nBeta=b?\n");
        QVERIFY(f.open());
        QTRY_COMPARE(QApplication::activeWindow(), f.d.data());
        QCOMPARE(f.d->windowTitle(), u"Add search engine & query key"_qs);
        QVERIFY(!f.w.isEnabled() && f.d->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), f.d->txtNewEngine);
        QTest::keyClick(f.d->txtNewEngine, Qt::Key_Tab);
        QTest::keyClick(f.d->txtNewQueryKey, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.d->OKButton);
        // The main window takes no input while the dialog is open, its close box
        // included.
        QVERIFY(!clickCloseBox(&f.w));
        QTest::mouseClick(f.w.cmdNewEngine, Qt::LeftButton);
        QCOMPARE(f.w.findChildren<Dialog *>().size(), 1);
        QTest::keyClicks(f.d->txtNewEngine, u"Gamma"_qs);
        QTest::keyClicks(f.d->txtNewQueryKey, u"g?"_qs);
        QVERIFY(f.d && f.d->isVisible() && !f.w.isEnabled());
        f.d->CancelButton->setFocus();
        if (way == 0)
            QTest::mouseClick(f.d->CancelButton, Qt::LeftButton);
        else if (way == 1)
            QVERIFY(clickCloseBox(f.d));
        else if (way == 2)
            QApplication::closeAllWindows();
        else
            QTest::keyClick(f.d->CancelButton, way == 3 ? Qt::Key_Escape : Qt::Key_Return);
        QTRY_VERIFY(f.d.isNull());
        QCOMPARE(f.mainValue(u"LastUsed"_qs, u"engine"_qs), way == 2 ? u"Alpha"_qs : QString());
        if (way == 2)
            return;
        QVERIFY(f.w.isEnabled() && f.w.isVisible());
        QCOMPARE(texts(f.w.lblKey), padded({"hl="}));
        QCOMPARE(f.w.txtParseMe->text() + f.w.txtEngine->text(), u"http://e/a?hl=enAlpha"_qs);
        QCOMPARE(entries(f.w.cmbEngine), (QStringList{"Alpha", "Beta"}));
        QCOMPARE(f.fileBytes(u"tarvolin.ini"_qs), QByteArray("[Engine]\nAlpha=a?\nBeta=b?\n"));
    }

    void ok_addsEngineMakesItCurrentAndKeepsItsFileInFolder_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("new name, blanks kept") << u" New One "_qs;
        QTest::newRow("existing name: listed twice, query key replaced") << u"Alpha"_qs;
        QTest::newRow("a tab is not blank") << u"\t"_qs;
        QTest::newRow("slash") << u"a/b"_qs;
        QTest::newRow("parent path") << u"../up"_qs;
        QTest::newRow("dot dot") << u".."_qs;
        QTest::newRow("newline, equals and bracket") << u"x=y]\nz"_qs;
        QTest::newRow("the main file's name") << u"tarvolin"_qs;
        QTest::newRow("a Windows device name") << u"Lpt1.txt"_qs;
        QTest::newRow("too long for a file name: a shortened one") << QString(300, u'n');
    }
    void ok_addsEngineMakesItCurrentAndKeepsItsFileInFolder() {
        QFETCH(QString, engine);
        const bool isNew = engine != u"Alpha"_qs;
        Fixture f;
        f.writeFile(u"Alpha.ini"_qs, "[ie=]\nx=x\n");
        f.parse(u"http://e/a?hl=en&num=10"_qs, true);
        QTest::mouseClick(f.w.optKeyClear[1], Qt::LeftButton);
        QVERIFY(f.open(engine, u"find?"_qs));
        QTest::keyClick(f.d->txtNewQueryKey, Qt::Key_Enter); // presses OK
        QTRY_VERIFY(f.d.isNull());
        QVERIFY(f.w.isEnabled() && !f.w.cmdNewURL->isEnabled() && !f.w.optKeyClear[1]->isChecked());
        QCOMPARE(texts(f.w.lblKey), padded({}));
        QCOMPARE(f.w.txtParseMe->text() + f.w.txtNewURL->text(), u"http://e/a?hl=en&num=10"_qs);
        QCOMPARE(f.w.txtEngine->text(), engine);
        QCOMPARE(f.w.txtQueryKey->text() + nameOf(f.w.txtKey[0]), u"find?value of row 1"_qs);
        QCOMPARE(entries(f.w.cmbEngine), (QStringList{"Alpha", "Beta", engine}));
        QCOMPARE(f.w.cmbEngine->currentIndex(), -1);
        QCOMPARE(entries(f.w.cmbAvailKeys), (QStringList{"ie=", "num="}));
        QCOMPARE(f.mainValue(u"Engine"_qs, engine), u"find?"_qs);
        ProfileStore reader(f.path);
        QCOMPARE(ReadProfileEntryNames(reader, u"Engine"_qs, u"./tarvolin.ini"_qs),
                 QStringList({"Alpha", "Beta"}) + (isNew ? QStringList{engine} : QStringList()));
        // Values now go to the new engine's file, inside the folder; the former
        // engine is one choice away.
        f.parse(u"http://n/find?hl=de"_qs);
        QVERIFY(f.valuesFor(engine, u"hl="_qs).contains(u"de"_qs));
        QCOMPARE(ReadProfileSectionNames(reader, u"./tarvolin.ini"_qs),
                 QStringList({"Engine", "LastUsed"}));
        // Plain files only: no name makes a folder or escapes this one.
        QCOMPARE(QDir(f.path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QDir(f.path).entryList(QDir::Files | QDir::Hidden));
        // The profile files and the lock file the first write made.
        QCOMPARE(QDir(f.path).entryList(QDir::Files | QDir::Hidden).size(), isNew ? 4 : 3);
        chooseEntry(f.w.cmbEngine, 0);
        // Choosing the engine shown already keeps the rows.
        QCOMPARE(nameOf(f.w.txtKey[0]),
                 isNew ? u"value of row 1"_qs : u"value of row 1, key hl="_qs);
        QCOMPARE(f.w.txtEngine->text(), u"Alpha"_qs);
        QCOMPARE(f.w.txtQueryKey->text(), f.mainValue(u"Engine"_qs, u"Alpha"_qs));
        QCOMPARE(f.w.vars.sEngineIniFile, EngineIniFile(u"Alpha"_qs));
    }

    void open_urlInBox_suggestsItsEngineSelected_okKeepsUrlToParse() {
        Fixture f;
        const QString url = u"https://www.Find.example/s/web?hl=en&q=x"_qs;
        f.w.txtParseMe->setText(url);
        QVERIFY(f.open());
        QCOMPARE(f.d->txtNewEngine->selectedText() + u'|' + f.d->txtNewQueryKey->selectedText(),
                 u"find.example|/s/web?"_qs);
        QTest::keyClicks(f.d->txtNewEngine, u"Mine"_qs);
        QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
        QCOMPARE(f.w.txtEngine->text() + f.w.txtQueryKey->text() + f.w.txtParseMe->text(),
                 u"Mine/s/web?"_qs + url);
        QTest::mouseClick(f.w.cmdParse, Qt::LeftButton);
        QCOMPARE(texts(f.w.lblKey), padded({"hl=", "q="}));
        QCOMPARE(f.valuesFor(u"Mine"_qs, u"hl="_qs), QStringList{"en"});
    }

    void forgetEngine_shiftDeleteInOpenList_notCurrent_keepsItsValuesForItsReturn() {
        Fixture f;
        f.writeFile(u"Beta.ini"_qs, "[hl=]\r\nde=de\r\n");
        const QByteArray main = f.fileBytes(u"tarvolin.ini"_qs);
        QVERIFY(description(f.w.cmbEngine).contains(u"Shift+Delete"));
        QVERIFY(description(f.w.cmbEngine).contains(u"not the current engine"));
        QComboBox *combo = f.w.cmbEngine;
        highlight(combo, 0);
        QTest::keyClick(combo->view(), Qt::Key_Delete, Qt::ShiftModifier);
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QVERIFY(QFile::rename(f.filePath(u"tarvolin.ini"_qs), f.filePath(u"away"_qs)) &&
                QDir(f.path).mkdir(u"tarvolin.ini"_qs));
        QTest::keyClick(combo->view(), Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(QDir(f.path).rmdir(u"tarvolin.ini"_qs) &&
                QFile::rename(f.filePath(u"away"_qs), f.filePath(u"tarvolin.ini"_qs)));
        // The current engine refused, a failed write: nothing is forgotten.
        QCOMPARE(entries(combo).join(u'|') + u'|' + placeholder(combo), u"Alpha|Beta|2 engines"_qs);
        QTest::keyClick(combo->view(), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(entries(combo).join(u'|') + u'|' + placeholder(combo), u"Alpha|1 engine"_qs);
        QCOMPARE(f.fileBytes(u"tarvolin.ini"_qs), QByteArray(main).replace("Beta=b?\n", ""));
        QCOMPARE(f.fileBytes(u"Beta.ini"_qs), "[hl=]\r\nde=de\r\n");
        QTest::keyClick(combo->view(), Qt::Key_Escape);
        QVERIFY(f.open(u"Beta"_qs, u"b?"_qs));
        QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
        f.parse(u"http://b/b?hl=en"_qs);
        QCOMPARE(entries(f.w.cmbKey[0]), (QStringList{"de", "en"}));
    }

    void othersFiles_parseAddEngineExit_leaveThemAsTheyWere_data() {
        QTest::addColumn<bool>("writeProtected");
        QTest::newRow("the user's files beside the profile files") << false;
        QTest::newRow("write-protected main and engine files") << true;
    }

    void othersFiles_parseAddEngineExit_leaveThemAsTheyWere() {
        QFETCH(bool, writeProtected);
        Fixture f;
        f.writeFile(u"Alpha.ini"_qs, "; mine\n[hl=]\nen=en\n");
        for (const char *name : {".Alpha.ini.swp", "Alpha.ini.AbCdEf", "Alpha.ini.backup",
                                 "Alpha.ini.lock", "tarvolin.ini.before", "notes.txt"})
            f.writeFile(QString::fromLatin1(name), name);
        const auto files = [&] {
            QMap<QString, QByteArray> map;
            for (const QFileInfo &info : QDir(f.path).entryInfoList(QDir::Files | QDir::Hidden))
                map[info.fileName()] = QByteArray::number(int(info.permissions()), 8) + ' ' +
                                       f.fileBytes(info.fileName());
            return map;
        };
        for (const char *name : {"Alpha.ini", "tarvolin.ini"})
            QVERIFY(!writeProtected || QFile::setPermissions(f.filePath(QString::fromLatin1(name)),
                                                             QFile::ReadOwner | QFile::ReadOther));
        const QMap<QString, QByteArray> before = files();

        f.parse(u"http://a/a?hl=de"_qs);
        const QStringList shown{u"en"_qs, u"de"_qs};
        QCOMPARE(entries(f.w.cmbKey[0]), shown.first(writeProtected ? 1 : 2));
        QVERIFY(f.open(u"Gamma"_qs, u"g?"_qs));
        QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
        QTest::mouseClick(f.w.cmdExit, Qt::LeftButton);
        QMap<QString, QByteArray> after = files();
        QCOMPARE(after.take(u".tarvolin.lock"_qs).isNull(), writeProtected);
        QCOMPARE(f.mainValue(u"LastUsed"_qs, u"engine"_qs),
                 writeProtected ? u"Alpha"_qs : u"Gamma"_qs);
        for (const char *name : {"Alpha.ini", "tarvolin.ini"})
            QCOMPARE(after.value(QString::fromLatin1(name)) ==
                         before.value(QString::fromLatin1(name)),
                     writeProtected);
        if (!writeProtected)
            after.insert({{u"Alpha.ini"_qs, before[u"Alpha.ini"_qs]},
                          {u"tarvolin.ini"_qs, before[u"tarvolin.ini"_qs]}});
        QCOMPARE(after, before);
    }

    void ok_blankValue_showsMessageAndStaysOpen_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("queryKey");
        QTest::newRow("both empty") << QString() << QString();
        QTest::newRow("name of spaces") << u"   "_qs << u"k?"_qs;
        QTest::newRow("query key of spaces") << u"Gamma"_qs << u" "_qs;
    }
    void ok_blankValue_showsMessageAndStaysOpen() {
        QFETCH(QString, engine);
        QFETCH(QString, queryKey);
        Fixture f;
        const QByteArray mainFile = f.fileBytes(u"tarvolin.ini"_qs);
        QVERIFY(f.open(engine, queryKey));
        QTRY_COMPARE(QApplication::activeWindow(), f.d.data());
        QCOMPARE(f.d->txtNewEngine->text() + f.d->txtNewQueryKey->text(), engine + queryKey);
        QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
        QCOMPARE(f.prompter.titles + f.prompter.informed,
                 (QStringList{"Tarvolin", "You must fill in both values"}));
        QVERIFY(f.d && f.d->isVisible() && !f.w.isEnabled());
        QCOMPARE(QApplication::focusWidget(), f.d->txtNewEngine);
        QCOMPARE(entries(f.w.cmbEngine).size(), 2);
        QCOMPARE(f.fileBytes(u"tarvolin.ini"_qs), mainFile);
    }

    void accessibility_everyControlNamedLabelsTiedWindowHoldsShownOnes() {
        Fixture f;
        f.writeFile(u"Alpha.ini"_qs, "[hl=]\nde=de\n[a&b=]\n");
        f.parse(u"http://e/a?q=cats&hl=en&num=10"_qs);
        QCOMPARE(nameOf(f.w.lblKey[1]), u"key name of row 2, key hl="_qs);
        QCOMPARE(nameOf(f.w.optKeyClear[1]), u"clear row 2, key hl="_qs);
        QCOMPARE(nameOf(f.w.txtKey[1]), u"value of row 2, key hl="_qs);
        QCOMPARE(nameOf(f.w.cmbKey[1]), u"remembered values of row 2, key hl="_qs);
        QCOMPARE(nameOf(f.w.txtKey[3]) + u'|' + nameOf(f.w.cmbKey[3]),
                 u"value of row 4|remembered values of row 4"_qs);
        QTest::mouseClick(f.w.optKeyClear[2], Qt::LeftButton);
        QCOMPARE(nameOf(f.w.txtKey[2]), u"value of row 3"_qs);
        QVERIFY(f.open(u"New"_qs, u"n?"_qs));
        QCOMPARE(namelessControls(QAccessible::queryAccessibleInterface(&f.w)).join(u", "),
                 QString());
        QCOMPARE(namelessControls(QAccessible::queryAccessibleInterface(f.d)).join(u", "),
                 QString());
        QList<QObject *> tied;
        for (QWidget *label :
             {f.w.lblEngine, f.w.lblQueryKey, f.w.lblAvailableEngines, f.w.lblAvailKeys,
              f.w.lblKey[1], f.w.lblKey[3], f.d->lblNewEngine, f.d->lblNewQueryKey})
            tied += labelled(label);
        QCOMPARE(tied, (QList<QObject *>{f.w.txtEngine, f.w.txtQueryKey, f.w.cmbEngine,
                                         f.w.cmbAvailKeys, f.w.txtKey[1], f.w.txtKey[3],
                                         f.d->txtNewEngine, f.d->txtNewQueryKey}));
        QTest::mouseClick(f.d->OKButton, Qt::LeftButton);
        QCOMPARE(nameOf(f.w.txtKey[1]), u"value of row 2"_qs);
        // A window, not a filler, and without the controls nothing shows.
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&f.w);
        QCOMPARE(window->role(), QAccessible::Window);
        QStringList hidden;
        for (int i = 0; i < window->childCount(); ++i)
            if (window->child(i)->state().invisible)
                hidden.append(
                    QString::fromLatin1(window->child(i)->object()->metaObject()->className()));
        QCOMPARE(hidden, QStringList());
        // A key's "&" is shown as it is, as wide as an untied label shows it, not taken for
        // a mnemonic.
        chooseEntry(f.w.cmbAvailKeys, 0);
        QTest::mouseClick(f.w.cmdAddKey, Qt::LeftButton);
        QLabel untied(u"a&b="_qs);
        untied.setFont(f.w.lblKey[0]->font());
        QCOMPARE(f.w.lblKey[0]->sizeHint(), untied.sizeHint());
    }

    void layout_desktopFont_keptWindowGrowsCaptionsShownWhole_data() {
        QTest::addColumn<qreal>("points");
        QTest::addColumn<int>("fit");
        QTest::addColumn<QString>("styleSheet");
        // clang-format off
        QTest::newRow("6 pt: the screen's DPI alone") << 6.0 << int(AtDpi) << QString();
        QTest::newRow("9 pt") << 9.0 << int(ToCaptions) << QString();
        QTest::newRow("11 pt") << 11.0 << int(ToCaptions) << QString();
        QTest::newRow("11 pt, buttons of wide margins") << 11.0 << int(ToCaptions) << u"QPushButton { padding: 0 20px }"_qs;
        QTest::newRow("16 pt") << 16.0 << int(ToCaptions) << QString();
        QTest::newRow("40 pt: the window fits the screen, the font shrinks") << 40.0 << int(ToScreen) << QString();
        // clang-format on
    }
    void layout_desktopFont_keptWindowGrowsCaptionsShownWhole() {
        QFETCH(qreal, points);
        QFETCH(int, fit);
        QFETCH(QString, styleSheet);
        const QFont desktop = QApplication::font();
        QFont font = desktop;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        qApp->setStyleSheet(styleSheet);
        const auto plainStyle = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        Fixture f;
        // A font change while the program runs waits for its next start.
        QApplication::setFont(desktop);
        QVERIFY(f.open());
        QCOMPARE(f.d->font(), f.w.font());
        QCOMPARE(f.w.font().family(), desktop.family());
        if (fit == ToScreen)
            QVERIFY(f.w.font().pointSizeF() < points);
        else
            QCOMPARE(f.w.font().pointSizeF(), points);
        // Both windows in proportion to their twips (offscreen windows have no
        // frame; the outer size leaves room for a usual one), every control inside.
        const qreal scale = f.w.width() / 11655.0;
        const QSizeF twips[] = {{11655, 6375}, {4830, 1830}};
        qreal tightest = 0;
        for (const QWidget *window : std::initializer_list<const QWidget *>{&f.w, f.d}) {
            const QSizeF expected = twips[window == f.d] * scale;
            QVERIFY2(
                qAbs(window->width() - expected.width()) <= 1 &&
                    qAbs(window->height() - expected.height()) <= 1,
                qPrintable(QStringLiteral("%1x%2").arg(window->width()).arg(window->height())));
            // Captions are shown whole and overlap no other control.
            const auto controls = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            for (const QWidget *control : controls) {
                const qreal fill = captionFill(control);
                const QByteArray name = control->metaObject()->className() + QByteArray(" ") +
                                        control->property("text").toString().toUtf8();
                QVERIFY2(control->isWindow() || window->rect().contains(control->geometry()), name);
                // Edit fields show text as typed, in the window's font and size.
                const auto *combo = qobject_cast<const QComboBox *>(control);
                const QWidget *edit =
                    combo ? combo->lineEdit() : qobject_cast<const QLineEdit *>(control);
                QVERIFY2(!edit || (edit->font().family() == window->font().family() &&
                                   edit->font().pointSizeF() == window->font().pointSizeF()),
                         name);
                QVERIFY2(fill <= 1, name);
                for (const QWidget *other : controls)
                    QVERIFY2(fill == 0 || other == control || other->isHidden() ||
                                 other->isWindow() ||
                                 !other->geometry().intersects(control->geometry()),
                             name);
                if (window == &f.w)
                    tightest = std::max(tightest, fill);
            }
        }
        // The smallest scale that fits: some caption all but fills its control.
        if (fit == AtDpi)
            QCOMPARE(f.w.width(), TwipScale().pixels(11655));
        else
            QVERIFY2(tightest > 0.9, qPrintable(QString::number(tightest)));
        // Larger text, larger window: the rows run from small to large fonts.
        QVERIFY(f.w.width() > widestSoFar_);
        widestSoFar_ = f.w.width();
        if (fit == ToScreen) {
            const QSize screen = f.w.screen()->availableGeometry().size();
            QVERIFY(qAbs(std::max(scale * frmMain::kOuterWidth - screen.width(),
                                  scale * frmMain::kOuterHeight - screen.height())) <= 1);
        }
    }

private:
    int widestSoFar_ = 0;
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"

#include "main_window/frm_main.h"
#include "widgets/clear_button.h"
#include "widgets/click_line_edit.h"
#include "widgets/controls.h"
#include "widgets/entry_count.h"
#include "widgets/pick_combo_box.h"
#include "widgets/wheel_guard.h"
#include "widgets/window_scale.h"

#include <QMenu>

#include <limits>

namespace tarvolin {

namespace {

// An editable drop-down that only a choice from its list activates. An editable QComboBox
// also reports typed text that matches an entry as a choice, on Return and on focus loss,
// and its completer rewrites what is typed; typing must never count as a choice here.
QComboBox *makeCombo(QWidget *parent, int left, int top, int width, int height) {
    auto *combo = new PickComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    QLineEdit *edit = combo->lineEdit();
    edit->setMaxLength(std::numeric_limits<int>::max());
    QObject::disconnect(edit, &QLineEdit::returnPressed, combo, nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
    guardWheel(combo);
    place(combo, left, top, width, height);
    return combo;
}

} // namespace

void frmMain::buildControls() {
    setWindowTitle(QStringLiteral("Tarvolin"));

    // Created in tab order, so the focus chain needs no rearranging.
    auto *parseMe = makeBox<ClickLineEdit>(this, 1080, 120, 9615, 285);
    connect(parseMe, &ClickLineEdit::clicked, this, &frmMain::txtParseMe_Click);
    txtParseMe = parseMe;
    cmdParse = makeButton(this, QStringLiteral("Parse"), 120, 120, 855, 255);
    cmdExit = makeButton(this, QStringLiteral("Exit"), 120, 480, 855, 255);

    lblEngine = makeCaptionLabel(this, QStringLiteral("Search engine"), 1080, 480, 2280);
    txtEngine = makeBox(this, 2280, 480, 1215, 285);
    txtEngine->setReadOnly(true);
    lblQueryKey = makeCaptionLabel(this, QStringLiteral("Query key"), 3600, 480, 4440);
    txtQueryKey = makeBox(this, 4440, 480, 1215, 285);
    txtQueryKey->setReadOnly(true);
    lblAvailableEngines =
        makeCaptionLabel(this, QStringLiteral("Available engines"), 5760, 480, 7200);
    cmbEngine = makeCombo(this, 7200, 480, 1935, 315);
    showEntryCount(cmbEngine, QStringLiteral("1 engine"), QStringLiteral("%1 engines"));
    cmdNewEngine = makeButton(this, QStringLiteral("Add new engine"), 9240, 480, 1455, 255);
    lblAvailKeys = makeCaptionLabel(this, QStringLiteral("Additional keys"), 5760, 840, 7200);
    cmbAvailKeys = makeCombo(this, 7200, 840, 1935, 315);
    showEntryCount(cmbAvailKeys, QStringLiteral("1 key"), QStringLiteral("%1 keys"));
    cmdAddKey = makeButton(this, QStringLiteral("Add key to form"), 9240, 840, 1455, 255);

    // Rows 0-9 form the left column, rows 10-19 the right one, whose value boxes are wider.
    for (int i = 0; i < kKeyRows; ++i) {
        const int top = 1560 + 360 * (i % 10);
        const bool right = i >= 10;
        lblKey[i] = makeLabel(this, QString(), right ? 5880 : 120, top, 1695, 255);
        optKeyClear[i] = new ClearButton(QStringLiteral("Option1"), this);
        place(optKeyClear[i], right ? 7680 : 1920, top, 255, 255);
        txtKey[i] = makeBox(this, right ? 8040 : 2280, top, right ? 1695 : 1575, 285);
        cmbKey[i] = makeCombo(this, right ? 9840 : 3960, top, 1695, 315);
        showEntryCount(cmbKey[i], QStringLiteral("1 remembered"), QStringLiteral("%1 remembered"));
    }

    cmdNewURL = makeButton(this, QStringLiteral("New URL"), 120, 5160, 1215, 375);
    cmdNewURL->setEnabled(false);
    auto *newUrl = makeBox<ClickLineEdit>(this, 120, 5640, 11415, 285);
    connect(newUrl, &ClickLineEdit::clicked, this, &frmMain::txtNewURL_Click);
    txtNewURL = newUrl;

    txtTest = makeBox(this, 8040, 6000, 1455, 285);
    lblTest = makeLabel(this, QString(), 9720, 6000, 855, 255);
    cmdTest = makeButton(this, QStringLiteral("Test"), 10680, 6000, 855, 255);
    for (QWidget *hidden : {static_cast<QWidget *>(txtTest), static_cast<QWidget *>(lblTest),
                            static_cast<QWidget *>(cmdTest)}) {
        hidden->setVisible(false);
    }
    cmdLaunch = makeButton(this, QStringLiteral("Launch URL"), 120, 6000, 1215, 255);

    twipScale_ = fitWindowScale(*this, QSize(kOuterWidth, kOuterHeight));
    wrapLongCaptions(*this);
    showEditsAsTyped(*this);

    // Never shown as a menu bar: only ever popped up over a free key label.
    Popup = new QMenu(QStringLiteral("Popup"), this);
    mnuAddKey = Popup->addMenu(QStringLiteral("Add additional key"));
    mnuKeys.append(mnuAddKey->addAction(QString()));
}

} // namespace tarvolin

#include "main_window/click_line_edit.h"
#include "main_window/frm_main.h"
#include "main_window/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace tarvolin {

namespace {

void place(QWidget *widget, int left, int top, int width, int height) {
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

template <typename Widget>
Widget *makeBox(QWidget *parent, int left, int top, int width, int height) {
    auto *box = new Widget(parent);
    // URLs of several megabytes must arrive whole; QLineEdit would cut them at 32767.
    box->setMaxLength(std::numeric_limits<int>::max());
    place(box, left, top, width, height);
    return box;
}

QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width,
                  int height) {
    auto *label = new QLabel(caption, parent);
    // Key names come from URLs: never let one be taken for markup.
    label->setTextFormat(Qt::PlainText);
    place(label, left, top, width, height);
    return label;
}

QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top, int width,
                        int height) {
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    place(button, left, top, width, height);
    return button;
}

// An editable drop-down that only a choice from its list activates. An editable QComboBox
// also reports typed text that matches an entry as a choice, on Return and on focus loss,
// and its completer rewrites what is typed; typing must never count as a choice here.
QComboBox *makeCombo(QWidget *parent, int left, int top, int width, int height) {
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    QLineEdit *edit = combo->lineEdit();
    edit->setMaxLength(std::numeric_limits<int>::max());
    QObject::disconnect(edit, &QLineEdit::returnPressed, combo, nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
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

    lblEngine = makeLabel(this, QStringLiteral("Search engine"), 1080, 480, 1035, 195);
    txtEngine = makeBox<QLineEdit>(this, 2280, 480, 1215, 285);
    txtEngine->setReadOnly(true);
    lblQueryKey = makeLabel(this, QStringLiteral("Query key"), 3600, 480, 720, 195);
    txtQueryKey = makeBox<QLineEdit>(this, 4440, 480, 1215, 285);
    txtQueryKey->setReadOnly(true);
    lblAvailableEngines =
        makeLabel(this, QStringLiteral("Available engines"), 5760, 480, 1245, 195);
    cmbEngine = makeCombo(this, 7200, 480, 1935, 315);
    cmdNewEngine = makeButton(this, QStringLiteral("Add new engine"), 9240, 480, 1455, 255);
    lblAvailKeys = makeLabel(this, QStringLiteral("Additional keys"), 5760, 840, 1065, 195);
    cmbAvailKeys = makeCombo(this, 7200, 840, 1935, 315);
    cmdAddKey = makeButton(this, QStringLiteral("Add key to form"), 9240, 840, 1455, 255);

    // Rows 0-9 form the left column, rows 10-19 the right one, whose value boxes are wider.
    for (int i = 0; i < kKeyRows; ++i) {
        const int top = 1560 + 360 * (i % 10);
        const bool right = i >= 10;
        lblKey[i] = makeLabel(this, QString(), right ? 5880 : 120, top, 1695, 255);
        optKeyClear[i] = new QRadioButton(QStringLiteral("Option1"), this);
        optKeyClear[i]->setAutoExclusive(false);
        place(optKeyClear[i], right ? 7680 : 1920, top, 255, 255);
        txtKey[i] = makeBox<QLineEdit>(this, right ? 8040 : 2280, top, right ? 1695 : 1575, 285);
        cmbKey[i] = makeCombo(this, right ? 9840 : 3960, top, 1695, 315);
    }

    cmdNewURL = makeButton(this, QStringLiteral("New URL"), 120, 5160, 1215, 375);
    cmdNewURL->setEnabled(false);
    auto *newUrl = makeBox<ClickLineEdit>(this, 120, 5640, 11415, 285);
    connect(newUrl, &ClickLineEdit::clicked, this, &frmMain::txtNewURL_Click);
    txtNewURL = newUrl;

    txtTest = makeBox<QLineEdit>(this, 8040, 6000, 1455, 285);
    lblTest = makeLabel(this, QString(), 9720, 6000, 855, 255);
    cmdTest = makeButton(this, QStringLiteral("Test"), 10680, 6000, 855, 255);
    for (QWidget *hidden : {static_cast<QWidget *>(txtTest), static_cast<QWidget *>(lblTest),
                            static_cast<QWidget *>(cmdTest)}) {
        hidden->setVisible(false);
    }
    cmdLaunch = makeButton(this, QStringLiteral("Launch URL"), 120, 6000, 1215, 255);

    // Never shown as a menu bar: only ever popped up over a free key label.
    Popup = new QMenu(QStringLiteral("Popup"), this);
    mnuAddKey = Popup->addMenu(QStringLiteral("Add additional key"));
    mnuKeys.append(mnuAddKey->addAction(QString()));
}

} // namespace tarvolin

#include "engine_dialog/dialog.h"

#include "main_window/accessible_names.h"
#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "url/engine_suggestion.h"
#include "widgets/combo_entries.h"
#include "widgets/controls.h"
#include "widgets/outer_size.h"
#include "widgets/prompter.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace tarvolin {

namespace {

// The blank test trims spaces only, as the classic Trim does; tabs and line breaks are text.
bool isBlank(const QString &text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QChar(u' '); });
}

} // namespace

Dialog::Dialog(frmMain &main) : QDialog(&main), main_(main) {
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    Form_Load();
}

void Dialog::buildControls() {
    setWindowTitle(QStringLiteral("Add search engine & query key"));
    // A window does not inherit its owner's font, and the geometry is laid out for this one.
    setFont(main_.font());
    // Created in tab order: the two boxes, OK, Cancel (labels take no focus).
    lblNewEngine =
        makeCaptionLabel(this, QStringLiteral("Enter new search engine name"), 120, 240, 2400);
    lblNewQueryKey = makeCaptionLabel(this, QStringLiteral("Enter new query key"), 120, 840, 2400);
    txtNewEngine = makeBox(this, 2400, 240, 2295, 285);
    txtNewQueryKey = makeBox(this, 2400, 840, 2295, 285);
    OKButton = makeButton(this, QStringLiteral("OK"), 3600, 1440, 1095, 255);
    CancelButton = makeButton(this, QStringLiteral("Cancel"), 2400, 1440, 1095, 255);
    OKButton->setDefault(true);
    // A screen reader names each box after the label beside it, and reads the label with it.
    txtNewEngine->setAccessibleName(lblNewEngine->text());
    txtNewQueryKey->setAccessibleName(lblNewQueryKey->text());
    lblNewEngine->setBuddy(txtNewEngine);
    lblNewQueryKey->setBuddy(txtNewQueryKey);
    // The main window's scale: its captions chose it, and the dialog's have room to wrap.
    layOut(*this, main_.twipScale());
    wrapLongCaptions(*this);
    showEditsAsTyped(*this);
    connect(OKButton, &QPushButton::clicked, this, &Dialog::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Dialog::CancelButton_Click);
    // A first parse of an unknown engine's URL fails; the URL names the engine to add. The
    // suggestion is selected, so typing replaces it.
    const EngineSuggestion suggested = SuggestEngine(main_.txtParseMe->text());
    txtNewEngine->setText(suggested.engine);
    txtNewQueryKey->setText(suggested.queryKey);
    txtNewEngine->selectAll();
    txtNewQueryKey->selectAll();
    txtNewEngine->setFocus();
}

void Dialog::Form_Load() {
    main_.setEnabled(false);
    // A child window shares its parent's disabled state unless enabled explicitly.
    setEnabled(true);
    setOuterSize(*this, main_.twipScale(), 4920, 2205);
}

void Dialog::OKButton_Click() {
    if (isBlank(txtNewEngine->text()) || isBlank(txtNewQueryKey->text())) {
        main_.prompter().inform(this, applicationTitle(),
                                QStringLiteral("You must fill in both values"));
        txtNewEngine->setFocus();
        return;
    }
    const QString sEngine = txtNewEngine->text();
    const QString sQueryKey = txtNewQueryKey->text();

    main_.setEnabled(true);
    ClearMainForm();
    // The new engine is current, so choosing the former one again is a real switch.
    main_.MakeEngineCurrent(sEngine, sQueryKey);
    appendEntries(main_.cmbEngine, {sEngine});
    // The list must not show a former choice beside the new engine.
    main_.cmbEngine->setCurrentIndex(-1);
    main_.profileStore().WritePrivateProfileString(QStringLiteral("Engine"), sEngine, sQueryKey,
                                                   main_.vars.sMainIniFile);
    Unload();
}

void Dialog::CancelButton_Click() {
    main_.setEnabled(true);
    Unload();
}

void Dialog::Form_QueryUnload(int UnloadMode) {
    // OK and Cancel have enabled the main window already.
    if (UnloadMode == kClosedByUser) {
        main_.setEnabled(true);
    }
}

void Dialog::ClearMainForm() {
    // The URL stays, so that it can be parsed with the engine just added.
    main_.cmdNewURL->setEnabled(false);
    main_.txtNewURL->clear();
    main_.ResetKeyRows();
    nameKeyRows(main_);
}

void Dialog::reject() {
    CancelButton->click();
}

void Dialog::closeEvent(QCloseEvent *event) {
    // QDialog's own handler would reject(), which presses Cancel; a close is never refused.
    Form_QueryUnload(unloadingFromCode_ ? kClosedByCode : kClosedByUser);
    event->accept();
}

void Dialog::Unload() {
    unloadingFromCode_ = true;
    close();
}

void openEngineDialog(frmMain &main) {
    auto *dialog = new Dialog(main);
    dialog->show();
}

} // namespace tarvolin

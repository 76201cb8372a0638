#pragma once

#include <QDialog>

class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvolin {

class frmMain;

// The add-engine dialog: a new engine name and its query key.
//
// A top-level window owned by the main window (it stays above it) but not modal: while it is
// open the main window is disabled instead, and every way of closing the dialog (OK with both
// values, Cancel, the close box) enables it again. Enter presses OK (or the button that has the
// focus) and Escape presses Cancel. The dialog deletes itself when it closes; each one starts
// with the focus in txtNewEngine and both boxes holding what SuggestEngine makes of the main
// window's URL box (empty for no URL), selected.
//
// OK with both values filled in (blank test on the texts without leading and trailing spaces)
// clears the main window's rows and composed URL, shows the new engine and query key as typed,
// appends the name to the engine list with no entry chosen, writes name = query key into
// section "Engine" of the main profile file and makes the new engine current: sEngineIniFile,
// sCurrentEngine and sCurrentQueryKey name it, so choosing the former engine switches back.
// A name already listed is listed twice and its query key is replaced in the file. A name
// that a file name cannot hold is accepted as typed; EngineIniFile keeps its profile file in
// the working folder.
class Dialog final : public QDialog {
    Q_OBJECT

public:
    // Why a close request came (Form_QueryUnload's UnloadMode).
    static constexpr int kClosedByUser = 0; // close box or window menu
    static constexpr int kClosedByCode = 1; // OK or Cancel

    // Builds the controls and runs Form_Load, which disables `main`. Not shown yet.
    explicit Dialog(frmMain &main);

    QLabel *lblNewEngine = nullptr;
    QLineEdit *txtNewEngine = nullptr;
    QLabel *lblNewQueryKey = nullptr;
    QLineEdit *txtNewQueryKey = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void Form_QueryUnload(int UnloadMode);
    // Resets the main window's key rows and composed URL; the URL to parse, the pool, the
    // engine boxes and the module variables stay as they are.
    void ClearMainForm();

public slots:
    // Escape and every other way QDialog rejects: Cancel.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void Unload();

    frmMain &main_;
    bool unloadingFromCode_ = false;
};

// Opens a fresh add-engine dialog for `main` and returns at once (frmMain::showEngineDialog).
void openEngineDialog(frmMain &main);

} // namespace tarvolin

#pragma once

#include "main_window/module_variables.h"
#include "widgets/twips.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QCloseEvent;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace tarvolin {

class ProfileStore;
struct ProfileWrite;
class Prompter;
class UrlOpener;

// The main window: the URL to dissect, the current engine, 20 key rows and the composed URL.
//
// The outside world comes in through the constructor: the profile files (resolved against the
// store's working folder), the desktop's URL opener and the message boxes. The constructor
// builds every control and runs Form_Load, so a constructed window is loaded and ready to show.
//
// The controls are public, so that the add-engine dialog and tests reach them as a user would;
// the handlers are the window's own (its friend, the dialog, shares a few), and the window
// connects each control to its handler itself. Every handler runs to the end on the UI thread.
class frmMain : public QWidget {
    Q_OBJECT

public:
    static constexpr int kKeyRows = 20;
    // The outer size set at load, frame included, in twips.
    static constexpr int kOuterWidth = 11745;
    static constexpr int kOuterHeight = 6750;

    frmMain(ProfileStore &store, UrlOpener &opener, Prompter &prompter, QWidget *parent = nullptr);
    // Builds and connects the same controls but skips Form_Load, so no profile file is touched:
    // the bare window that start-up measurements compare against.
    struct SkipLoad {};
    frmMain(ProfileStore &store, UrlOpener &opener, Prompter &prompter, SkipLoad,
            QWidget *parent = nullptr);
    ~frmMain() override;

    // --- Controls (built in frm_main_layout.cpp) -------------------------------------------
    QLineEdit *txtParseMe = nullptr; // the URL to dissect; a click selects all of it
    QPushButton *cmdParse = nullptr;
    QPushButton *cmdExit = nullptr;
    QLabel *lblEngine = nullptr;
    QLineEdit *txtEngine = nullptr; // read-only
    QLabel *lblQueryKey = nullptr;
    QLineEdit *txtQueryKey = nullptr; // read-only
    QLabel *lblAvailableEngines = nullptr;
    QComboBox *cmbEngine = nullptr;
    QPushButton *cmdNewEngine = nullptr;
    QLabel *lblAvailKeys = nullptr;
    QComboBox *cmbAvailKeys = nullptr; // the pool of additional keys
    QPushButton *cmdAddKey = nullptr;
    QPushButton *cmdNewURL = nullptr; // disabled until a URL has been parsed
    QLineEdit *txtNewURL = nullptr;   // the composed URL; a click selects all of it
    QPushButton *cmdLaunch = nullptr;
    QLineEdit *txtTest = nullptr; // the test group: hidden, and nothing shows it
    QLabel *lblTest = nullptr;
    QPushButton *cmdTest = nullptr;

    // Key row i: name, clear button, value, remembered values. A row is free when its
    // lblKey caption is empty. The option buttons are not auto-exclusive: the handlers manage
    // them, and only `clicked` (never `toggled`) may run a handler.
    std::array<QLabel *, kKeyRows> lblKey{};
    std::array<QRadioButton *, kKeyRows> optKeyClear{};
    std::array<QLineEdit *, kKeyRows> txtKey{};
    std::array<QComboBox *, kKeyRows> cmbKey{};

    // The pop-up key menu: Popup > "Add additional key" (mnuAddKey) > mnuKeys. mnuKeys(0)
    // always exists; UpdateAvailKeysMenu adds and drops the others and may reuse actions, so
    // react to mnuAddKey's `triggered` and map the action to its index in mnuKeys. A pool of
    // more than 500 keys is spread over submenus of mnuAddKey (one flat menu of n entries
    // costs n squared to build); mnuKeys still lists every entry in pool order.
    QMenu *Popup = nullptr;
    QMenu *mnuAddKey = nullptr;
    QList<QAction *> mnuKeys;

    // Program-wide texts, lent by reference to the add-engine dialog.
    ModuleVariables vars;

    // State of a pending pick from the pop-up key menu (key-row editing).
    QString sPickedKey;
    qint32 nPickedKeyIndex = 0;

    // Opens the add-engine dialog for this window; main.cpp sets it (the dialog library
    // links this one, not the other way round). Unset, "Add new engine" does nothing.
    std::function<void(frmMain &)> showEngineDialog;

    // The handlers the benchmarks time one by one; every other handler and procedure is the
    // window's own (and its dialog's).
    void Form_Load();
    void cmbEngine_Click();
    // Appends every key name of the current engine that no row shows to sPool and makes the
    // result the pool's list, in one step and with no entry chosen. A parse passes the empty
    // list it leaves the pool with.
    void UpdateSearchEngineKeyList(const QStringList &sPool);
    void FillCombos();
    void UpdateAvailKeysMenu();

    // The one way in for a URL from outside, the command line's and a drop's: it replaces the
    // URL box's text and is parsed as Parse parses it, prompt included (window_actions.cpp).
    void openUrl(const QString &url);

protected:
    // Every close request saves first; a disabled window (dialog open) refuses the user's own
    // close requests (close box, window menu) but no other.
    void closeEvent(QCloseEvent *event) override;
    // A URL dropped anywhere but on a text box, which keeps Qt's own text drop.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend class Dialog;

    ProfileStore &profileStore() const { return store_; }
    // Pixels per twip for this window and its dialog, chosen for the desktop's font.
    TwipScale twipScale() const { return twipScale_; }
    Prompter &prompter() const { return prompter_; }

    // --- Start-up and shut-down (startup_shutdown.cpp) --------------------------------------
    void Form_Uload();
    void Form_QueryUnload();
    void cmdExit_Click();

    // --- Engine selection (engine_selection.cpp) --------------------------------------------
    void cmbAvailKeys_Click();
    void cmbKey_Click(int Index);
    // Empties every row; an engine switch, a new engine and a parse that misses its key share it.
    void ResetKeyRows();
    // The first of them: no clear button selected, all of them enabled.
    void ResetKeyOptions();
    // Shows an engine and its query key and makes it current: sCurrentEngine, sCurrentQueryKey
    // and sEngineIniFile follow. Start-up, an engine switch and a new engine share it.
    void MakeEngineCurrent(const QString &sEngine, const QString &sQueryKey);

    // --- Key value lists (value_lists.cpp) --------------------------------------------------
    // Adds the value to the parse's writes, which the parse hands to the store in one batch.
    void WriteKey(QStringView sKeyName, QStringView sKeyValue, std::vector<ProfileWrite> &writes);
    // Enables every row's list but that of the query string's own key, as a reset of the rows
    // followed by FillCombos leaves them.
    void EnableKeyLists();

    // --- Forgetting (forget_value.cpp, forget_names.cpp) -----------------------------------
    // Shift+Delete on an entry of an open list forgets the entry in row nRow. When the write
    // fails, file and lists stay as they were. A value leaves the section of the row's key in
    // the engine file, and the lists of every row showing that key.
    void cmbKey_Forget(int Index, int nRow);
    // An engine leaves section "Engine" of the main file and the list; its engine file stays.
    // The current engine is refused.
    void cmbEngine_Forget(int nRow);
    // A key name's section leaves the engine file; the name leaves the pool and the menu.
    void cmbAvailKeys_Forget(int nRow);
    // Connect the lists to them and say so in their tool tips.
    void connectValueForgetting();
    void connectNameForgetting();

    // --- URL parsing (url_parsing.cpp) ------------------------------------------------------
    void cmdParse_Click();
    void txtParseMe_Click();
    void ParseKey(QStringView sKey, qsizetype nKeyNum, std::vector<ProfileWrite> &writes);

    // --- URL composition and launch (url_composition.cpp) -----------------------------------
    void cmdNewURL_Click();
    void txtNewURL_Click();
    void cmdLaunch_Click();

    // --- Implemented by the key-row editing and dialog work, not in this window's core ------
    // key_row_editing.cpp: the row and pool handlers, and connectKeyRowEditing(), which
    // connects cmdAddKey, optKeyClear(i) (`clicked`), lblKey(i) (mouse press), mnuAddKey
    // (`triggered`) and txtKey(i) (mouse move, with mouse tracking on) to them. The value
    // tooltip uses DecodeHex from url/decode_hex.h; a change of the text also sets it.
    void cmdAddKey_Click();
    void optKeyClear_Click(int Index);
    void lblKey_MouseDown(int Index, Qt::MouseButton Button);
    void mnuKeys_Click(int Index);
    void txtKey_MouseMove(int Index);
    void connectKeyRowEditing();
    // test_group.cpp: the hidden test button, connected by connectTestGroup().
    void cmdTest_Click();
    void connectTestGroup();
    // new_engine_button.cpp: calls showEngineDialog; the Dialog itself lives in
    // src/engine_dialog/. Connected by connectNewEngineButton().
    void cmdNewEngine_Click();
    void connectNewEngineButton();

    void buildControls();
    void connectHandlers();
    // window_actions.cpp: the window's icon, its shortcuts (its own QActions), Enter in the URL
    // box and drops.
    void createActions();
    // Spreads a large pool over submenus of mnuAddKey (see UpdateAvailKeysMenu).
    void buildChunkedKeyMenu(const QStringList &keys);
    // Makes a combo box's edit field refuse typing while still showing the chosen entry.
    static void PickListStep(QComboBox *combo);

    ProfileStore &store_;
    UrlOpener &opener_;
    Prompter &prompter_;
    TwipScale twipScale_;
};

} // namespace tarvolin

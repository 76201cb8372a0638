#include "main_window/frm_main.h"

#include "main_window/accessible_names.h"
#include "widgets/accessible_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>

namespace tarvolin {

frmMain::frmMain(ProfileStore &store, UrlOpener &opener, Prompter &prompter, QWidget *parent)
    : frmMain(store, opener, prompter, SkipLoad{}, parent) {
    Form_Load();
}

frmMain::frmMain(ProfileStore &store, UrlOpener &opener, Prompter &prompter, SkipLoad,
                 QWidget *parent)
    : QWidget(parent), store_(store), opener_(opener), prompter_(prompter) {
    announceAsWindow<frmMain>();
    buildControls();
    connectHandlers();
    connectKeyRowEditing();
    connectValueForgetting();
    connectNameForgetting();
    connectTestGroup();
    connectNewEngineButton();
    createActions();
    nameControls(*this);
}

frmMain::~frmMain() = default;

void frmMain::connectHandlers() {
    connect(cmdParse, &QPushButton::clicked, this, &frmMain::cmdParse_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdNewURL, &QPushButton::clicked, this, &frmMain::cmdNewURL_Click);
    connect(cmdLaunch, &QPushButton::clicked, this, &frmMain::cmdLaunch_Click);
    // `activated` is the user's choice of a list entry; changes made from code never raise it.
    connect(cmbEngine, &QComboBox::activated, this, &frmMain::cmbEngine_Click);
    connect(cmbAvailKeys, &QComboBox::activated, this, &frmMain::cmbAvailKeys_Click);
    for (int i = 0; i < kKeyRows; ++i) {
        connect(cmbKey[i], &QComboBox::activated, this, [this, i] { cmbKey_Click(i); });
    }
#ifndef QT_NO_SESSIONMANAGER
    // Qt 6 closes no window when the desktop session ends; the end of the session must still
    // save. Qt asks not to quit from this signal, so the window only saves here.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, &frmMain::Form_QueryUnload);
    }
#endif
}

void frmMain::closeEvent(QCloseEvent *event) {
    // While the add-engine dialog is open the window takes no input, its close box included.
    // A close asked for by the program, a quit of the application or the end of the session is
    // not the user's input: it must still save.
    if (!isEnabled() && event->spontaneous()) {
        event->ignore();
        return;
    }
    Form_QueryUnload();
    event->accept();
}

void frmMain::PickListStep(QComboBox *combo) {
    if (QLineEdit *edit = combo->lineEdit()) {
        edit->setReadOnly(true);
    }
}

} // namespace tarvolin

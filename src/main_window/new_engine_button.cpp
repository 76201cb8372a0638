#include "main_window/frm_main.h"

#include <QPushButton>

namespace tarvolin {

void frmMain::connectNewEngineButton() {
    connect(cmdNewEngine, &QPushButton::clicked, this, &frmMain::cmdNewEngine_Click);
}

void frmMain::cmdNewEngine_Click() {
    // The dialog shows itself and returns at once; it is not modal.
    if (showEngineDialog) {
        showEngineDialog(*this);
    }
}

} // namespace tarvolin

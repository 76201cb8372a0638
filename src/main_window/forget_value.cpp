#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "widgets/combo_entries.h"
#include "widgets/forget_entry.h"

#include <QComboBox>
#include <QLabel>

namespace tarvolin {

void frmMain::connectValueForgetting() {
    for (int i = 0; i < kKeyRows; ++i) {
        // Also what a screen reader gives as the list's description.
        cmbKey[i]->setToolTip(
            QStringLiteral("Remembered values; Shift+Delete on a highlighted one forgets it"));
        forgetOnShiftDelete(cmbKey[i], [this, i](int nRow) { cmbKey_Forget(i, nRow); });
    }
}

void frmMain::cmbKey_Forget(int Index, int nRow) {
    const QString sKeyName = lblKey[Index]->text();
    if (sKeyName.isEmpty()) {
        return;
    }
    const QString sValue = cmbKey[Index]->itemText(nRow);
    // A write that fails leaves the value remembered, so it stays listed too.
    if (!store_.WritePrivateProfileString(sKeyName, sValue, std::nullopt, vars.sEngineIniFile)) {
        return;
    }
    // Every row showing the key lists the same section.
    for (int i = 0; i < kKeyRows; ++i) {
        if (lblKey[i]->text() == sKeyName) {
            removeEntry(cmbKey[i], sValue);
        }
    }
}

} // namespace tarvolin

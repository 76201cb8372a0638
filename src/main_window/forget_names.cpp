#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "widgets/combo_entries.h"
#include "widgets/forget_entry.h"

#include <QComboBox>
#include <QLabel>

namespace tarvolin {

namespace {

// A name listed twice has one entry or section in the file (the dialog lists a name added
// again twice), and the file has lost it: none of its entries may stay.
void removeEvery(QComboBox *combo, const QString &text) {
    while (combo->findText(text) >= 0) {
        removeEntry(combo, text);
    }
}

} // namespace

void frmMain::connectNameForgetting() {
    // Also what a screen reader gives as the lists' descriptions.
    cmbEngine->setToolTip(QStringLiteral(
        "Engines; Shift+Delete on a highlighted one forgets it, but not the current engine. "
        "Its remembered values stay until it is added again"));
    forgetOnShiftDelete(cmbEngine, [this](int nRow) { cmbEngine_Forget(nRow); });
    cmbAvailKeys->setToolTip(
        QStringLiteral("Key names the engine has met; Shift+Delete on a "
                       "highlighted one forgets it and its remembered values"));
    forgetOnShiftDelete(cmbAvailKeys, [this](int nRow) { cmbAvailKeys_Forget(nRow); });
}

void frmMain::cmbEngine_Forget(int nRow) {
    const QString sEngine = cmbEngine->itemText(nRow);
    // Its query key is the one parses use; only its entry could be forgotten, not its use.
    if (sEngine == vars.sCurrentEngine) {
        return;
    }
    // The engine file stays: adding the engine again brings its values back.
    if (store_.WritePrivateProfileString(QStringLiteral("Engine"), sEngine, std::nullopt,
                                         vars.sMainIniFile)) {
        removeEvery(cmbEngine, sEngine);
    }
}

void frmMain::cmbAvailKeys_Forget(int nRow) {
    const QString sKeyName = cmbAvailKeys->itemText(nRow);
    if (!store_.removeSection(sKeyName, vars.sEngineIniFile)) {
        return;
    }
    removeEvery(cmbAvailKeys, sKeyName);
    // A row shows a pool key only when the pool is an earlier engine's; its values are gone too.
    for (int i = 0; i < kKeyRows; ++i) {
        if (lblKey[i]->text() == sKeyName) {
            replaceEntries(cmbKey[i], {});
        }
    }
    UpdateAvailKeysMenu();
}

} // namespace tarvolin

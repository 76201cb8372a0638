#include "main_window/combo_entries.h"
#include "main_window/frm_main.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

namespace tarvolin {

namespace {
// Values met for the query string itself are search terms, not settings worth offering again.
bool isQueryStringKey(const QString &sKeyName) {
    return sKeyName == u"q=";
}
} // namespace

void frmMain::WriteKey(const QString &sKeyName, const QString &sKeyValue) {
    if (isQueryStringKey(sKeyName)) {
        return;
    }
    store_.WritePrivateProfileString(sKeyName, sKeyValue, sKeyValue, vars.sEngineIniFile);
}

void frmMain::FillCombos() {
    for (QComboBox *combo : cmbKey) {
        combo->clear();
    }
    // One read of the engine file serves all 20 rows.
    ProfileStore::Group group(store_);
    for (int i = 0; i < kKeyRows; ++i) {
        const QString sKeyName = lblKey[i]->text();
        if (sKeyName.isEmpty()) {
            continue;
        }
        appendEntries(cmbKey[i], ReadProfileEntryNames(store_, sKeyName, vars.sEngineIniFile));
        // Disabled after filling, so the list may still hold entries written by hand.
        if (isQueryStringKey(sKeyName)) {
            cmbKey[i]->setEnabled(false);
        }
    }
}

void frmMain::UpdateAvailKeysMenu() {
    const qsizetype count = cmbAvailKeys->count();
    // Entry 0 always exists; further entries are reused, added or dropped to match the pool.
    const qsizetype keep = std::max<qsizetype>(count, 1);
    while (mnuKeys.size() > keep) {
        delete mnuKeys.takeLast();
    }
    mnuKeys[0]->setText(QString());
    for (qsizetype k = 0; k < count; ++k) {
        if (k == mnuKeys.size()) {
            mnuKeys.append(mnuAddKey->addAction(QString()));
        }
        mnuKeys[k]->setText(cmbAvailKeys->itemText(static_cast<int>(k)));
        mnuKeys[k]->setVisible(true);
    }
}

} // namespace tarvolin

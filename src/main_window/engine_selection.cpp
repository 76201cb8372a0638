#include "main_window/accessible_names.h"
#include "main_window/frm_main.h"
#include "settings/engine_file_name.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"
#include "widgets/combo_entries.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tarvolin {

void frmMain::ResetKeyOptions() {
    for (QRadioButton *option : optKeyClear) {
        option->setChecked(false);
    }
    // Only element 0 is tested: the buttons are enabled or disabled together.
    if (!optKeyClear[0]->isEnabled()) {
        for (QRadioButton *option : optKeyClear) {
            option->setEnabled(true);
        }
    }
}

void frmMain::ResetKeyRows() {
    ResetKeyOptions();
    for (QComboBox *combo : cmbKey) {
        combo->clear();
    }
    for (QComboBox *combo : cmbKey) {
        combo->setEnabled(true);
    }
    for (int i = 0; i < kKeyRows; ++i) {
        lblKey[i]->clear();
        txtKey[i]->clear();
    }
}

void frmMain::cmbEngine_Click() {
    PickListStep(cmbEngine);
    const QString sChosen = cmbEngine->itemText(cmbEngine->currentIndex());
    if (sChosen == vars.sCurrentEngine) {
        return;
    }
    txtParseMe->clear();
    cmdNewURL->setEnabled(false);
    txtNewURL->clear();
    ResetKeyRows();
    nameKeyRows(*this);
    const QString sQueryKey =
        ReadProfileValue(store_, QStringLiteral("Engine"), sChosen, vars.sMainIniFile);
    // An engine without a query key of its own keeps the one shown.
    MakeEngineCurrent(sChosen, sQueryKey.isEmpty() ? txtQueryKey->text() : sQueryKey);
}

void frmMain::MakeEngineCurrent(const QString &sEngine, const QString &sQueryKey) {
    txtEngine->setText(sEngine);
    txtQueryKey->setText(sQueryKey);
    vars.sCurrentEngine = sEngine;
    vars.sCurrentQueryKey = sQueryKey;
    vars.sEngineIniFile = EngineIniFile(sEngine);
}

void frmMain::cmbAvailKeys_Click() {
    PickListStep(cmbAvailKeys);
}

void frmMain::cmbKey_Click(int Index) {
    PickListStep(cmbKey[Index]);
    txtKey[Index]->setText(cmbKey[Index]->currentText());
}

void frmMain::UpdateSearchEngineKeyList(const QStringList &sPool) {
    const QStringList sections = ReadProfileSectionNames(store_, vars.sEngineIniFile);
    QStringList shownKeys;
    shownKeys.reserve(kKeyRows);
    for (const QLabel *label : lblKey) {
        shownKeys.append(label->text());
    }
    QStringList offered = sPool;
    offered.reserve(sPool.size() + sections.size());
    for (const QString &name : sections) {
        if (!shownKeys.contains(name)) {
            offered.append(name);
        }
    }
    // One batch: an engine may know tens of thousands of key names.
    replaceEntries(cmbAvailKeys, offered);
}

} // namespace tarvolin

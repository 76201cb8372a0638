#include "main_window/frm_main.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"
#include "widgets/combo_entries.h"
#include "widgets/outer_size.h"

#include <QComboBox>
#include <QLineEdit>

namespace tarvolin {

void frmMain::Form_Load() {
    setOuterSize(*this, twipScale_, kOuterWidth, kOuterHeight);
    vars.sMainIniFile = QStringLiteral("./tarvolin.ini");

    ProfileStore::Group group(store_);
    const QString sEngineList = store_.readEntryList(QStringLiteral("Engine"), vars.sMainIniFile);
    QString sEngine;
    QString sQueryKey;
    // The list read's own result decides, not what the list shows: an entry with an empty name
    // (only a hand-edited file has one) counts as listed, although no engine of it is shown.
    if (sEngineList.isEmpty()) {
        // First start (or an emptied list): the default engine, and "LastUsed" is not read.
        sEngine = QStringLiteral("Altavista");
        sQueryKey = QStringLiteral("Query?");
        appendEntries(cmbEngine, {sEngine});
        store_.WritePrivateProfileString(QStringLiteral("Engine"), sEngine, sQueryKey,
                                         vars.sMainIniFile);
    } else {
        appendEntries(cmbEngine, SplitProfileList(sEngineList));
        // Restored as stored, even when no listed engine has that name.
        sEngine = ReadProfileValue(store_, QStringLiteral("LastUsed"), QStringLiteral("engine"),
                                   vars.sMainIniFile);
        sQueryKey = ReadProfileValue(store_, QStringLiteral("LastUsed"), QStringLiteral("querykey"),
                                     vars.sMainIniFile);
    }
    MakeEngineCurrent(sEngine, sQueryKey);
}

void frmMain::Form_Uload() {
    if (txtEngine->text().isEmpty()) {
        return;
    }
    ProfileStore::Group group(store_);
    store_.WritePrivateProfileString(QStringLiteral("LastUsed"), QStringLiteral("engine"),
                                     txtEngine->text(), vars.sMainIniFile);
    store_.WritePrivateProfileString(QStringLiteral("LastUsed"), QStringLiteral("querykey"),
                                     txtQueryKey->text(), vars.sMainIniFile);
}

void frmMain::Form_QueryUnload() {
    Form_Uload();
}

void frmMain::cmdExit_Click() {
    Form_Uload();
    // The close request saves a second time, through Form_QueryUnload.
    close();
}

} // namespace tarvolin

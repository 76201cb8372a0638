#include "main_window/combo_entries.h"
#include "main_window/frm_main.h"
#include "main_window/outer_size.h"
#include "settings/engine_file_name.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"

#include <QComboBox>
#include <QLineEdit>

namespace tarvolin {

void frmMain::Form_Load() {
    setOuterSize(*this, 11745, 6750);
    vars.sMainIniFile = QStringLiteral("./tarvolin.ini");

    ProfileStore::Group group(store_);
    // The list read's own result decides, not what the list shows: an entry with an empty name
    // (only a hand-edited file has one) counts as listed, although no engine of it is shown.
    QString sProbe(kProfileBufferSize, u' ');
    const bool listed =
        store_.GetPrivateProfileString(QStringLiteral("Engine"), std::nullopt, QString(), sProbe,
                                       kProfileBufferSize, vars.sMainIniFile) != 0;
    const QStringList engines =
        ReadProfileEntryNames(store_, QStringLiteral("Engine"), vars.sMainIniFile);
    if (!listed) {
        // First start (or an emptied list): the default engine, and "LastUsed" is not read.
        vars.sCurrentEngine = QStringLiteral("Altavista");
        vars.sCurrentQueryKey = QStringLiteral("Query?");
        appendEntries(cmbEngine, {vars.sCurrentEngine});
        store_.WritePrivateProfileString(QStringLiteral("Engine"), vars.sCurrentEngine,
                                         vars.sCurrentQueryKey, vars.sMainIniFile);
    } else {
        appendEntries(cmbEngine, engines);
        // Restored as stored, even when no listed engine has that name.
        vars.sCurrentEngine = ReadProfileValue(store_, QStringLiteral("LastUsed"),
                                               QStringLiteral("engine"), vars.sMainIniFile);
        vars.sCurrentQueryKey = ReadProfileValue(store_, QStringLiteral("LastUsed"),
                                                 QStringLiteral("querykey"), vars.sMainIniFile);
    }
    vars.sEngineIniFile = EngineIniFile(vars.sCurrentEngine);
    txtEngine->setText(vars.sCurrentEngine);
    txtQueryKey->setText(vars.sCurrentQueryKey);
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

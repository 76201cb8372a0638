#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "url/query_split.h"
#include "widgets/combo_entries.h"
#include "widgets/prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace tarvolin {

void frmMain::cmdParse_Click() {
    // The pool is emptied and, once the rows are filled, refilled: its list is set in one step
    // (UpdateSearchEngineKeyList), so that a parse offering the keys the last one offered
    // leaves the list and its views as they were.
    if (txtParseMe->text().isEmpty()) {
        replaceEntries(cmbAvailKeys, {});
    } else {
        cmdNewURL->setEnabled(true);
        txtNewURL->clear();
        vars.sCurrentQueryKey = txtQueryKey->text();
        vars.sParseUrl = txtParseMe->text();

        const QString &sUrl = vars.sParseUrl;
        const qsizetype nFound = FindQueryKey(sUrl, vars.sCurrentQueryKey);
        if (nFound == 0) {
            replaceEntries(cmbAvailKeys, {});
            ResetKeyRows();
            const QString sPrompt = QStringLiteral("Could not find query key: ") +
                                    vars.sCurrentQueryKey +
                                    QStringLiteral(" Would you like to clear the URL?");
            if (prompter_.askYesNo(this, applicationTitle(), sPrompt)) {
                txtParseMe->clear();
                txtParseMe->setFocus();
            }
        } else {
            // The base keeps the query key as the URL spells it.
            const qsizetype nBaseLength = nFound - 1 + vars.sCurrentQueryKey.size();
            vars.sUrlBase = sUrl.left(nBaseLength);

            // Every row is given its final state once, not emptied first and filled again:
            // each change of a text or a list lays it out anew.
            ResetKeyOptions();
            const std::vector<QStringView> pairs = SplitPairs(QStringView(sUrl).mid(nBaseLength));
            std::vector<ProfileWrite> writes;
            writes.reserve(pairs.size());
            qsizetype nKeyNum = 0;
            for (QStringView pair : pairs) {
                ParseKey(pair, ++nKeyNum, writes);
            }
            for (auto i = static_cast<int>(std::min<qsizetype>(nKeyNum, kKeyRows)); i < kKeyRows;
                 ++i) {
                lblKey[i]->clear();
                txtKey[i]->clear();
            }
            EnableKeyLists();
            // All values of the parse reach the engine file in one rewrite, saved before the
            // lists below read it.
            store_.WritePrivateProfileStrings(writes, vars.sEngineIniFile);
            ProfileStore::Group readOnce(store_);
            FillCombos();
            UpdateSearchEngineKeyList({});
        }
    }
    UpdateAvailKeysMenu();
}

void frmMain::txtParseMe_Click() {
    txtParseMe->selectAll();
}

void frmMain::ParseKey(QStringView sKey, qsizetype nKeyNum, std::vector<ProfileWrite> &writes) {
    const KeyPair pair = SplitKeyPair(sKey);
    // Pairs past the last row are remembered but not shown.
    if (nKeyNum <= kKeyRows) {
        lblKey[nKeyNum - 1]->setText(pair.keyName.toString());
        txtKey[nKeyNum - 1]->setText(pair.value.toString());
    }
    WriteKey(pair.keyName, pair.value, writes);
}

} // namespace tarvolin

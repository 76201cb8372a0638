#include "main_window/accessible_names.h"
#include "main_window/frm_main.h"
#include "settings/profile_reader.h"
#include "settings/profile_store.h"
#include "widgets/combo_entries.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

namespace tarvolin {

namespace {
// Values met for the query string itself are search terms, not settings worth offering again.
bool isQueryStringKey(QStringView sKeyName) {
    return sKeyName == u"q=";
}

// QWidget::insertAction and removeAction scan the whole action list, so one menu of n entries
// costs n squared to build or empty. Pools larger than this are spread over submenus of this
// many entries each; mnuKeys still lists every entry in pool order.
constexpr int kMenuChunk = 500;
} // namespace

void frmMain::WriteKey(QStringView sKeyName, QStringView sKeyValue,
                       std::vector<ProfileWrite> &writes) {
    if (isQueryStringKey(sKeyName)) {
        return;
    }
    writes.emplace_back(sKeyName, sKeyValue, sKeyValue);
}

void frmMain::FillCombos() {
    // One read of the engine file serves all 20 rows.
    ProfileStore::Group group(store_);
    for (int i = 0; i < kKeyRows; ++i) {
        const QString sKeyName = lblKey[i]->text();
        if (sKeyName.isEmpty()) {
            replaceEntries(cmbKey[i], {});
            continue;
        }
        replaceEntries(cmbKey[i], ReadProfileEntryNames(store_, sKeyName, vars.sEngineIniFile,
                                                        entryTexts(cmbKey[i])));
        // Disabled after filling, so the list may still hold entries written by hand.
        if (isQueryStringKey(sKeyName)) {
            cmbKey[i]->setEnabled(false);
        }
    }
}

void frmMain::EnableKeyLists() {
    // Each list gets its final state at once: disabling costs a restyle, so a list that stays
    // disabled is not enabled first.
    for (int i = 0; i < kKeyRows; ++i) {
        cmbKey[i]->setEnabled(!isQueryStringKey(lblKey[i]->text()));
    }
}

void frmMain::UpdateAvailKeysMenu() {
    // Every change of a row's key name ends here (or in ResetKeyRows), with the pool changed.
    nameKeyRows(*this);
    // Read from the model in one piece rather than entry by entry.
    const QStringList keys = entryTexts(cmbAvailKeys);
    const auto count = static_cast<int>(keys.size());
    const bool flat = mnuKeys.first()->parent() == mnuAddKey;
    if (!flat || count > kMenuChunk) {
        // Deleting whole submenus is cheap, unlike removing their entries one by one.
        if (flat) {
            qDeleteAll(mnuKeys);
        } else {
            qDeleteAll(mnuAddKey->findChildren<QMenu *>(Qt::FindDirectChildrenOnly));
        }
        mnuKeys.clear();
        if (count > kMenuChunk) {
            buildChunkedKeyMenu(keys);
            return;
        }
        mnuKeys.append(mnuAddKey->addAction(QString()));
    }

    // Entry 0 always exists; further entries are reused, added or dropped in place.
    while (mnuKeys.size() > std::max(count, 1)) {
        delete mnuKeys.takeLast();
    }
    mnuKeys[0]->setText(QString());
    for (int k = 0; k < count; ++k) {
        if (k == mnuKeys.size()) {
            mnuKeys.append(mnuAddKey->addAction(QString()));
        }
        mnuKeys[k]->setText(keys[k]);
        mnuKeys[k]->setVisible(true);
    }
}

void frmMain::buildChunkedKeyMenu(const QStringList &keys) {
    const auto count = static_cast<int>(keys.size());
    mnuKeys.reserve(count);
    for (int first = 0; first < count; first += kMenuChunk) {
        const int last = std::min(first + kMenuChunk, count) - 1;
        // Titled by the first and last key it holds.
        auto *chunk = new QMenu(keys[first] + QStringLiteral(" \u2026 ") + keys[last], mnuAddKey);
        mnuAddKey->addMenu(chunk);
        for (int k = first; k <= last; ++k) {
            mnuKeys.append(chunk->addAction(keys[k]));
        }
    }
}

} // namespace tarvolin

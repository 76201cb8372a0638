#include "main_window/frm_main.h"
#include "url/compose_url.h"
#include "url/url_opener.h"

#include <QLabel>
#include <QLineEdit>

namespace tarvolin {

void frmMain::cmdNewURL_Click() {
    std::vector<ComposeRow> rows;
    rows.reserve(kKeyRows);
    for (int i = 0; i < kKeyRows; ++i) {
        rows.push_back({lblKey[i]->text(), txtKey[i]->text()});
    }
    txtNewURL->setText(ComposeUrl(vars.sUrlBase, rows));
}

void frmMain::txtNewURL_Click() {
    txtNewURL->selectAll();
}

void frmMain::cmdLaunch_Click() {
    const QString sUrl = txtNewURL->text();
    if (sUrl.isEmpty()) {
        return;
    }
    opener_.open(sUrl, static_cast<quintptr>(winId()));
}

} // namespace tarvolin

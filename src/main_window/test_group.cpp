#include "main_window/frm_main.h"

#include <QLineEdit>
#include <QPushButton>

namespace tarvolin {

void frmMain::connectTestGroup() {
    connect(cmdTest, &QPushButton::clicked, this, &frmMain::cmdTest_Click);
}

void frmMain::cmdTest_Click() {
    // The one fixed conversion of the hidden test group: the escape digits "2F" give "/".
    const auto nCode = static_cast<char16_t>(QStringLiteral("2F").toUShort(nullptr, 16));
    txtTest->setText(QString(QChar(nCode)));
}

} // namespace tarvolin

#include "widgets/prompter.h"

#include <QMessageBox>

namespace tarvolin {

bool MessageBoxPrompter::askYesNo(QWidget *parent, const QString &title, const QString &prompt) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    // The close box answers No rather than leaving the question unanswered.
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxPrompter::inform(QWidget *parent, const QString &title, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace tarvolin

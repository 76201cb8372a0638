#include "main_window/combo_entries.h"

#include <QComboBox>
#include <QLineEdit>

namespace tarvolin {

void appendEntries(QComboBox *combo, const QStringList &items) {
    if (items.isEmpty()) {
        return;
    }
    const int before = combo->currentIndex();
    const QString text = combo->currentText();
    combo->addItems(items);
    if (before == -1 && combo->currentIndex() != -1) {
        combo->setCurrentIndex(-1);
        // Keep what the edit field showed (typed text, or nothing).
        if (QLineEdit *edit = combo->lineEdit()) {
            edit->setText(text);
        }
    }
}

} // namespace tarvolin

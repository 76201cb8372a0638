#include "main_window/frm_main.h"
#include "settings/profile_store.h"
#include "widgets/combo_entries.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include <functional>
#include <utility>

namespace tarvolin {

namespace {

// Hands the key presses of an open value list to the window. While a drop-down is open its
// list has the keyboard focus, so the combo box itself sees none of them.
class ValueListKeys final : public QObject {
public:
    using KeyDown = std::function<bool(int, const QKeyEvent &)>;
    ValueListKeys(frmMain &window, KeyDown keyDown)
        : QObject(&window), window_(window), keyDown_(std::move(keyDown)) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        for (int i = 0; i < frmMain::kKeyRows; ++i) {
            if (window_.cmbKey[i]->view() == watched) {
                return keyDown_(i, *static_cast<QKeyEvent *>(event));
            }
        }
        return false;
    }

private:
    const frmMain &window_;
    KeyDown keyDown_;
};

} // namespace

void frmMain::connectValueForgetting() {
    auto *keys = new ValueListKeys(*this, [this](int i, const QKeyEvent &event) {
        return cmbKey_KeyDown(i, event.key(), event.modifiers());
    });
    for (QComboBox *combo : cmbKey) {
        // Also what a screen reader gives as the list's description.
        combo->setToolTip(
            QStringLiteral("Remembered values; Shift+Delete on a highlighted one forgets it"));
        combo->view()->installEventFilter(keys);
    }
}

bool frmMain::cmbKey_KeyDown(int Index, int KeyCode, Qt::KeyboardModifiers Shift) {
    if (KeyCode != Qt::Key_Delete || (Shift & ~Qt::KeypadModifier) != Qt::ShiftModifier) {
        return false;
    }
    const QString sKeyName = lblKey[Index]->text();
    const int row = cmbKey[Index]->view()->currentIndex().row();
    if (sKeyName.isEmpty() || row < 0) {
        return true;
    }
    const QString sValue = cmbKey[Index]->itemText(row);
    // A write that fails leaves the value remembered, so it stays listed too.
    if (!store_.WritePrivateProfileString(sKeyName, sValue, std::nullopt, vars.sEngineIniFile)) {
        return true;
    }
    // Every row showing the key lists the same section.
    for (int i = 0; i < kKeyRows; ++i) {
        if (lblKey[i]->text() == sKeyName) {
            removeEntry(cmbKey[i], sValue);
        }
    }
    return true;
}

} // namespace tarvolin

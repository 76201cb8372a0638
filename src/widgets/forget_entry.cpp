#include "widgets/forget_entry.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>

#include <algorithm>
#include <utility>

namespace tarvolin {

namespace {

// While a drop-down is open its list has the keyboard focus: the combo box sees no key.
class ShiftDelete final : public QObject {
public:
    ShiftDelete(QComboBox *combo, std::function<void(int)> forget)
        : QObject(combo), combo_(combo), forget_(std::move(forget)) {}

    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->key() != Qt::Key_Delete ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier)
            return false;
        const int row = combo_->view()->currentIndex().row();
        const int count = combo_->count();
        if (row >= 0)
            forget_(row);
        if (combo_->count() == count)
            return true;
        if (combo_->count() == 0) {
            combo_->hidePopup();
            return true;
        }
        // An open list keeps its height, rows gone or not, until it is shown again; showing it
        // highlights the combo box's choice instead of the user's place.
        combo_->showPopup();
        combo_->view()->setCurrentIndex(combo_->model()->index(
            std::min(row, combo_->count() - 1), combo_->modelColumn(), combo_->rootModelIndex()));
        return true;
    }

private:
    QComboBox *combo_;
    std::function<void(int)> forget_;
};

} // namespace

void forgetOnShiftDelete(QComboBox *combo, std::function<void(int row)> forget) {
    combo->view()->installEventFilter(new ShiftDelete(combo, std::move(forget)));
}

} // namespace tarvolin

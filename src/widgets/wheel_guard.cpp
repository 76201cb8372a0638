#include "widgets/wheel_guard.h"

#include <QComboBox>
#include <QEvent>

namespace tarvolin {

namespace {

class WheelGuard final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Wheel || static_cast<QWidget *>(watched)->hasFocus()) {
            return false;
        }
        // Ignored, so the turn goes on to the parent as if the box were not there.
        event->ignore();
        return true;
    }
};

} // namespace

void guardWheel(QComboBox *combo) {
    // A combo box takes the focus on a wheel turn by default, before any filter sees the turn.
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->installEventFilter(new WheelGuard(combo));
}

} // namespace tarvolin

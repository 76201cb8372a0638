#include "widgets/click_line_edit.h"

#include <QMouseEvent>

namespace tarvolin {

void ClickLineEdit::mouseReleaseEvent(QMouseEvent *event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

} // namespace tarvolin

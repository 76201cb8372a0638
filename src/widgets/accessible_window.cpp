#include "widgets/accessible_window.h"

#include <QWidget>

namespace tarvolin {

QWidgetList AccessibleWindow::shownChildren() const {
    QWidgetList shown;
    for (QObject *object : widget()->children()) {
        auto *control = qobject_cast<QWidget *>(object);
        // Qt leaves out windows (menus, dialogs) too: they are children of the application.
        if (control != nullptr && !control->isWindow() && control->isVisibleTo(widget())) {
            shown.append(control);
        }
    }
    return shown;
}

int AccessibleWindow::childCount() const {
    return static_cast<int>(shownChildren().size());
}

QAccessibleInterface *AccessibleWindow::child(int index) const {
    const QWidgetList shown = shownChildren();
    return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown[index])
                                              : nullptr;
}

int AccessibleWindow::indexOfChild(const QAccessibleInterface *child) const {
    return child == nullptr ? -1
                            : static_cast<int>(shownChildren().indexOf(
                                  qobject_cast<QWidget *>(child->object())));
}

} // namespace tarvolin

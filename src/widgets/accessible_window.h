#pragma once

#include <QAccessibleWidget>

namespace tarvolin {

// The accessible interface of a top-level window built on a plain QWidget. Qt gives such a
// window the role of a client area, which screen readers announce as a "filler"; this one is a
// window. Controls hidden on purpose are left out of its children, so that a screen reader does
// not offer controls that no user can see or reach.
class AccessibleWindow final : public QAccessibleWidget {
public:
    explicit AccessibleWindow(QWidget *window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

private:
    QWidgetList shownChildren() const;
};

// Gives every window of class Window (not of its subclasses) an AccessibleWindow. Call before
// the accessibility layer first meets such a window: at the start of its constructor will do.
template <typename Window> void announceAsWindow() {
    // One function per class, so repeated calls install it once.
    QAccessible::installFactory(
        [](const QString &className, QObject *object) -> QAccessibleInterface * {
            if (className != QLatin1StringView(Window::staticMetaObject.className())) {
                return nullptr;
            }
            return new AccessibleWindow(static_cast<Window *>(object));
        });
}

} // namespace tarvolin

#include "widgets/clear_button.h"

#include <QAccessibleWidget>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tarvolin {

namespace {

class ClearButtonInterface final : public QAccessibleWidget {
public:
    explicit ClearButtonInterface(ClearButton *button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled()) {
            names.prepend(pressAction());
        }
        return names;
    }

    void doAction(const QString &actionName) override {
        if (actionName == pressAction()) {
            static_cast<ClearButton *>(widget())->click(); // does nothing while disabled
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }
};

QAccessibleInterface *clearButtonInterface(const QString &className, QObject *object) {
    if (className == QLatin1StringView(ClearButton::staticMetaObject.className())) {
        return new ClearButtonInterface(static_cast<ClearButton *>(object));
    }
    return nullptr;
}

} // namespace

ClearButton::ClearButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent) {
    setAutoExclusive(false);
    QAccessible::installFactory(clearButtonInterface); // once: a factory is installed only once
}

void ClearButton::paintEvent(QPaintEvent *) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_RadioButton, option);
}

} // namespace tarvolin

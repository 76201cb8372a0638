#include "main_window/controls.h"

namespace tarvolin {

QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width,
                  int height) {
    auto *label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    place(label, left, top, width, height);
    return label;
}

QLabel *makeCaptionLabel(QWidget *parent, const QString &caption, int left, int top) {
    QLabel *label = makeLabel(parent, caption, left, top, 0, 0);
    label->adjustSize();
    return label;
}

QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top, int width,
                        int height) {
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    place(button, left, top, width, height);
    return button;
}

} // namespace tarvolin

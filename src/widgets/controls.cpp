#include "widgets/controls.h"

#include <algorithm>

namespace tarvolin {

void layOut(QWidget &window, TwipScale scale) {
    for (QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QVariant twips = control->property(kTwipsProperty);
        if (twips.isValid()) {
            control->setGeometry(scale.pixels(twips.toRect()));
        }
    }
}

QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width,
                  int height) {
    auto *label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    place(label, left, top, width, height);
    return label;
}

QLabel *makeCaptionLabel(QWidget *parent, const QString &caption, int left, int top,
                         int namedLeft) {
    // As high as the text boxes the captions name.
    QLabel *label = makeLabel(parent, caption, left, top, namedLeft - 60 - left, 285);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void wrapLongCaptions(QWidget &window) {
    for (QLabel *label : window.findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        if (!label->text().isEmpty() && label->sizeHint().width() > label->width()) {
            label->setWordWrap(true);
            label->resize(label->width(),
                          std::max(label->height(), label->heightForWidth(label->width())));
        }
    }
}

void showEditsAsTyped(QWidget &window) {
    QFont font = window.font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    for (QLineEdit *edit : window.findChildren<QLineEdit *>()) {
        edit->setFont(font);
    }
}

QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top, int width,
                        int height) {
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(true);
    place(button, left, top, width, height);
    return button;
}

} // namespace tarvolin

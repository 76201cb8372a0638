#include "main_window/controls.h"

#include <algorithm>

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

void fitCaptions(QWidget *window, bool mayShrinkFont) {
    const auto controls = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QList<QLabel *> captions = window->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    // Labels without a caption yet (the key rows) keep their fixed size.
    captions.removeIf([](const QLabel *label) { return label->text().isEmpty(); });
    const auto blocker = [&](const QLabel *label) -> const QWidget * {
        for (const QWidget *other : controls) {
            if (!other->isWindow() && other->x() > label->x() &&
                label->geometry().intersects(other->geometry()))
                return other;
        }
        return nullptr;
    };
    // The geometry was laid out for an 8-point font of narrow metrics; half a point less
    // usually makes up for a wider one.
    QFont font = window->font();
    while (mayShrinkFont && font.pointSizeF() > 7 &&
           std::any_of(captions.cbegin(), captions.cend(), blocker)) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        window->setFont(font);
        for (QLabel *label : captions)
            label->adjustSize();
    }
    // Whatever still runs into the control it names wraps its words in front of it.
    const int gap = twips(60);
    for (QLabel *label : captions) {
        if (const QWidget *other = blocker(label)) {
            const int room = other->x() - label->x() - gap;
            label->setWordWrap(true);
            label->resize(room, label->heightForWidth(room));
        }
    }
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

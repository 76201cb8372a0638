#pragma once

#include "main_window/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <limits>

namespace tarvolin {

// Builders for the controls both windows place by hand; every position and size is in twips.

inline void place(QWidget *widget, int left, int top, int width, int height) {
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

// A label whose caption is shown as plain text: key names come from URLs and must never be
// taken for markup.
QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width,
                  int height);

// A label that grows or shrinks to fit its caption.
QLabel *makeCaptionLabel(QWidget *parent, const QString &caption, int left, int top);

// A button that Enter never presses on its own (buttons in dialogs default to that).
QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top, int width,
                        int height);

template <typename Box = QLineEdit>
Box *makeBox(QWidget *parent, int left, int top, int width, int height) {
    auto *box = new Box(parent);
    // URLs of several megabytes must arrive whole; QLineEdit would cut them at 32767.
    box->setMaxLength(std::numeric_limits<int>::max());
    place(box, left, top, width, height);
    return box;
}

} // namespace tarvolin

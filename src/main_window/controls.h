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

// Makes every caption of `window` fit in front of the control to its right: the geometry is
// laid out for one font, and a wider desktop font must not push a caption under the box it
// names. When allowed, the window's font first shrinks by half points (not below 7); a caption
// that still does not fit wraps its words. Call once all controls are placed.
void fitCaptions(QWidget *window, bool mayShrinkFont);

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

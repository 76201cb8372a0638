#pragma once

#include "widgets/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <limits>

namespace tarvolin {

// Builders for the controls both windows place by hand; every position and size is in twips.
// A control remembers its twips; layOut gives it its pixels once the window's scale is known.

inline constexpr char kTwipsProperty[] = "tarvolinTwips";

inline void place(QWidget *widget, int left, int top, int width, int height) {
    widget->setProperty(kTwipsProperty, QRect(left, top, width, height));
}

// Sets every placed control of `window` to its twips at `scale`.
void layOut(QWidget &window, TwipScale scale);

// A label whose caption is shown as plain text: key names come from URLs and must never be
// taken for markup.
QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top, int width,
                  int height);

// A caption in front of the control it names, which starts at `namedLeft`: it may take the
// room up to that control, less a gap, and is centred on the control's line.
QLabel *makeCaptionLabel(QWidget *parent, const QString &caption, int left, int top, int namedLeft);

// A caption wider than its room (the dialog shares the main window's scale, and a font
// shrunk as far as it goes still may not fit) wraps its words and grows downwards. Call after
// layOut.
void wrapLongCaptions(QWidget &window);

// Gives every edit field of the window, drop-downs' included, the window's font drawn as typed:
// no ligatures or kerning, which also spares laying out a changed value the text shaper's work
// (about a fifth of a Parse click that changes every row). Scripts that need shaping are still
// shaped. Call once the window's font is final: the fields' fonts are set in full, so that a
// style sheet cannot swap them for the application's.
void showEditsAsTyped(QWidget &window);

// A button that Enter presses while it has the focus, as Space does.
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

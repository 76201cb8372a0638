#pragma once

#include "widgets/twips.h"

#include <QSize>

class QWidget;

namespace tarvolin {

// Chooses the scale of a window's twips and lays the window out at it (controls.h).
//
// The scale is the smallest at which every shown caption of the window (labels with text,
// buttons) fits its control in the window's font, and never less than the screen's logical
// DPI gives: a user who asks for larger text gets a larger window, every control in
// proportion. Only when the window, `outerTwips` in size with its frame, would then not fit
// the screen's available area does the font ever get smaller: the window is scaled to fit the
// screen first, and the font shrinks only as far as the captions still need. The window's font
// is fixed at the one it was laid out for, so a font change while it runs waits for the next
// start. Call once every control is placed.
TwipScale fitWindowScale(QWidget &window, QSize outerTwips);

} // namespace tarvolin

#pragma once

#include "widgets/twips.h"

class QWidget;

namespace tarvolin {

// Sizes a top-level window so that its outer size, frame and caption included, is the given
// number of twips at `scale`. Before the window system has framed the window (not yet shown,
// or a platform without frames) the frame of a classic sizable window with caption is assumed:
// 90 twips wider and 375 twips higher than the client area.
void setOuterSize(QWidget &window, TwipScale scale, int outerWidthTwips, int outerHeightTwips);

} // namespace tarvolin

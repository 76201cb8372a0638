#pragma once

#include <QRect>

namespace tarvolin {

// The window geometry is given in twips, 1/1440 of a logical inch. One scale turns them into
// pixels for the main window and its dialog alike: 1/15 at 96 dots per inch, more when the
// desktop's font needs it (window_scale.h).
class TwipScale {
public:
    constexpr explicit TwipScale(double pixelsPerTwip = 1.0 / 15) : perTwip_(pixelsPerTwip) {}

    double pixelsPerTwip() const { return perTwip_; }
    int pixels(int twips) const { return qRound(twips * perTwip_); }
    // Edges are rounded, not sizes, so controls that are apart in twips never touch in pixels.
    QRect pixels(const QRect &twips) const {
        const int left = pixels(twips.left());
        const int top = pixels(twips.top());
        return QRect(left, top, pixels(twips.left() + twips.width()) - left,
                     pixels(twips.top() + twips.height()) - top);
    }

private:
    double perTwip_;
};

} // namespace tarvolin

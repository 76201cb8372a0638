#include "widgets/window_scale.h"

#include "widgets/controls.h"

#include <QFontInfo>
#include <QScreen>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace tarvolin {

namespace {

// The smallest font the last resort shrinks to; below it captions wrap instead.
constexpr double kSmallestPoints = 5;

// The pixels a button's caption needs: the text, the style's margins around it and a blank's
// width of air on either side, so that the text never touches the bevel.
QSize buttonNeed(const QPushButton &button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.rect = QRect(0, 0, 1000, 1000);
    const QRect contents =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const QFontMetrics metrics = button.fontMetrics();
    return metrics.size(Qt::TextShowMnemonic, button.text()) + option.rect.size() -
           contents.size() + QSize(2 * metrics.horizontalAdvance(u' '), 0);
}

// The smallest scale at which every shown caption fits its control, with a pixel to spare for
// rounding.
double captionScale(const QWidget &window) {
    double scale = 0;
    for (const QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect twips = control->property(kTwipsProperty).toRect();
        QSize need;
        if (const auto *label = qobject_cast<const QLabel *>(control)) {
            need = label->text().isEmpty() ? QSize() : label->sizeHint();
        } else if (const auto *button = qobject_cast<const QPushButton *>(control)) {
            need = buttonNeed(*button);
        }
        if (need.isEmpty() || control->isHidden() || twips.isEmpty()) {
            continue;
        }
        scale = std::max({scale, (need.width() + 1) / double(twips.width()),
                          (need.height() + 1) / double(twips.height())});
    }
    return scale;
}

} // namespace

TwipScale fitWindowScale(QWidget &window, QSize outerTwips) {
    // Fixed at the desktop's font of this start (a point size, even if it was given in pixels).
    QFont font = window.font();
    font.setFamily(font.family());
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF());
    window.setFont(font);

    double scale = std::max(window.logicalDpiX() / 1440.0, captionScale(window));
    const QSize available = window.screen()->availableGeometry().size();
    const double screenScale = std::min(available.width() / double(outerTwips.width()),
                                        available.height() / double(outerTwips.height()));
    if (scale > screenScale) {
        scale = screenScale;
        // Text narrows about in proportion to its font, so the search for the largest quarter
        // point that fits starts a little above that proportion: hinting makes widths jump.
        const double desktop = font.pointSizeF();
        double points = std::min(desktop - 0.25,
                                 std::ceil(4 * desktop * scale / captionScale(window)) / 4 + 0.5);
        for (;; points -= 0.25) {
            font.setPointSizeF(std::max(points, kSmallestPoints));
            window.setFont(font);
            if (points <= kSmallestPoints || captionScale(window) <= scale) {
                break;
            }
        }
    }
    const TwipScale result(scale);
    layOut(window, result);
    return result;
}

} // namespace tarvolin

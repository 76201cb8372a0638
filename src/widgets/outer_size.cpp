#include "widgets/outer_size.h"

#include <QWidget>

namespace tarvolin {

void setOuterSize(QWidget &window, TwipScale scale, int outerWidthTwips, int outerHeightTwips) {
    QSize frame = window.frameGeometry().size() - window.geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0) {
        frame = QSize(scale.pixels(90), scale.pixels(375));
    }
    window.resize(scale.pixels(outerWidthTwips) - frame.width(),
                  scale.pixels(outerHeightTwips) - frame.height());
}

} // namespace tarvolin

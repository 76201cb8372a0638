#include "main_window/outer_size.h"

#include "main_window/twips.h"

#include <QWidget>

namespace tarvolin {

void setOuterSize(QWidget &window, int outerWidthTwips, int outerHeightTwips) {
    QSize frame = window.frameGeometry().size() - window.geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0) {
        frame = QSize(twips(90), twips(375));
    }
    window.resize(twips(outerWidthTwips) - frame.width(), twips(outerHeightTwips) - frame.height());
}

} // namespace tarvolin

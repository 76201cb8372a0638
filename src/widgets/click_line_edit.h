#pragma once

#include <QLineEdit>

namespace tarvolin {

// A single-line text box that reports a left click once the line edit has finished its own
// mouse handling, so a handler may change the selection without the box undoing it (a
// release on selected text otherwise clears the selection).
class ClickLineEdit : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace tarvolin

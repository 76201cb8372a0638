#pragma once

#include <QRadioButton>

namespace tarvolin {

// A key row's clear control: a round button drawn without its caption (the caption, "Option1",
// was only ever hidden by the button's size, which grows with the desktop's font). It is not
// auto-exclusive; whoever owns it sets its selected state.
//
// A screen reader is told it is a button with one action, "Press", which clicks it as the mouse
// and Space do. A plain radio button offers only "Toggle", which changes the selected state
// without a click, and is announced by its checked state, which here means only "cleared last".
class ClearButton final : public QRadioButton {
    Q_OBJECT

public:
    ClearButton(const QString &caption, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tarvolin

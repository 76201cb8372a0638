#pragma once

#include <QComboBox>
#include <QPersistentModelIndex>

class QItemSelection;

namespace tarvolin {

// A drop-down whose closed list takes a selection as the user's choice, as Return on that
// entry of the open list would: the entry becomes current and `activated` follows. Screen
// readers, switch access and voice control choose an entry of a closed drop-down so, through
// the list's accessible interface (selecting its row, or the entry's "Toggle" action).
// Not a choice: a selection while the list is open or opening (the highlight that arrows
// move), in a disabled drop-down, or one that moves the list's current entry with it (the
// list's own doing, as when it keeps an entry selected while rows go).
//
// It has a string list model of its own (useStringListModel); setModel would leave the new
// model's selections unwatched.
class PickComboBox final : public QComboBox {
    Q_OBJECT

public:
    explicit PickComboBox(QWidget *parent);
    void showPopup() override;

private:
    void chooseSelected(const QItemSelection &selected);

    bool opening_ = false;
    // The list's current entry as of its last change: a selection alone leaves it in place.
    QPersistentModelIndex current_;
};

} // namespace tarvolin

#pragma once

#include <functional>

class QComboBox;

namespace tarvolin {

// Shift+Delete (the keypad's Delete too) on the highlighted entry of a combo box's open list
// calls forget with that entry's row; the list takes no other key from it. forget removes from
// the list what it forgot, or nothing when it refused or failed. An open list that lost entries
// fits the rest at once, with the highlight on the entry now in the forgotten one's place (or
// the last one); a list left empty closes.
void forgetOnShiftDelete(QComboBox *combo, std::function<void(int row)> forget);

} // namespace tarvolin

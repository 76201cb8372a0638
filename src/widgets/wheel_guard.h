#pragma once

class QComboBox;

namespace tarvolin {

// Keeps a stray wheel turn from choosing an entry. A closed QComboBox takes the focus and
// steps through its entries on every wheel turn over it, raising `activated` as a choice would;
// resting the pointer on the engine list and scrolling would then switch the engine and clear
// the window. After this call the box takes no focus from the wheel and ignores the wheel
// unless it already has the keyboard focus; with the focus, the wheel steps through the
// entries as the arrow keys do. Clicks, the drop-down and the keyboard work as before.
void guardWheel(QComboBox *combo);

} // namespace tarvolin

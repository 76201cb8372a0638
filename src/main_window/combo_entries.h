#pragma once

#include <QStringList>

class QComboBox;

namespace tarvolin {

// Appends items at the end of a combo box's list without choosing any of them. QComboBox
// makes the first entry current when an empty list receives items; a list filled by the
// program must show no choice until the user makes one (the pool's "chosen entry" is what
// "Add key to form" takes).
void appendEntries(QComboBox *combo, const QStringList &items);

} // namespace tarvolin

#pragma once

#include <QString>

class QComboBox;

namespace tarvolin {

// Names in an editable combo box's edit field, as its grey placeholder, how many entries its
// list holds: `one` for one entry, `many` with "%1" for the count otherwise, nothing for an
// empty list. The line edit shows it only while its text is empty. Follows the changes of the
// model the combo box has at the call.
void showEntryCount(QComboBox *combo, const QString &one, const QString &many);

} // namespace tarvolin

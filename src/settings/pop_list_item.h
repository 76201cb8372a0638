#pragma once

#include <QStringView>

namespace tarvolin {

// Removes the first item from a NUL-separated list and returns it, as a view into the list, so
// nothing is allocated. When the list holds no NUL the result is empty and the list is left
// unchanged (so a cut last name stays put and a reading loop must end there).
QStringView PopListItem(QStringView &list);

} // namespace tarvolin

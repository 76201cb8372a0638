#pragma once

#include <QString>

namespace tarvolin {

// Removes the first item from a NUL-separated list and returns it. When the list holds no
// NUL the result is empty and the list is left unchanged (so a cut last name stays put and a
// reading loop must end there). Cost is proportional to the item, not to the list.
QString PopListItem(QString &list);

} // namespace tarvolin

#pragma once

#include <QString>
#include <QStringView>

namespace tarvolin {

// Removes the first item from a NUL-separated list and returns it. When the list holds no
// NUL the result is empty and the list is left unchanged (so a cut last name stays put and a
// reading loop must end there). Cost is proportional to the item, not to the list.
QString PopListItem(QString &list);

// The same on a view of the list: the item is a view into it, so nothing is allocated.
QStringView PopListItem(QStringView &list);

} // namespace tarvolin

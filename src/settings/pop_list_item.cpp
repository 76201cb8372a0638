#include "settings/pop_list_item.h"

namespace tarvolin {

QString PopListItem(QString &list) {
    const qsizetype nul = list.indexOf(QChar(u'\0'));
    if (nul < 0)
        return QString();
    QString item = list.left(nul);
    // Removing from the front of an unshared Qt 6 string only moves its start: O(1).
    list.remove(0, nul + 1);
    return item;
}

QStringView PopListItem(QStringView &list) {
    const qsizetype nul = list.indexOf(QChar(u'\0'));
    if (nul < 0)
        return QStringView();
    const QStringView item = list.first(nul);
    list = list.sliced(nul + 1);
    return item;
}

} // namespace tarvolin

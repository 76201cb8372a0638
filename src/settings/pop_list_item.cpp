#include "settings/pop_list_item.h"

namespace tarvolin {

QStringView PopListItem(QStringView &list) {
    const qsizetype nul = list.indexOf(QChar(u'\0'));
    if (nul < 0)
        return QStringView();
    const QStringView item = list.first(nul);
    list = list.sliced(nul + 1);
    return item;
}

} // namespace tarvolin

#include "settings/pop_list_item.h"

#include <algorithm>

namespace tarvolin {

QStringView PopListItem(QStringView &list) {
    // Items are short: a plain search beats the set-up of Qt's vectorised one.
    const QChar *nul = std::find(list.begin(), list.end(), QChar(u'\0'));
    if (nul == list.end())
        return QStringView();
    const QStringView item(list.begin(), nul);
    list = QStringView(nul + 1, list.end());
    return item;
}

} // namespace tarvolin

#include "settings/profile_reader.h"

#include "settings/pop_list_item.h"

#include <algorithm>

namespace tarvolin {

QStringList SplitProfileList(QStringView list) {
    QStringList items;
    // Every item ends with its NUL: one count sizes the list once. Inlined, the count is
    // vectorised; Qt's own is a plain loop.
    items.reserve(qsizetype(std::count(list.begin(), list.end(), QChar(u'\0'))));
    while (!list.isEmpty()) {
        const qsizetype before = list.size();
        const QStringView item = PopListItem(list);
        if (list.size() == before)
            break; // a remainder without NUL
        if (!item.isEmpty())
            items.append(item.toString());
    }
    return items;
}

QString ReadProfileValue(ProfileStore &store, const QString &section, const QString &key,
                         const QString &path) {
    return store.readValue(section, key, path).value_or(QString());
}

QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section,
                                  const QString &path) {
    return SplitProfileList(store.readEntryList(section, path));
}

QStringList ReadProfileSectionNames(ProfileStore &store, const QString &path) {
    return SplitProfileList(store.readSectionList(path));
}

} // namespace tarvolin

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

namespace {

// Whether SplitProfileList(list) would give items.
bool listHolds(QStringView list, const QStringList &items) {
    qsizetype matched = 0;
    while (!list.isEmpty()) {
        const qsizetype before = list.size();
        const QStringView item = PopListItem(list);
        if (list.size() == before)
            break;
        if (item.isEmpty())
            continue;
        if (matched == items.size() || items[matched] != item)
            return false;
        ++matched;
    }
    return matched == items.size();
}

} // namespace

QString ReadProfileValue(ProfileStore &store, const QString &section, const QString &key,
                         const QString &path) {
    return store.readValue(section, key, path).value_or(QString());
}

QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section,
                                  const QString &path) {
    return SplitProfileList(store.readEntryList(section, path));
}

QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section, const QString &path,
                                  const QStringList &known) {
    const QString list = store.readEntryList(section, path);
    return listHolds(list, known) ? known : SplitProfileList(list);
}

QStringList ReadProfileSectionNames(ProfileStore &store, const QString &path) {
    return SplitProfileList(store.readSectionList(path));
}

} // namespace tarvolin

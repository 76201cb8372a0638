#include "settings/profile_reader.h"

#include "settings/pop_list_item.h"

namespace tarvolin {

namespace {

// Calls visit with each non-empty item of a NUL-separated list, in order, while it returns
// true; a remainder without NUL ends the list. Returns false when visit stopped it.
template <typename Visit> bool forEachItem(QStringView list, Visit visit) {
    while (!list.isEmpty()) {
        const qsizetype before = list.size();
        const QStringView item = PopListItem(list);
        if (list.size() == before)
            break;
        if (!item.isEmpty() && !visit(item))
            return false;
    }
    return true;
}

// Whether SplitProfileList(list) would give items.
bool listHolds(QStringView list, const QStringList &items) {
    qsizetype matched = 0;
    return forEachItem(list,
                       [&](QStringView item) {
                           return matched < items.size() && items[matched++] == item;
                       }) &&
           matched == items.size();
}

} // namespace

QStringList SplitProfileList(QStringView list) {
    QStringList items;
    forEachItem(list, [&](QStringView item) {
        items.append(item.toString());
        return true;
    });
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

QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section, const QString &path,
                                  const QStringList &known) {
    const QString list = store.readEntryList(section, path);
    return listHolds(list, known) ? known : SplitProfileList(list);
}

QStringList ReadProfileSectionNames(ProfileStore &store, const QString &path) {
    return SplitProfileList(store.readSectionList(path));
}

} // namespace tarvolin

#include "settings/profile_reader.h"

#include "settings/pop_list_item.h"

#include <limits>

namespace tarvolin {

namespace {

// Doubling keeps the total copying linear; the group keeps the file read once meanwhile.
bool grow(qsizetype &size) {
    if (size > std::numeric_limits<qsizetype>::max() / 4)
        return false;
    size *= 2;
    return true;
}

QStringList splitList(QString list) {
    QStringList items;
    while (!list.isEmpty()) {
        const qsizetype before = list.size();
        QString item = PopListItem(list);
        if (list.size() == before)
            break; // a remainder without NUL
        if (!item.isEmpty())
            items.append(std::move(item));
    }
    return items;
}

template <typename Read> QStringList readList(ProfileStore &store, Read read) {
    ProfileStore::Group group(store);
    qsizetype size = kProfileBufferSize;
    for (;;) {
        QString buffer(size, u' ');
        const qsizetype count = read(buffer, size);
        if (count < size - 2 || !grow(size)) {
            buffer.truncate(count);
            return splitList(std::move(buffer));
        }
    }
}

} // namespace

QString ReadProfileValue(ProfileStore &store, const QString &section, const QString &key,
                         const QString &path) {
    ProfileStore::Group group(store);
    qsizetype size = kProfileBufferSize;
    for (;;) {
        QString buffer(size, u' ');
        const qsizetype count =
            store.GetPrivateProfileString(section, key, QString(), buffer, size, path);
        if (count < size - 1 || !grow(size)) {
            buffer.truncate(count);
            return buffer;
        }
    }
}

QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section,
                                  const QString &path) {
    return readList(store, [&](QString &buffer, qsizetype size) {
        return store.GetPrivateProfileString(section, std::nullopt, QString(), buffer, size, path);
    });
}

QStringList ReadProfileSectionNames(ProfileStore &store, const QString &path) {
    return readList(store, [&](QString &buffer, qsizetype size) {
        return store.GetPrivateProfileSectionNames(buffer, size, path);
    });
}

} // namespace tarvolin

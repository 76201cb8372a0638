#pragma once

#include "settings/profile_store.h"

#include <QStringList>

namespace tarvolin {

// The program's readers over the store's typed reads. Values and lists arrive whole; lists are
// split with PopListItem and their empty names skipped.

// The value of one entry; empty when the entry is missing or empty.
QString ReadProfileValue(ProfileStore &store, const QString &section, const QString &key,
                         const QString &path);

// The non-empty entry names of a section, in file order.
QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section, const QString &path);

// The same, handing back known itself, without a new string per name, when the section lists
// exactly its names: a list shown again after a handler that added nothing to it.
QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section, const QString &path,
                                  const QStringList &known);

// The non-empty section names of a file, in file order.
QStringList ReadProfileSectionNames(ProfileStore &store, const QString &path);

// The non-empty items of a NUL-separated list, in list order; a remainder without NUL ends it.
QStringList SplitProfileList(QStringView list);

} // namespace tarvolin

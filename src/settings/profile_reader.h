#pragma once

#include "settings/profile_store.h"

#include <QStringList>

namespace tarvolin {

// The program's readers: each starts with the customary buffer of 2048 blanks, grows it and
// reads again whenever the result signals a cut, so values and lists always arrive whole. Each
// holds a ProfileStore::Group meanwhile, so the retries do not read the file again. Lists are
// split with PopListItem and their empty names skipped.
inline constexpr qsizetype kProfileBufferSize = 2048;

// The value of one entry; empty when the entry is missing or empty (result 0).
QString ReadProfileValue(ProfileStore &store, const QString &section, const QString &key,
                         const QString &path);

// The non-empty entry names of a section, in file order.
QStringList ReadProfileEntryNames(ProfileStore &store, const QString &section, const QString &path);

// The non-empty section names of a file, in file order.
QStringList ReadProfileSectionNames(ProfileStore &store, const QString &path);

} // namespace tarvolin

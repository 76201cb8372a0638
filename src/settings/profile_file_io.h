#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>
#include <span>

namespace tarvolin {

// The store's reads and writes of whole files, and its checks before a write.

// Empty when there is no file; nullopt when something is there that cannot be read: a folder or
// a pipe (never opened, so never blocks), or a file without read permission or with a read error.
// A file that holds exactly the known bytes hands them back, shared: it is read a piece at a
// time and compared while the piece is in the cache, so an unchanged file costs no new buffer
// and no second pass over memory.
std::optional<QByteArray> readFileBytes(const QString &filePath, const QByteArray &known = {});

// False when a write to the file is bound to fail, so that it fails at once and not silently
// when its group ends: something there that is not a regular file, a file whose mode gives its
// owner no write permission (the user's way of freezing it, decided by the mode and not by
// access(2), which lets root write anything), a name too long, or a folder we may not write to.
bool mayWrite(const QString &filePath);

// Writes the bytes (pieces, in order) to a temporary beside the file, synced to the disk, calls
// beforeRename, and renames the temporary over the file: a reader or a crash meets the old bytes or
// the new ones, never a part. The file keeps its mode; a symbolic link stays a link, and the file
// it names is replaced. The temporary is ".tarvolin-save-" and twelve random lower-case letters or
// digits, a name no file of the user's has. False when anything failed; the file is then as it was
// and the temporary gone.
bool saveAtomically(const QString &filePath, std::span<const QByteArrayView> bytes,
                    const std::function<void()> &beforeRename);

// Removes the temporaries killed writers left in the folder, and no other file. Call it only
// under the folder's lock, which every writer holds while its temporary exists.
void removeLeftoverTemporaries(const QString &folder);

} // namespace tarvolin

#pragma once

#include <chrono>
#include <filesystem>

namespace tarvolin {

// The lock that lets one writer at a time change the profile files of a folder, across every
// process and machine that shares the folder.
//
// It is held on ".tarvolin.lock", a file of the folder that the first write creates and that
// stays for good. It never holds data and is never deleted: a writer that deleted it while
// another waited would let a third lock a new file of the same name beside the second. It is
// a file opened for reading and writing, not the folder itself, because network file systems
// (NFS, SMB) carry only locks of such files to the server; a lock on a folder binds one
// machine alone. Where another account made the file and we may only read it, it is locked
// through a read-only descriptor, which a local flock(2) accepts: that account's writers are
// waited for like any other. The system releases the lock when its holder's descriptor closes,
// also when the holder dies, so a crash never leaves a lock to wait for.
//
// Whatever else is at its name (a link, planted or dangling; a folder, a pipe, a device) is
// never followed, opened for writing or removed: lock() answers Refused.
//
// POSIX: flock(2) on the file. Windows: LockFileEx on its first byte.
// Standard library and platform calls only, so that both branches build without Qt.
class FolderLock {
public:
    static constexpr const char *kFileName = ".tarvolin.lock";

    enum class Result {
        Locked,
        // Another holder kept it for the whole wait.
        Busy,
        // The file system refuses locks here (no lock support), or no regular file can be the
        // lock file: error() tells why.
        Refused,
        // The lock file cannot be opened (another account's, unreadable to us) or the lock failed
        // otherwise: a write must not go ahead.
        Failed,
    };

    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Takes the lock of folder, trying again with pauses of 1 to 10 ms while another holder
    // has it, for at most timeout. Taking a lock already held returns Locked at once.
    Result lock(const std::filesystem::path &folder, std::chrono::milliseconds timeout);
    void unlock();
    bool isLocked() const;
    // The system's error number (errno, or GetLastError on Windows) of the last Refused or Failed.
    int error() const { return error_; }

private:
    Result openFile(const std::filesystem::path &folder);
    Result tryLock();
    void closeFile();

#ifdef _WIN32
    void *handle_ = nullptr;
#else
    int fd_ = -1;
    bool readOnly_ = false;
#endif
    int error_ = 0;
};

} // namespace tarvolin

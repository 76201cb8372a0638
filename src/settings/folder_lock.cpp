#include "settings/folder_lock.h"

#include <algorithm>
#include <thread>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvolin {

namespace {
// Pauses between tries grow to this: a waiting writer gets in soon after the holder's write,
// even when the holder comes straight back for the next one.
constexpr std::chrono::milliseconds kPauseMax{10};
} // namespace

FolderLock::~FolderLock() {
    unlock();
}

FolderLock::Result FolderLock::lock(const std::filesystem::path &folder,
                                    std::chrono::milliseconds timeout) {
    if (isLocked())
        return Result::Locked;
    if (const Result opened = openFile(folder); opened != Result::Locked)
        return opened;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds pause{1};
    for (;;) {
        const Result result = tryLock();
        if (result == Result::Locked)
            return result;
        if (result != Result::Busy || std::chrono::steady_clock::now() >= deadline) {
            closeFile();
            return result;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kPauseMax);
    }
}

void FolderLock::unlock() {
    // Closing the file releases its lock.
    closeFile();
}

#ifdef _WIN32

bool FolderLock::isLocked() const {
    return handle_ != nullptr;
}

// Locked here means open, the lock not yet tried.
FolderLock::Result FolderLock::openFile(const std::filesystem::path &folder) {
    // A link or junction at the name is opened itself, never followed, and then refused.
    const HANDLE handle =
        ::CreateFileW((folder / kFileName).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error_ = int(::GetLastError());
        return Result::Refused;
    }
    handle_ = handle;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(handle, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return Result::Locked;
    closeFile();
    error_ = ERROR_CANT_ACCESS_FILE;
    return Result::Refused;
}

FolderLock::Result FolderLock::tryLock() {
    OVERLAPPED at{};
    if (::LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return Result::Locked;
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return Result::Busy;
    error_ = int(error);
    return Result::Refused;
}

void FolderLock::closeFile() {
    if (handle_ != nullptr)
        ::CloseHandle(handle_);
    handle_ = nullptr;
}

#else

bool FolderLock::isLocked() const {
    return fd_ >= 0;
}

// Locked here means open, the lock not yet tried.
FolderLock::Result FolderLock::openFile(const std::filesystem::path &folder) {
    // O_NOFOLLOW: a link at the name, planted or dangling, is neither followed nor made a file;
    // O_NONBLOCK and O_NOCTTY: a pipe or terminal there neither blocks us nor becomes ours;
    // O_CLOEXEC keeps the lock out of programs the window starts (the browser).
    constexpr int kFlags = O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    const std::string name = (folder / kFileName).string();
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    // Another account's lock file (mode 0644): a local flock takes a read-only descriptor.
    readOnly_ = fd_ < 0 && errno == EACCES;
    if (readOnly_)
        fd_ = ::open(name.c_str(), O_RDONLY | kFlags);
    if (fd_ < 0) {
        error_ = errno;
        // One we may not even read is still another writer's lock: never write past it.
        return error_ == EACCES || error_ == EPERM ? Result::Failed : Result::Refused;
    }
    struct stat status {};
    if (::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode))
        return Result::Locked;
    closeFile();
    error_ = EINVAL;
    return Result::Refused;
}

FolderLock::Result FolderLock::tryLock() {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
        return Result::Locked;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return Result::Busy;
    error_ = errno;
    // Only a file system that keeps no locks at all goes on without one; NFS refuses an exclusive
    // lock of a read-only descriptor (EBADF, EINVAL). Any other error is a lock that failed.
    const bool noLocks = error_ == ENOLCK || error_ == EOPNOTSUPP || error_ == ENOSYS ||
                         (readOnly_ && (error_ == EBADF || error_ == EINVAL));
    return noLocks ? Result::Refused : Result::Failed;
}

void FolderLock::closeFile() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

#endif

} // namespace tarvolin

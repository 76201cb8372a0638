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
    if (!openFile(folder))
        return Result::Refused;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds pause{1};
    for (;;) {
        const Result result = tryLock();
        if (result == Result::Locked)
            return result;
        if (result == Result::Refused || std::chrono::steady_clock::now() >= deadline) {
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

bool FolderLock::openFile(const std::filesystem::path &folder) {
    const HANDLE handle = ::CreateFileW((folder / kFileName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error_ = int(::GetLastError());
        return false;
    }
    handle_ = handle;
    return true;
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

bool FolderLock::openFile(const std::filesystem::path &folder) {
    // O_CLOEXEC keeps the lock out of programs the window starts (the browser).
    fd_ = ::open((folder / kFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

FolderLock::Result FolderLock::tryLock() {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
        return Result::Locked;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return Result::Busy;
    // ENOLCK, EOPNOTSUPP, ENOSYS, EINVAL, EBADF...: this file system keeps no locks.
    error_ = errno;
    return Result::Refused;
}

void FolderLock::closeFile() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

#endif

} // namespace tarvolin

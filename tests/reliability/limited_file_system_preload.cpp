// Preloaded into a writer, it stands for a file system that lacks something the store uses,
// chosen by TARVOLIN_LIMIT:
//   all      every flock(2) and fcntl(2) lock fails with ENOLCK;
//   folders  flock fails with EBADF on a folder or a file opened read-only, as NFS answers it.
// In every mode, each fsync(2) of a folder says "folder synced" on stderr.

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool refusing(const char *what) {
    const char *mode = std::getenv("TARVOLIN_LIMIT");
    return mode != nullptr && std::strcmp(mode, what) == 0;
}
} // namespace

extern "C" int fcntl(int fd, int command, ...) {
    static const auto real = reinterpret_cast<int (*)(int, int, ...)>(dlsym(RTLD_NEXT, "fcntl"));
    va_list arguments;
    va_start(arguments, command);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    const bool lock = command == F_SETLK || command == F_SETLKW || command == F_OFD_SETLK ||
                      command == F_OFD_SETLKW;
    if (lock && refusing("all")) {
        errno = ENOLCK;
        return -1;
    }
    return real(fd, command, argument);
}

extern "C" int flock(int fd, int operation) {
    static const auto real = reinterpret_cast<int (*)(int, int)>(dlsym(RTLD_NEXT, "flock"));
    struct stat status {};
    const bool readOnly =
        ::fstat(fd, &status) == 0 &&
        (S_ISDIR(status.st_mode) || (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY);
    if (refusing("all") || (refusing("folders") && readOnly)) {
        errno = refusing("all") ? ENOLCK : EBADF;
        return -1;
    }
    return real(fd, operation);
}

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode))
        (void)!::write(STDERR_FILENO, "folder synced\n", 14);
    return real(fd);
}

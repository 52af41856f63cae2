#include "model/ReadOnlyFile.h"

#include <cerrno>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define QUENLIX_POSIX_OPEN 1
#endif

namespace quenlix {

#ifdef QUENLIX_POSIX_OPEN

ReadOnlyFile OpenRegularFileForReading(const std::string& path)
{
    // O_NONBLOCK: a named pipe without a writer must not hold the open; O_NOCTTY:
    // a terminal named by mistake must not become the program's terminal.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {nullptr, errno != 0 ? errno : ENOENT};
    struct stat status {};
    const int error = ::fstat(fd, &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : kNotARegularFile;
    if (error != 0) {
        ::close(fd);
        return {nullptr, error};
    }
    // Reads of a regular file never block; clear the flag so that none of them
    // ever returns EAGAIN on a file system that honours it.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        const int error = errno != 0 ? errno : ENOMEM;
        ::close(fd);
        return {nullptr, error};
    }
    return {file, 0};
}

#else

ReadOnlyFile OpenRegularFileForReading(const std::string& path)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {nullptr, errno != 0 ? errno : ENOENT};
    return {file, 0};
}

#endif

std::string SystemErrorText(int error)
{
    return std::generic_category().message(error);
}

}  // namespace quenlix

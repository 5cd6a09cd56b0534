#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileProbe.h"

namespace vqdf::platform {

bool PeekFile(const std::string& nativePath, std::size_t count, std::string& head,
              std::string& reason) {
    // Without blocking: a FIFO would wait for a writer, and a terminal would become ours.
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat status {};
    bool usable = ::fstat(fd, &status) == 0;
    if (!usable) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        reason = std::strerror(EISDIR);
        usable = false;
    } else if (!S_ISREG(status.st_mode)) {
        reason = "not a regular file";
        usable = false;
    } else {
        head.assign(count, '\0');
        ssize_t got = 0;
        do {
            got = ::read(fd, head.data(), head.size());
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            reason = std::strerror(errno);
            usable = false;
        }
        head.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    }
    ::close(fd);
    return usable;
}

bool CreateNewFile(const std::string& nativePath, std::string& reason) {
    const int fd = ::open(nativePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    ::close(fd);
    return true;
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace vqdf::platform

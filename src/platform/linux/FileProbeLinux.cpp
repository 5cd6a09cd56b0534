// What the tools report about files: a file's start, whether it can be made, whether it is a
// stream, and why a compound file cannot be read.
#include <fcntl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-input-stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileProbe.h"

namespace vqdf::platform {

bool PeekFile(const std::string& nativePath, std::size_t count, std::string& head,
              std::string& reason, int& code) {
    const auto fail = [&](int error, std::string text) {
        code = error;
        reason = std::move(text);
        return false;
    };
    // Without blocking: a FIFO would wait for a writer, and a terminal would become ours.
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return fail(errno, std::strerror(errno));
    }
    struct stat status {};
    bool usable = false;
    if (::fstat(fd, &status) != 0) {
        fail(errno, std::strerror(errno));
    } else if (S_ISDIR(status.st_mode)) {
        fail(EISDIR, std::strerror(EISDIR));
    } else if (!S_ISREG(status.st_mode)) {
        fail(0, "not a regular file");
    } else {
        head.assign(count, '\0');
        ssize_t got = 0;
        do {
            got = ::read(fd, head.data(), head.size());
        } while (got < 0 && errno == EINTR);
        usable = got >= 0 || fail(errno, std::strerror(errno));
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

std::string CompoundFileProblem(const std::string& nativePath) {
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return std::strerror(errno);
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return "another program holds it";
    }
    ::close(fd);
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(nativePath.c_str(), &error);
    GsfInfile* root = input == nullptr ? nullptr : gsf_infile_msole_new(input, &error);
    std::string problem;
    if (root == nullptr) {
        problem = "the compound file is damaged";
        if (error != nullptr && error->message != nullptr) {
            problem += std::string(": ") + error->message;
        }
    }
    if (error != nullptr) {
        g_error_free(error);
    }
    if (root != nullptr) {
        g_object_unref(root);
    }
    if (input != nullptr) {
        g_object_unref(input);
    }
    return problem;
}

bool IsStream(const std::string& nativePath) {
    struct stat status {};
    return nativePath == "-" ||
           (::stat(nativePath.c_str(), &status) == 0 &&
            (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode) || S_ISSOCK(status.st_mode)));
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace vqdf::platform

#include "platform/file_reading.h"

#include "platform/file_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bw {

namespace {

std::error_code lastError() {
    return std::error_code(errno, std::generic_category());
}

} // namespace

// Plain system calls: listing a large library reads thousands of small files, and streams
// cost several times more per file.
std::string readFile(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError("be opened", path, lastError());
    }
    std::string text;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && status.st_size > 0) {
        text.reserve(size_t(status.st_size));
    }
    char buffer[8192];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            auto code = lastError();
            ::close(fd);
            throw FileError("be read", path, code);
        }
        if (count == 0) {
            break;
        }
        text.append(buffer, size_t(count));
    }
    ::close(fd);
    return text;
}

} // namespace bw

#include "platform/file_lock.h"

#include "platform/file_error.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace bw {

namespace {

int openLockFile(const std::filesystem::path& file) {
    int descriptor;
    do {
        descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        throw FileError("be opened", file, std::error_code(errno, std::generic_category()));
    }
    return descriptor;
}

// flock with retries on signals; false when `operation` is non-blocking and the lock is taken.
bool lock(int descriptor, int operation, const std::filesystem::path& file) {
    while (::flock(descriptor, operation) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            return false;
        }
        int error = errno;
        ::close(descriptor);
        throw FileError("be locked", file, std::error_code(error, std::generic_category()));
    }
    return true;
}

} // namespace

FileLock::FileLock(std::filesystem::path path, int descriptor)
    : m_path(std::move(path)), m_descriptor(descriptor) {}

FileLock FileLock::exclusive(const std::filesystem::path& file) {
    int descriptor = openLockFile(file);
    lock(descriptor, LOCK_EX, file);
    return FileLock(file, descriptor);
}

std::optional<FileLock> FileLock::tryExclusive(const std::filesystem::path& file) {
    int descriptor = openLockFile(file);
    if (!lock(descriptor, LOCK_EX | LOCK_NB, file)) {
        ::close(descriptor);
        return std::nullopt;
    }
    return FileLock(file, descriptor);
}

bool FileLock::isHeld(const std::filesystem::path& file) {
    // Opened read-only and never created, so asking changes nothing on disk.
    int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    bool free = lock(descriptor, LOCK_SH | LOCK_NB, file);
    ::close(descriptor);
    return !free;
}

FileLock::FileLock(FileLock&& other) noexcept
    : m_path(std::move(other.m_path)), m_descriptor(std::exchange(other.m_descriptor, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
        m_path = std::move(other.m_path);
        m_descriptor = std::exchange(other.m_descriptor, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    // Closing the last descriptor of the open file releases the lock.
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

} // namespace bw

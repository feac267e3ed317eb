#include "cli/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace bw::cli {

namespace {

[[noreturn]] void fail(const std::filesystem::path& target, int error) {
    throw FileWriteError("The file could not be written: " + target.string() + ": " +
                         std::strerror(error));
}

std::filesystem::path folderOf(const std::filesystem::path& target) {
    auto folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

} // namespace

void requireWritableFolder(const std::filesystem::path& target) {
    auto folder = folderOf(target);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        fail(target, ENOENT);
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        fail(target, errno);
    }
    if (std::filesystem::is_directory(target, error)) {
        fail(target, EISDIR);
    }
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    std::string temporary =
        (folderOf(target) / ("." + target.filename().string() + ".XXXXXX")).string();
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        fail(target, errno);
    }
    auto abandon = [&](int error) {
        ::close(descriptor);
        ::unlink(temporary.c_str());
        fail(target, error);
    };
    // mkstemp makes the file private; a saved document gets the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(descriptor, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            abandon(errno);
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (::fsync(descriptor) != 0) {
        abandon(errno);
    }
    if (::close(descriptor) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        fail(target, error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        fail(target, error);
    }
}

} // namespace bw::cli

#include "platform/atomic_file.h"

#include "platform/descriptor_writing.h"
#include "platform/file_error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bw {

namespace fs = std::filesystem;

namespace {

std::error_code lastError() {
    return std::error_code(errno, std::generic_category());
}

// Owns a file descriptor; closes it on scope exit.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now so that a failing close (delayed write errors on some file systems) is seen.
    bool close() {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

const std::string_view temporaryInfix = ".tmp-";
constexpr size_t temporarySuffixSize = 16;

fs::path temporarySibling(const fs::path& target) {
    // A forked child would repeat its parent's names, so the generator is seeded per process.
    thread_local std::mt19937_64 generator;
    thread_local pid_t seededIn = 0;
    if (seededIn != ::getpid()) {
        seededIn = ::getpid();
        generator.seed(std::random_device{}());
    }
    char suffix[temporarySuffixSize + 4];
    std::snprintf(suffix, sizeof suffix, "%016llx", (unsigned long long)generator());
    return target.parent_path() /
           ("." + target.filename().string() + std::string(temporaryInfix) + suffix);
}

// Writes a temporary file with `fill`, flushes it and renames it over `target`.
template <typename Fill>
void replaceAtomically(const fs::path& target, FileAccess access, Fill fill) {
    fs::path temporary = temporarySibling(target);
    bool ownerOnly = access == FileAccess::ownerOnly;
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           ownerOnly ? 0600 : 0666));
    if (file.get() < 0) {
        throw FileError("be saved", target, lastError());
    }
    auto fail = [&](std::error_code code) {
        ::unlink(temporary.c_str());
        throw FileError("be saved", target, code);
    };
    // The umask can only take bits away; a private file gets exactly read and write.
    if (ownerOnly && ::fchmod(file.get(), 0600) != 0) {
        fail(lastError());
    }
    if (std::error_code code = fill(file.get()); code) {
        fail(code);
    }
    if (::fsync(file.get()) != 0) {
        fail(lastError());
    }
    if (!file.close()) {
        fail(lastError());
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        fail(lastError());
    }
    syncDirectory(target.parent_path());
}

} // namespace

void writeFileAtomically(const fs::path& target, std::string_view contents, FileAccess access) {
    replaceAtomically(target, access, [&](int fd) {
        return writeAll(fd, contents.data(), contents.size()) ? std::error_code() : lastError();
    });
}

void copyFileAtomically(const fs::path& source, const fs::path& target, FileAccess access) {
    Descriptor input(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (input.get() < 0) {
        throw FileError("be opened", source, lastError());
    }
    replaceAtomically(target, access, [&](int fd) {
        std::vector<char> buffer(1 << 16);
        for (;;) {
            ssize_t count = ::read(input.get(), buffer.data(), buffer.size());
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                return lastError();
            }
            if (count == 0) {
                return std::error_code();
            }
            if (!writeAll(fd, buffer.data(), size_t(count))) {
                return lastError();
            }
        }
    });
}

void renameWithoutReplacingPortably(const fs::path& from, const fs::path& to) {
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0) {
        throw FileError("be moved", from, lastError());
    }
    if (!S_ISDIR(info.st_mode)) {
        // A hard link refuses an existing name.
        if (::link(from.c_str(), to.c_str()) != 0) {
            throw FileError("be moved", from, lastError());
        }
        if (::unlink(from.c_str()) != 0) {
            auto error = lastError();
            ::unlink(to.c_str());
            throw FileError("be moved", from, error);
        }
        return;
    }
    // A folder cannot be linked. Making the new name first claims it (mkdir refuses a name
    // that exists), and a folder renamed onto an empty folder replaces it.
    if (::mkdir(to.c_str(), 0700) != 0) {
        throw FileError("be moved", from, lastError());
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        auto error = lastError();
        ::rmdir(to.c_str());
        throw FileError("be moved", from, error);
    }
}

void renameWithoutReplacing(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) {
            throw FileError("be moved", from, lastError());
        }
        renameWithoutReplacingPortably(from, to); // a file system without RENAME_NOREPLACE
    }
    syncDirectory(to.parent_path());
    if (from.parent_path() != to.parent_path()) {
        syncDirectory(from.parent_path());
    }
}

void moveFileIntoPlace(const fs::path& from, const fs::path& to) {
    Descriptor file(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 || ::fsync(file.get()) != 0) {
        throw FileError("be saved", to, lastError());
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        throw FileError("be saved", to, lastError());
    }
    syncDirectory(to.parent_path());
}

void createDirectoriesDurably(const fs::path& folder, FileAccess access) {
    std::error_code code;
    if (fs::is_directory(folder, code)) {
        return;
    }
    if (folder.has_parent_path() && folder.parent_path() != folder) {
        createDirectoriesDurably(folder.parent_path(), access);
    }
    bool ownerOnly = access == FileAccess::ownerOnly;
    if (::mkdir(folder.c_str(), ownerOnly ? 0700 : 0777) == 0) {
        if (ownerOnly && ::chmod(folder.c_str(), 0700) != 0) {
            throw FileError("be created", folder, lastError());
        }
    } else if (errno != EEXIST) {
        throw FileError("be created", folder, lastError());
    }
    if (!fs::is_directory(folder, code)) {
        throw FileError("be created", folder, std::make_error_code(std::errc::not_a_directory));
    }
    syncDirectory(folder.parent_path());
}

std::optional<std::string> atomicWriteTarget(std::string_view temporaryName) {
    if (temporaryName.size() < 2 + temporaryInfix.size() + temporarySuffixSize ||
        temporaryName.front() != '.') {
        return std::nullopt;
    }
    auto suffix = temporaryName.substr(temporaryName.size() - temporarySuffixSize);
    if (suffix.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
        return std::nullopt;
    }
    auto rest = temporaryName.substr(1, temporaryName.size() - 1 - temporarySuffixSize);
    if (!rest.ends_with(temporaryInfix)) {
        return std::nullopt;
    }
    return std::string(rest.substr(0, rest.size() - temporaryInfix.size()));
}

void syncDirectory(const fs::path& folder) {
    // A folder that cannot be opened for syncing has nothing more to flush than the kernel
    // will flush anyway; the write itself already succeeded.
    Descriptor directory(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) {
        ::fsync(directory.get());
    }
}

} // namespace bw

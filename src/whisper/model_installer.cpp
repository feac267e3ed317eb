#include "whisper/model_installer.h"

#include "base/cancellation_error.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/file_lock.h"
#include "platform/sha1_hasher.h"
#include "whisper/model_catalog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace bw {

namespace fs = std::filesystem;

namespace {

using Kind = ModelInstallError::Kind;

constexpr double megabyte = 1e6;

std::string megabytes(std::uint64_t bytes) {
    return std::to_string(static_cast<long long>(bytes / megabyte + 0.5)) + " MB";
}

// The open partial file, locked against a second download of the same model.
class PartialFile {
public:
    PartialFile(const fs::path& path, const std::string& name) : m_path(path) {
        try {
            m_lock = FileLock::tryExclusive(path);
        } catch (const FileError& error) {
            throw writeError(error.code().value(), name);
        }
        if (!m_lock) {
            throw ModelInstallError(Kind::busy, "Another download of “" + name +
                                                    "” is running. Wait for it to finish.");
        }
        m_fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (m_fd < 0) {
            throw writeError(errno, name);
        }
    }
    // An empty partial file (nothing arrived) is not worth keeping.
    ~PartialFile() {
        if (size() == 0) {
            ::unlink(m_path.c_str());
        }
        ::close(m_fd);
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    std::uint64_t size() const {
        struct stat info {};
        return ::fstat(m_fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    }

    void truncate(const std::string& name) {
        if (::ftruncate(m_fd, 0) != 0) {
            throw writeError(errno, name);
        }
    }

    void append(std::span<const char> bytes, const std::string& name) {
        while (!bytes.empty()) {
            ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                throw writeError(errno, name);
            }
            bytes = bytes.subspan(static_cast<size_t>(written));
        }
    }

    static ModelInstallError writeError(int error, const std::string& name) {
        std::string reason = std::strerror(error);
        if (error == ENOSPC || error == EDQUOT || error == EFBIG) {
            return {Kind::notEnoughSpace,
                    "“" + name + "” couldn't be saved (" + reason +
                        "). Free some space and run the command again: the download resumes "
                        "where it stopped."};
        }
        return {Kind::writeFailed, "“" + name + "” couldn't be saved (" + reason + ")."};
    }

private:
    fs::path m_path;
    std::optional<FileLock> m_lock; // against a second download of the same model
    int m_fd = -1;
};

// Fails before the transfer when the folder's file system cannot hold what is still to come.
void requireSpace(const fs::path& directory, std::uint64_t needed, const std::string& name) {
    struct statvfs info {};
    if (::statvfs(directory.c_str(), &info) != 0) {
        return; // cannot tell: the writes will report a full disk
    }
    std::uint64_t available = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    if (available < needed) {
        throw ModelInstallError(Kind::notEnoughSpace,
                                "There isn't enough free space for “" + name + "”: it needs " +
                                    megabytes(needed) + " more, and " + megabytes(available) +
                                    " are free. Free some space and run the command again.");
    }
}

std::string downloadMessage(const DownloadError& error) {
    switch (error.kind()) {
    case DownloadError::Kind::unreachable:
        return std::string(error.what()) +
               " Check the network connection (and BRINDLEWICK_MODEL_URL, if set) and try again.";
    case DownloadError::Kind::refused:
        return std::string(error.what()) +
               " Check the model's name (and BRINDLEWICK_MODEL_URL, if set) and try again later.";
    case DownloadError::Kind::interrupted:
        break;
    }
    return std::string(error.what()) + " Run the command again: it resumes where it stopped.";
}

} // namespace

ModelInstaller::ModelInstaller(FileDownloader& downloader, fs::path directory,
                               std::string repositoryUrl)
    : m_downloader(downloader), m_directory(std::move(directory)),
      m_repositoryUrl(std::move(repositoryUrl)) {}

fs::path partialDownloadFile(const fs::path& directory, WhisperCppModel model) {
    return directory / ("." + std::string(fileName(model)) + ".partial");
}

ModelInstaller::Result ModelInstaller::install(WhisperCppModel model,
                                               const ProgressHandler& progress,
                                               std::stop_token stop) {
    const std::string name(fileName(model));
    auto expected = publishedSha1(model);
    if (!expected) {
        throw ModelInstallError(Kind::noChecksum,
                                "whisper.cpp publishes no checksum for “" + modelName(model) +
                                    "”, so a download couldn't be checked and is not offered. If "
                                    "you have the file, copy it into " +
                                    m_directory.string() + ".");
    }
    auto report = [&](ModelInstallProgress::Phase phase, std::uint64_t done,
                      std::optional<std::uint64_t> total, std::uint64_t thisRun) {
        if (progress) {
            progress({phase, done, total, thisRun});
        }
    };

    createDirectoriesDurably(m_directory);
    const fs::path target = m_directory / name;
    PartialFile partial(partialDownloadFile(m_directory, model), name);

    std::error_code error;
    if (auto size = fs::file_size(target, error); !error) {
        report(ModelInstallProgress::Phase::checking, 0, size, 0);
        Sha1Hasher installed;
        installed.updateFromFile(target, size);
        if (installed.hexDigest() == *expected) {
            fs::remove(partialDownloadFile(m_directory, model), error);
            return {target, true};
        }
    }

    // Nothing beyond the most the file can be is ever written: a server that sends more
    // (or an endless body) sends something else, and would fill the disk.
    const std::uint64_t limit = largestDownloadSize(model);
    auto tooLarge = [&](const std::string& what) {
        return ModelInstallError(Kind::downloadFailed,
                                 what + " Try again later; if it keeps happening, the server (or "
                                        "BRINDLEWICK_MODEL_URL, if set) offers a different file.");
    };
    Sha1Hasher hasher;
    std::uint64_t received = 0;
    for (int attempt = 0;; ++attempt) {
        std::uint64_t offset = partial.size();
        hasher.reset();
        if (offset > 0) {
            report(ModelInstallProgress::Phase::checking, 0, offset, 0);
            hasher.updateFromFile(partialDownloadFile(m_directory, model), offset);
        }
        std::uint64_t done = offset;
        std::optional<std::uint64_t> total;
        FileDownloader::Receiver receiver;
        receiver.started = [&](const FileDownloader::Response& response) {
            if (response.resumed && response.rangeStart != offset) {
                // Appending another part of the file than the one asked for would spoil it.
                throw ModelInstallError(
                    Kind::downloadFailed,
                    "The model server sent a different part of “" + name +
                        "” than the one asked for, so nothing of it was kept. Try again later; "
                        "if it keeps happening, the server (or BRINDLEWICK_MODEL_URL, if set) "
                        "doesn't resume downloads correctly.");
            }
            if (offset > 0 && !response.resumed) {
                // The server sends the whole file: start over.
                partial.truncate(name);
                hasher.reset();
                offset = done = 0;
            }
            if (response.length) {
                if (*response.length > limit - offset) {
                    throw tooLarge("The model server offers “" + name + "” as " +
                                   megabytes(offset + *response.length) + ", more than the " +
                                   megabytes(limit) + " it can be, so nothing was downloaded.");
                }
                total = offset + *response.length;
                requireSpace(m_directory, *response.length, name);
            }
            report(ModelInstallProgress::Phase::downloading, done, total, received);
        };
        receiver.received = [&](std::span<const char> bytes) {
            if (bytes.size() > limit - done) {
                partial.truncate(name);
                throw tooLarge("The model server sent more than the " + megabytes(limit) + " “" +
                               name + "” can be, so the download was stopped and discarded.");
            }
            partial.append(bytes, name);
            hasher.update(bytes);
            done += bytes.size();
            received += bytes.size();
            report(ModelInstallProgress::Phase::downloading, done, total, received);
        };
        try {
            if (!m_downloader.fetch(m_repositoryUrl + "/" + name, offset, receiver, stop)) {
                throw CancellationError();
            }
        } catch (const DownloadError& failure) {
            // 416: the partial file is not a beginning of the file (longer, or the file
            // changed); start over once.
            if (failure.kind() == DownloadError::Kind::refused && failure.status() == 416 &&
                offset > 0 && attempt == 0) {
                partial.truncate(name);
                continue;
            }
            throw ModelInstallError(Kind::downloadFailed, downloadMessage(failure));
        }
        report(ModelInstallProgress::Phase::verifying, done, total, received);
        break;
    }

    if (hasher.hexDigest() != *expected) {
        fs::remove(partialDownloadFile(m_directory, model), error);
        throw ModelInstallError(
            Kind::checksumMismatch,
            "The downloaded “" + name +
                "” doesn't match the checksum whisper.cpp publishes for it, so it was discarded. "
                "Run the command again; if it keeps happening, the server (or "
                "BRINDLEWICK_MODEL_URL, if set) offers a different file.");
    }
    try {
        moveFileIntoPlace(partialDownloadFile(m_directory, model), target);
    } catch (const FileError& failure) {
        throw ModelInstallError(Kind::writeFailed, failure.what());
    }
    return {target, false};
}

} // namespace bw

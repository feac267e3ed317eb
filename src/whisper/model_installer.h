// Installs a Whisper model into the user models folder: downloads its file from the model
// repository into a hidden partial file beside the target (resuming one left by an earlier
// attempt), checks it against the SHA-1 whisper.cpp publishes, and only then gives it its
// name. A file that does not match is discarded; nothing unverified ever has a model's name.
#pragma once

#include "platform/file_downloader.h"
#include "whisper/whisper_cpp_model.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>

namespace bw {

// What went wrong; what() is the user-facing message.
class ModelInstallError : public std::runtime_error {
public:
    enum class Kind {
        noChecksum,       // whisper.cpp publishes no checksum for the model
        busy,             // another process is downloading the same model
        downloadFailed,   // the server could not be reached, refused, or broke off
        notEnoughSpace,   // the disk is full, or too full for the file, or a size limit
        writeFailed,      // another failure to write the file
        checksumMismatch, // the file arrived but is not the published one (it was discarded)
    };

    ModelInstallError(Kind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

struct ModelInstallProgress {
    enum class Phase {
        checking,    // hashing what is already on disk (an installed file or a partial one)
        downloading, // receiving the file
        verifying,   // comparing the checksum
    };
    Phase phase = Phase::checking;
    std::uint64_t bytesDone = 0;             // of the whole file, including a resumed part
    std::optional<std::uint64_t> totalBytes; // the whole file's size, once known
    std::uint64_t bytesReceivedThisRun = 0;  // what this run downloaded (for the speed)
};

// The hidden file a download of the model goes to in `directory` until it is verified.
std::filesystem::path partialDownloadFile(const std::filesystem::path& directory,
                                          WhisperCppModel model);

class ModelInstaller {
public:
    using ProgressHandler = std::function<void(const ModelInstallProgress&)>;

    // `repositoryUrl`: the address a model's file name is appended to (after a "/").
    ModelInstaller(FileDownloader& downloader, std::filesystem::path directory,
                   std::string repositoryUrl);

    struct Result {
        std::filesystem::path file;
        bool alreadyInstalled = false; // the file was there and matched its checksum
    };

    // Installs the model (a file already in place that matches is kept; one that does not is
    // replaced). Throws ModelInstallError, FileError when the folder cannot be created, or
    // CancellationError when `stop` is requested, leaving the partial file for a later run.
    Result install(WhisperCppModel model, const ProgressHandler& progress, std::stop_token stop);

private:
    FileDownloader& m_downloader;
    std::filesystem::path m_directory;
    std::string m_repositoryUrl;
};

} // namespace bw

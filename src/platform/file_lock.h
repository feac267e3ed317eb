// An advisory lock on a file shared by every process of the program (flock), held for as long
// as the FileLock lives. The lock file is created private to the user when missing. A process
// that dies, however it dies, releases its locks, so a held lock always means a live holder.
#pragma once

#include <filesystem>
#include <optional>

namespace bw {

class FileLock {
public:
    // Waits until the lock is free, then holds it. Throws FileError when the lock file can't be
    // opened or created.
    static FileLock exclusive(const std::filesystem::path& file);
    // Holds the lock if it is free right now; nothing when another holder has it. Throws
    // FileError when the lock file can't be opened or created.
    static std::optional<FileLock> tryExclusive(const std::filesystem::path& file);
    // True when some process holds the lock now. A missing lock file counts as free.
    static bool isHeld(const std::filesystem::path& file);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    const std::filesystem::path& path() const { return m_path; }

private:
    FileLock(std::filesystem::path path, int descriptor);

    std::filesystem::path m_path;
    int m_descriptor = -1;
};

} // namespace bw

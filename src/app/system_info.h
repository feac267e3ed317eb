// Technical facts about this computer for the diagnostics report, read from what Linux
// publishes: the DMI product name, the processor's name in /proc/cpuinfo, /etc/os-release and
// the kernel release, physical memory, free disk space, and the sizes of the model files.
// Nothing here fails: a fact that cannot be read is absent (or 0).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

class SystemInfo {
public:
    struct ModelFile {
        std::string name;       // the entry's file name
        std::int64_t bytes = 0; // its size; a folder's is everything inside it
        bool operator==(const ModelFile&) const = default;
    };

    // Reads the system's files below `root`: "/" for this computer, a folder laid out like it
    // for tests.
    explicit SystemInfo(std::filesystem::path root = "/");

    // The kernel-information strings the report asks for by name: "hw.model" is the DMI
    // product name, "machdep.cpu.brand_string" the first processor's "model name". Any other
    // name, an unreadable or empty value, gives nothing. Invalid UTF-8 reads as U+FFFD.
    std::optional<std::string> sysctlString(std::string_view name) const;

    // PRETTY_NAME of os-release (etc/os-release, else usr/lib/os-release; "Linux" without one)
    // followed by " (kernel " + the kernel release + ")" when that is known.
    std::string operatingSystemVersion() const;

    // Installed memory in bytes (sysconf); 0 when unknown.
    static std::uint64_t physicalMemory();

    // Space available to the user on the volume holding `path` (statvfs), nothing when that
    // cannot be read.
    static std::optional<std::int64_t> freeDiskBytes(const std::filesystem::path& path);

    // The folder's entries other than hidden ones, with their sizes, sorted by name; empty
    // when the folder cannot be listed.
    static std::vector<ModelFile> modelFiles(const std::filesystem::path& folder);

    // A file's size, or for a folder the sum of the sizes of everything inside it (hidden
    // entries too); 0 for what cannot be read.
    static std::int64_t size(const std::filesystem::path& entry);

private:
    std::optional<std::string> fileText(const std::filesystem::path& relativePath) const;

    std::filesystem::path m_root;
};

} // namespace bw

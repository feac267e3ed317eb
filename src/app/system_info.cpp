#include "app/system_info.h"

#include "base/text_trimming.h"
#include "base/unicode_text.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace bw {

namespace {

// A value of os-release: the rest of the line, with shell quoting and escapes undone.
std::string osReleaseValue(std::string_view raw) {
    raw = trimWhitespace(raw);
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
        raw.back() == raw.front()) {
        const char quote = raw.front();
        raw = raw.substr(1, raw.size() - 2);
        if (quote == '\'') {
            return std::string(raw);
        }
    }
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            ++i;
        }
        value += raw[i];
    }
    return value;
}

std::optional<std::string> nonEmpty(std::string_view text) {
    text = trimWhitespaceAndLineBreaks(text);
    const auto end = text.find('\0');
    if (end != std::string_view::npos) {
        text = trimWhitespaceAndLineBreaks(text.substr(0, end));
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return unicode::repairedUtf8(text);
}

} // namespace

SystemInfo::SystemInfo(std::filesystem::path root) : m_root(std::move(root)) {}

std::optional<std::string> SystemInfo::fileText(const std::filesystem::path& relativePath) const {
    std::ifstream in(m_root / relativePath, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return text.str();
}

std::optional<std::string> SystemInfo::sysctlString(std::string_view name) const {
    if (name == "hw.model") {
        const auto text = fileText("sys/devices/virtual/dmi/id/product_name");
        return text ? nonEmpty(*text) : std::nullopt;
    }
    if (name == "machdep.cpu.brand_string") {
        const auto text = fileText("proc/cpuinfo");
        if (!text) {
            return std::nullopt;
        }
        std::istringstream lines(*text);
        for (std::string line; std::getline(lines, line);) {
            const auto colon = line.find(':');
            if (colon != std::string::npos &&
                trimWhitespace(std::string_view(line).substr(0, colon)) == "model name") {
                return nonEmpty(std::string_view(line).substr(colon + 1));
            }
        }
    }
    return std::nullopt;
}

std::string SystemInfo::operatingSystemVersion() const {
    std::string name = "Linux";
    auto release = fileText("etc/os-release");
    if (!release) {
        release = fileText("usr/lib/os-release");
    }
    if (release) {
        std::istringstream lines(*release);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("PRETTY_NAME=")) {
                if (auto value = nonEmpty(osReleaseValue(line.substr(12)))) {
                    name = *value;
                }
            }
        }
    }
    if (const auto text = fileText("proc/sys/kernel/osrelease")) {
        if (const auto kernel = nonEmpty(*text)) {
            name += " (kernel " + *kernel + ")";
        }
    }
    return name;
}

std::uint64_t SystemInfo::physicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::optional<std::int64_t> SystemInfo::freeDiskBytes(const std::filesystem::path& path) {
    // The library folder may not exist yet: ask for the nearest folder that does.
    std::filesystem::path probe = path;
    std::error_code error;
    while (!probe.empty() && !std::filesystem::exists(probe, error) &&
           probe != probe.parent_path()) {
        probe = probe.parent_path();
    }
    struct statvfs facts {};
    if (probe.empty() || ::statvfs(probe.c_str(), &facts) != 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(facts.f_bavail) * static_cast<std::int64_t>(facts.f_frsize);
}

std::vector<SystemInfo::ModelFile> SystemInfo::modelFiles(const std::filesystem::path& folder) {
    std::vector<ModelFile> files;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        return files;
    }
    for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) {
            return {};
        }
        const std::string name = it->path().filename().string();
        if (!name.starts_with(".")) {
            files.push_back({name, size(it->path())});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const ModelFile& a, const ModelFile& b) { return a.name < b.name; });
    return files;
}

std::int64_t SystemInfo::size(const std::filesystem::path& entry) {
    std::error_code error;
    if (!std::filesystem::is_directory(entry, error)) {
        const auto bytes = std::filesystem::file_size(entry, error);
        return error ? 0 : static_cast<std::int64_t>(bytes);
    }
    std::filesystem::recursive_directory_iterator walk(
        entry, std::filesystem::directory_options::skip_permission_denied, error);
    if (error) {
        return 0;
    }
    std::int64_t total = 0;
    for (auto it = walk; it != std::filesystem::recursive_directory_iterator();
         it.increment(error)) {
        if (error) {
            break;
        }
        std::error_code sizeError;
        if (it->is_regular_file(sizeError)) {
            const auto bytes = it->file_size(sizeError);
            total += sizeError ? 0 : static_cast<std::int64_t>(bytes);
        }
    }
    return total;
}

} // namespace bw

#include "whisper/resource_bundle.h"

#include <cstdlib>
#include <fstream>

namespace bw {

ResourceBundle::ResourceBundle(std::optional<std::filesystem::path> resourceDirectory)
    : m_resourceDirectory(std::move(resourceDirectory)) {}

ResourceBundle ResourceBundle::main() {
    std::error_code error;
    std::filesystem::path directory;
    if (const char* override = std::getenv("BRINDLEWICK_RESOURCES");
        override != nullptr && *override != '\0') {
        directory = override;
    } else {
        auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) {
            return ResourceBundle(std::nullopt);
        }
        directory = executable.parent_path().parent_path() / "share" / "brindlewick";
    }
    if (!std::filesystem::is_directory(directory, error)) {
        return ResourceBundle(std::nullopt);
    }
    return ResourceBundle(directory);
}

std::optional<nlohmann::json> ResourceBundle::infoValue(std::string_view key) const {
    if (!m_resourceDirectory) {
        return std::nullopt;
    }
    std::ifstream file(*m_resourceDirectory / "Info.json", std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    // A damaged Info.json reads as one without values; callers report the missing value.
    nlohmann::json info = nlohmann::json::parse(file, nullptr, false);
    if (!info.is_object()) {
        return std::nullopt;
    }
    auto found = info.find(key);
    if (found == info.end()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace bw

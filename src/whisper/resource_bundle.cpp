#include "whisper/resource_bundle.h"

#include "platform/bundle_info.h"
#include "platform/file_error.h"
#include "platform/file_reading.h"

namespace bw {

ResourceBundle::ResourceBundle(std::optional<std::filesystem::path> resourceDirectory)
    : m_resourceDirectory(std::move(resourceDirectory)) {}

ResourceBundle ResourceBundle::main() {
    auto directory = BundleInfo::resourcesDirectory();
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) {
        return ResourceBundle(std::nullopt);
    }
    return ResourceBundle(directory);
}

std::optional<nlohmann::json> ResourceBundle::infoValue(std::string_view key) const {
    if (!m_resourceDirectory) {
        return std::nullopt;
    }
    std::string text;
    try {
        text = readFile(*m_resourceDirectory / "Info.json");
    } catch (const FileError&) {
        return std::nullopt;
    }
    // A damaged Info.json reads as one without values; callers report the missing value.
    nlohmann::json info = nlohmann::json::parse(text, nullptr, false);
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

#include "platform/resource_bundle.h"

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

nlohmann::json ResourceBundle::info() const {
    if (!m_resourceDirectory) {
        return nlohmann::json::object();
    }
    std::string text;
    try {
        text = readFile(*m_resourceDirectory / "Info.json");
    } catch (const FileError&) {
        return nlohmann::json::object();
    }
    // A damaged Info.json reads as one without values; callers report the missing value.
    nlohmann::json info = nlohmann::json::parse(text, nullptr, false);
    return info.is_object() ? info : nlohmann::json::object();
}

std::optional<nlohmann::json> ResourceBundle::infoValue(std::string_view key) const {
    nlohmann::json values = info();
    auto found = values.find(key);
    if (found == values.end()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace bw

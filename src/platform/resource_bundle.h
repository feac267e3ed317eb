// The program's resources folder (share/brindlewick/ of the install) and its information
// values (Info.json): where bundled models and other read-only files are found.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string_view>

namespace bw {

class ResourceBundle {
public:
    // A bundle over the given folder; nothing means a bundle without resources.
    explicit ResourceBundle(std::optional<std::filesystem::path> resourceDirectory);

    // The running program's bundle, in BundleInfo's resources folder (BRINDLEWICK_RESOURCES or
    // share/brindlewick beside bin/); without resources when that folder does not exist. Unlike
    // BundleInfo it reads Info.json on every call and can be made over any folder (for tests).
    static ResourceBundle main();

    const std::optional<std::filesystem::path>& resourceDirectory() const {
        return m_resourceDirectory;
    }

    // Every value of Info.json; an empty object when the bundle or the file is missing or the
    // file is not a JSON object. Reads the file on every call.
    nlohmann::json info() const;

    // The value of `key` in Info.json; nothing when the bundle, the file or the key is missing
    // or the file is not a JSON object. Reads the file on every call.
    std::optional<nlohmann::json> infoValue(std::string_view key) const;

private:
    std::optional<std::filesystem::path> m_resourceDirectory;
};

} // namespace bw

// The application's own information values (Info.json in the resources folder): support
// address, web host, model file name, version. The resources folder is share/brindlewick
// beside the executable's bin folder, or $BRINDLEWICK_RESOURCES when set.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace bw {

class BundleInfo {
public:
    static std::filesystem::path resourcesDirectory();

    // The string under `key` in Info.json; nothing when the file or key is missing.
    // Read once per process. Thread-safe.
    static std::optional<std::string> value(const std::string& key);

    // "BWSupportEmail".
    static std::string supportEmail();
};

} // namespace bw

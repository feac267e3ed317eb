#include "platform/bundle_info.h"

#include "platform/resource_bundle.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <mutex>

namespace bw {

namespace fs = std::filesystem;

fs::path BundleInfo::resourcesDirectory() {
    if (const char* value = std::getenv("BRINDLEWICK_RESOURCES"); value && value[0] != '\0') {
        return value;
    }
    std::error_code code;
    fs::path executable = fs::read_symlink("/proc/self/exe", code);
    if (code) {
        return fs::path("share") / "brindlewick";
    }
    return executable.parent_path().parent_path() / "share" / "brindlewick";
}

std::optional<std::string> BundleInfo::value(const std::string& key) {
    static std::once_flag once;
    static nlohmann::json info;
    std::call_once(once, [] { info = ResourceBundle(resourcesDirectory()).info(); });
    auto found = info.find(key);
    if (found == info.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

std::string BundleInfo::supportEmail() {
    // Without Info.json the sentence still reads as English and points at the help menu.
    return value("BWSupportEmail").value_or("Brindlewick's support address");
}

} // namespace bw

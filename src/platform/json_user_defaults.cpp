#include "platform/json_user_defaults.h"

#include "platform/atomic_file.h"
#include "platform/file_reading.h"

#include <nlohmann/json.hpp>

#include <cstdlib>

namespace bw {

namespace fs = std::filesystem;

namespace {

// A missing or damaged file reads as no settings: preferences are never worth a failure.
nlohmann::json readSettings(const fs::path& file) {
    try {
        auto value = nlohmann::json::parse(readFile(file), nullptr, false);
        return value.is_object() ? value : nlohmann::json::object();
    } catch (const std::exception&) {
        return nlohmann::json::object();
    }
}

} // namespace

JsonUserDefaults::JsonUserDefaults(fs::path file) : m_file(std::move(file)) {}

fs::path JsonUserDefaults::defaultFile() {
    fs::path config;
    if (const char* value = std::getenv("XDG_CONFIG_HOME"); value && value[0] == '/') {
        config = value;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        config = fs::path(home) / ".config";
    } else {
        config = fs::temp_directory_path();
    }
    return config / "Brindlewick" / "settings.json";
}

std::optional<std::string> JsonUserDefaults::string(const std::string& key) const {
    if (auto unsaved = m_unsaved.find(key); unsaved != m_unsaved.end()) {
        return unsaved->second;
    }
    auto settings = readSettings(m_file);
    auto found = settings.find(key);
    if (found == settings.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

void JsonUserDefaults::setString(const std::string& key, const std::string& value) {
    auto settings = readSettings(m_file);
    settings[key] = value;
    try {
        createDirectoriesDurably(m_file.parent_path());
        writeFileAtomically(m_file, settings.dump(2) + "\n");
        m_unsaved.erase(key);
    } catch (const std::exception&) {
        m_unsaved[key] = value;
    }
}

} // namespace bw

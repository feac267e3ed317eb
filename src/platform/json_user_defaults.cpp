#include "platform/json_user_defaults.h"

#include "base/iso_date.h"
#include "base/json_reading.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/file_lock.h"
#include "platform/file_reading.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace bw {

namespace fs = std::filesystem;

namespace {

struct StoredSettings {
    nlohmann::json values = nlohmann::json::object();
    bool damaged = false; // the file exists but holds no settings object
};

// A missing file holds no settings; one that cannot be read at all (no permission) throws
// FileError, since writing over it would lose what it holds.
StoredSettings readSettings(const fs::path& file) {
    std::string text;
    try {
        text = readFile(file);
    } catch (const FileError& error) {
        if (error.code() == std::errc::no_such_file_or_directory) {
            return {};
        }
        throw;
    }
    try {
        auto value = json::parse(text);
        if (value.is_object()) {
            return {std::move(value), false};
        }
    } catch (const JsonDecodingError&) {
    }
    return {nlohmann::json::object(), true};
}

// "settings-unreadable-2025-03-07T091502Z.json" beside the file, as the library sets aside a
// damaged group list ("...Z-2.json" and so on when that name is taken).
fs::path setAside(const fs::path& file) {
    auto stamp =
        iso8601String(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
    std::erase(stamp, ':');
    for (int attempt = 1;; ++attempt) {
        auto target =
            file.parent_path() / ("settings-unreadable-" + stamp +
                                  (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".json");
        try {
            renameWithoutReplacing(file, target);
            return target;
        } catch (const FileError& error) {
            if (error.code() != std::errc::file_exists || attempt == 100) {
                throw;
            }
        }
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
    // Preferences are never worth a failure: what cannot be read counts as not set.
    StoredSettings settings;
    try {
        settings = readSettings(m_file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    auto found = settings.values.find(key);
    if (found == settings.values.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

void JsonUserDefaults::setString(const std::string& key, const std::string& value) {
    try {
        createDirectoriesDurably(m_file.parent_path(), FileAccess::ownerOnly);
        auto held = FileLock::exclusive(m_file.parent_path() / ".settings.lock");
        auto settings = readSettings(m_file);
        if (settings.damaged) {
            m_setAsideFile = setAside(m_file);
        }
        auto found = settings.values.find(key);
        if (settings.damaged || found == settings.values.end() || *found != value) {
            settings.values[key] = value;
            writeFileAtomically(m_file, settings.values.dump(2) + "\n", FileAccess::ownerOnly);
        }
        m_unsaved.erase(key);
    } catch (const std::exception&) {
        m_unsaved[key] = value;
    }
}

} // namespace bw

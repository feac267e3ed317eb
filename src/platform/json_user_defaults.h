// User defaults kept in one JSON object file, by default
// $XDG_CONFIG_HOME/Brindlewick/settings.json (XDG_CONFIG_HOME defaults to ~/.config).
// Each write re-reads the file and replaces it atomically, private to the user, holding a lock
// shared by every process of the application (".settings.lock" beside it), so keys written by
// another process survive; a write that changes nothing leaves the file alone. A damaged file
// (not JSON, not an object, nested absurdly deep) reads as no settings; the next write sets it
// aside as "settings-unreadable-<time>.json" beside it and starts a new one, so that nothing
// in it is lost. Used on one thread at a time.
#pragma once

#include "platform/user_defaults.h"

#include <filesystem>
#include <map>
#include <optional>

namespace bw {

class JsonUserDefaults : public UserDefaults {
public:
    explicit JsonUserDefaults(std::filesystem::path file = defaultFile());

    static std::filesystem::path defaultFile();

    std::optional<std::string> string(const std::string& key) const override;
    void setString(const std::string& key, const std::string& value) override;

    // Where a write of this object set a damaged settings file aside, if it did.
    const std::optional<std::filesystem::path>& setAsideFile() const { return m_setAsideFile; }

private:
    std::filesystem::path m_file;
    std::map<std::string, std::string> m_unsaved; // values whose write failed
    std::optional<std::filesystem::path> m_setAsideFile;
};

} // namespace bw

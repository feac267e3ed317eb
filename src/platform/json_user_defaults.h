// User defaults kept in one JSON object file, by default
// $XDG_CONFIG_HOME/Brindlewick/settings.json (XDG_CONFIG_HOME defaults to ~/.config).
// Each write re-reads the file and replaces it atomically, so keys written by another process
// of the application survive. Used on one thread at a time.
#pragma once

#include "platform/user_defaults.h"

#include <filesystem>
#include <map>

namespace bw {

class JsonUserDefaults : public UserDefaults {
public:
    explicit JsonUserDefaults(std::filesystem::path file = defaultFile());

    static std::filesystem::path defaultFile();

    std::optional<std::string> string(const std::string& key) const override;
    void setString(const std::string& key, const std::string& value) override;

private:
    std::filesystem::path m_file;
    std::map<std::string, std::string> m_unsaved; // values whose write failed
};

} // namespace bw

// The user's small persistent preferences (the sidebar selection, the chosen microphone):
// string values under keys. An interface so that models can be tested with an in-memory
// store; JsonUserDefaults is the real one.
#pragma once

#include <optional>
#include <string>

namespace bw {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual std::optional<std::string> string(const std::string& key) const = 0;
    // Best effort, like any preference: a value that cannot be persisted is kept for the
    // running process only.
    virtual void setString(const std::string& key, const std::string& value) = 0;
};

} // namespace bw

// User defaults held in memory, with a log of every write, for model tests.
#pragma once

#include "platform/user_defaults.h"

#include <map>
#include <utility>
#include <vector>

namespace bw {

class MemoryUserDefaults : public UserDefaults {
public:
    std::optional<std::string> string(const std::string& key) const override {
        auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    void setString(const std::string& key, const std::string& value) override {
        values[key] = value;
        writes.emplace_back(key, value);
    }

    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, std::string>> writes;
};

} // namespace bw

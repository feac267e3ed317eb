// The application's one alert slot holds an AppAlert: a title, a message and optionally an
// action button. A new alert has a new identifier, so showing the same text twice is two alerts.
#pragma once

#include "base/uuid.h"

#include <optional>
#include <string>

namespace bw {

struct AppAlert {
    enum class Action { openMicrophoneSettings };

    Uuid id;
    std::string title;
    std::string message;
    std::optional<Action> action;

    static AppAlert make(std::string title, std::string message,
                         std::optional<Action> action = std::nullopt) {
        return AppAlert{Uuid::random(), std::move(title), std::move(message), action};
    }

    friend bool operator==(const AppAlert&, const AppAlert&) = default;
};

} // namespace bw

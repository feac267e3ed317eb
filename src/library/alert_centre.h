// The application's one alert slot, shared by everything that reports a problem to the user:
// the library, the recorder and the application model raise alerts here, and the window (or a
// command, which prints them) shows them. A new alert replaces the one waiting.
//
// Main thread only. alertChanged() signals only real changes.
#pragma once

#include "library/app_alert.h"

#include <QObject>

#include <optional>
#include <string>

namespace bw {

class AlertCentre : public QObject {
    Q_OBJECT

public:
    explicit AlertCentre(QObject* parent = nullptr) : QObject(parent) {}

    const std::optional<AppAlert>& alert() const { return m_alert; }
    void setAlert(const std::optional<AppAlert>& alert);
    // Shows a new alert (a new identifier, so the same text twice is two alerts).
    void raise(std::string title, std::string message,
               std::optional<AppAlert::Action> action = std::nullopt);
    // Clears the alert when it is still the one with `id` (a later one stays).
    void dismiss(const Uuid& id);

signals:
    void alertChanged();

private:
    std::optional<AppAlert> m_alert;
};

} // namespace bw

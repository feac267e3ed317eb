#include "library/alert_centre.h"

namespace bw {

void AlertCentre::setAlert(const std::optional<AppAlert>& alert) {
    if (alert != m_alert) {
        m_alert = alert;
        emit alertChanged();
    }
}

void AlertCentre::raise(std::string title, std::string message,
                        std::optional<AppAlert::Action> action) {
    setAlert(AppAlert::make(std::move(title), std::move(message), action));
}

void AlertCentre::dismiss(const Uuid& id) {
    if (m_alert && m_alert->id == id) {
        setAlert(std::nullopt);
    }
}

} // namespace bw

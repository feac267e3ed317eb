#include "app/window_requests.h"

namespace bw {

void WindowRequests::setImporterPresented(bool presented) {
    if (presented == m_isImporterPresented) {
        return;
    }
    m_isImporterPresented = presented;
    emit isImporterPresentedChanged();
}

void WindowRequests::setDiagnostics(const std::optional<DiagnosticsReport>& report) {
    if (report == m_diagnostics) {
        return;
    }
    m_diagnostics = report;
    emit diagnosticsChanged();
}

void WindowRequests::presentMainWindow() const {
    if (m_presentMainWindow) {
        m_presentMainWindow();
    }
}

void WindowRequests::setPresentMainWindow(std::function<void()> present) {
    m_presentMainWindow = std::move(present);
}

} // namespace bw

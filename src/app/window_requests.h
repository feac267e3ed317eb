// What the window and the menu-bar item are asked to present, shared by both and by the models
// that ask: the file importer, the diagnostics report's sheet, and the main window brought
// forward. Main thread only; the change signals come only on real changes.
#pragma once

#include "app/diagnostics_report.h"

#include <QObject>

#include <functional>
#include <optional>

namespace bw {

class WindowRequests : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool isImporterPresented() const { return m_isImporterPresented; }
    void setImporterPresented(bool presented);
    // The report the diagnostics sheet shows; none while no sheet is asked for.
    const std::optional<DiagnosticsReport>& diagnostics() const { return m_diagnostics; }
    void setDiagnostics(const std::optional<DiagnosticsReport>& report);

    // Brings the main window forward; does nothing until the window installs its own.
    void presentMainWindow() const;
    void setPresentMainWindow(std::function<void()> present);

signals:
    void isImporterPresentedChanged();
    void diagnosticsChanged();

private:
    bool m_isImporterPresented = false;
    std::optional<DiagnosticsReport> m_diagnostics;
    std::function<void()> m_presentMainWindow = [] {};
};

} // namespace bw

// The sheet that shows the diagnostics report and saves it to a file.
#pragma once

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>

class QLabel;

namespace bw {
class WindowRequests;
} // namespace bw

namespace bw::ui {

class DiagnosticsSheet : public QDialog {
    Q_OBJECT

public:
    // Asks where to save, proposing the given file name; none when the user cancels.
    using ChooseFile = std::function<std::optional<std::filesystem::path>(
        QWidget* parent, const QString& suggestedName)>;

    // Shows the application model's current diagnostics report; closing it (or saving it)
    // clears the report. `chooseFile` defaults to the desktop's save dialog.
    explicit DiagnosticsSheet(WindowRequests& requests, QWidget* parent = nullptr,
                              ChooseFile chooseFile = {});

private:
    void save();

    WindowRequests& m_requests;
    ChooseFile m_chooseFile;
    QLabel* m_problem;
};

} // namespace bw::ui

// The sheet that shows the diagnostics report and saves it to a file.
#pragma once

#include <QDialog>

namespace bw {
class AppModel;
class LibraryModel;
struct GroupEditor;
} // namespace bw

namespace bw::ui {

class DiagnosticsSheet : public QDialog {
    Q_OBJECT

public:
    // Shows the application model's current diagnostics report; closing it clears the report.
    explicit DiagnosticsSheet(AppModel& app, QWidget* parent = nullptr);
};

} // namespace bw::ui

#include "ui/diagnostics_sheet.h"

namespace bw::ui {

DiagnosticsSheet::DiagnosticsSheet(AppModel&, QWidget* parent) : QDialog(parent) {}

} // namespace bw::ui

#include "ui/group_name_sheet.h"

namespace bw::ui {

GroupNameSheet::GroupNameSheet(const GroupEditor&, LibraryModel&, QWidget* parent)
    : QDialog(parent) {}

} // namespace bw::ui

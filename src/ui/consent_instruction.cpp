#include "ui/consent_instruction.h"

namespace bw::ui {

ConsentInstruction::ConsentInstruction(QWidget* parent) : QWidget(parent) {}

} // namespace bw::ui

#include "ui/transcript_section.h"

namespace bw::ui {

TranscriptSection::TranscriptSection(AppModel& app, QWidget* parent)
    : QWidget(parent), m_app(app) {}

void TranscriptSection::showItem(const std::optional<Uuid>& itemID) {
    m_itemID = itemID;
}

} // namespace bw::ui

// The transcript area of the detail pane for one recording: the invitation to transcribe, a
// running transcription's progress and live text, the editable transcript, its controls and
// problem messages.
#pragma once

#include "base/uuid.h"

#include <QWidget>

#include <optional>

namespace bw {
class AppModel;
}

namespace bw::ui {

class TranscriptSection : public QWidget {
    Q_OBJECT

public:
    explicit TranscriptSection(AppModel& app, QWidget* parent = nullptr);

    // The recording whose transcript is shown; none shows nothing.
    void showItem(const std::optional<Uuid>& itemID);
    // True while the transcript text has keyboard focus.
    bool isEditingText() const { return m_isEditingText; }

signals:
    void editingTextChanged(bool editing);

private:
    AppModel& m_app;
    std::optional<Uuid> m_itemID;
    bool m_isEditingText = false;
};

} // namespace bw::ui

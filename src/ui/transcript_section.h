// The transcript area of the detail pane for one recording: the invitation to transcribe, a
// running transcription's progress and live text, the editable transcript, its controls and
// problem messages.
//
// The transcript is loaded when a recording is shown and again whenever the transcription
// service saves a new one for it; the editor is flushed before that, before a transcription
// starts, before an export, when nothing is shown any more and when the application quits.
// Main thread only.
#pragma once

#include "base/uuid.h"
#include "export/export_format.h"
#include "library/library_item.h"
#include "service/transcription_job.h"
#include "transcription/transcription_language.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QMessageBox;

namespace bw {
class AppModel;
class SavePanel;
class TranscriptEditorModel;
} // namespace bw

namespace bw::ui {

class LiveTranscriptView;
class ProblemList;
class TranscribePrompt;
class TranscriptControls;
class TranscriptEditorView;
class TranscriptionProgressView;

class TranscriptSection : public QWidget {
    Q_OBJECT

public:
    explicit TranscriptSection(AppModel& app, QWidget* parent = nullptr);
    // Flushes the editor. Does not signal editingTextChanged: whoever listens may be going too.
    ~TranscriptSection() override;

    // The recording whose transcript is shown; none shows nothing.
    void showItem(const std::optional<Uuid>& itemID);
    // True while the transcript text has keyboard focus.
    bool isEditingText() const { return m_isEditingText; }

    // Where exports ask for a file; a file dialog unless replaced. Not owned; null restores
    // the dialog.
    void setSavePanel(SavePanel* panel);
    // Shows the search's next (`step` 1) or previous (-1) match in the transcript, if it has any.
    void showMatch(int step);

    // The parts, for the window's tests.
    TranscriptControls& controls() const { return *m_controls; }
    QLabel& note() const { return *m_note; }
    ProblemList& problems() const { return *m_problems; }
    TranscriptionProgressView& progressView() const { return *m_progress; }
    LiveTranscriptView& liveTranscript() const { return *m_live; }
    TranscriptEditorView* editorView() const { return m_editorView; }
    QLabel& noSpeechNote() const { return *m_noSpeech; }
    TranscribePrompt& prompt() const { return *m_prompt; }
    TranscriptionLanguage language() const { return m_language; }

signals:
    void editingTextChanged(bool editing);

private:
    struct LoadKey {
        Uuid itemID;
        std::int64_t saves = 0;

        bool operator==(const LoadKey&) const = default;
    };

    std::optional<LibraryItem> item() const;
    const TranscriptionJob* runningJob() const;
    // Whether the last load (editor or load error) is of the recording on show.
    bool loadedShownItem() const;
    TranscriptEditorModel* currentEditor() const;
    void loadIfNeeded();
    void load(const Uuid& itemID);
    void dropEditor(bool savesEdits);
    void refresh();
    void jobChanged();
    void showEditor(bool shown);
    void refreshSearchMatches(bool showFirst);
    void chooseLanguage(TranscriptionLanguage language);
    void startTranscription();
    void confirmRetranscription();
    void exportTranscript(ExportFormat format);
    void showExportError(const std::string& message);
    void flush();
    void setEditingText(bool editing);

    AppModel& m_app;
    std::optional<Uuid> m_itemID;
    std::optional<LoadKey> m_loadKey;
    std::unique_ptr<TranscriptEditorModel> m_editor;
    std::optional<std::string> m_loadError;
    TranscriptionLanguage m_language = TranscriptionLanguage::slovak;
    bool m_isEditingText = false;
    std::unique_ptr<SavePanel> m_fileSavePanel;
    SavePanel* m_savePanel;

    TranscriptControls* m_controls;
    QLabel* m_note;
    ProblemList* m_problems;
    QWidget* m_jobView;
    TranscriptionProgressView* m_progress;
    LiveTranscriptView* m_live;
    TranscriptEditorView* m_editorView = nullptr;
    QLabel* m_noSpeech;
    TranscribePrompt* m_prompt;
    QPointer<QMessageBox> m_confirmation;
};

} // namespace bw::ui

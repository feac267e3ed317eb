// The transcript area of the detail pane for one recording: the invitation to transcribe, a
// running transcription's progress and live text, the editable transcript, its controls and
// problem messages.
//
// What is shown, and the editor model, come from the TranscriptPresenter; the section makes the
// editor view for each editor the presenter opens and takes it down before the editor goes. The
// editor is flushed before an export too, and when the section goes. Main thread only.
#pragma once

#include "base/uuid.h"
#include "export/export_format.h"
#include "transcription/transcription_language.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QLabel;
class QMessageBox;

namespace bw {
class DialogFolders;
class LibrarySearch;
class PlaybackModel;
class SavePanel;
class TranscriptPresenter;
class UserDefaults;
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
    // The models must outlive the section; `defaults` (may be null) keeps the export's choice of
    // doubtful text, `folders` where the export's file dialog opens.
    TranscriptSection(TranscriptPresenter& presenter, PlaybackModel& player, LibrarySearch& search,
                      DialogFolders& folders, UserDefaults* defaults, QWidget* parent = nullptr);
    // Closes the editor, saving it. Does not signal editingTextChanged: whoever listens may be
    // going too.
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
    TranscriptionLanguage language() const;

signals:
    void editingTextChanged(bool editing);

private:
    void refresh();
    void showJobProgress();
    void dropEditorView();
    void showEditor(bool shown);
    void refreshSearchMatches(bool showFirst);
    void confirmRetranscription();
    void exportTranscript(ExportFormat format);
    void showExportError(const std::string& message);
    void setEditingText(bool editing);

    TranscriptPresenter& m_presenter;
    PlaybackModel& m_player;
    LibrarySearch& m_search;
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

// What the transcript area of the detail pane shows for one recording, and the editor model it
// edits, without any widget: the invitation to transcribe, a running transcription, the editable
// transcript, an empty one, and the problems to tell.
//
// The transcript is loaded when a recording is shown and again whenever the transcription
// service saves a new one for it; the editor is flushed before that, before a transcription
// starts, when nothing is shown any more and when the application quits (AppModel saves the
// editor open here). editorClosing() comes before an editor goes, so that a view over it can go
// first. Main thread only.
#pragma once

#include "base/uuid.h"
#include "library/library_item.h"
#include "service/transcription_job.h"
#include "transcription/transcription_language.h"
#include "transcripts/transcript_editor_model.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bw {

class LibraryModel;
class TranscriptionService;
class UserDefaults;

class TranscriptPresenter : public QObject {
    Q_OBJECT

public:
    // Which parts are shown, and what they offer.
    struct Parts {
        bool controls = false;    // cancel, transcribe again, export, the language
        bool waitingNote = false; // another recording is being transcribed
        bool job = false;         // the running job's progress and live text
        bool editor = false;      // the transcript's text
        bool noText = false;      // a transcript without segments
        bool prompt = false;      // the invitation to transcribe
        bool canStart = false;    // a transcription of this recording may start now
        bool canExport = false;   // the transcript may be exported
        std::vector<std::string> problems;
        std::string noTextNote; // what noText says

        bool operator==(const Parts&) const = default;
    };

    // `defaults` (may be null) keeps the last language chosen. The models must outlive it.
    TranscriptPresenter(LibraryModel& library, TranscriptionService& transcription,
                        UserDefaults* defaults, QObject* parent = nullptr);
    ~TranscriptPresenter() override;

    // The recording whose transcript is shown; none closes the editor (saving its edits), and
    // the next recording shown is loaded afresh.
    void showItem(const std::optional<Uuid>& itemID);
    const std::optional<Uuid>& itemID() const { return m_itemID; }
    // The recording on show as the library has it; none when none is shown or it went.
    std::optional<LibraryItem> item() const;
    Parts parts() const;
    // The shown recording's running transcription; null when none runs for it.
    const TranscriptionJob* runningJob() const;
    // The editor of the shown recording's transcript; null when none is loaded.
    TranscriptEditorModel* editor() const;

    // The running job's language, else the transcript's, else the one last chosen, else the
    // system's, else Slovak.
    TranscriptionLanguage language() const { return m_language; }
    // Takes the language for the next transcription and remembers it.
    void chooseLanguage(TranscriptionLanguage language);
    // Saves the edits, then starts a transcription of the shown recording; a failure to start
    // is kept among the service's failures, which parts().problems shows.
    void startTranscription();
    void cancelTranscription();
    // Saves the editor's unsaved edits.
    void flush();

signals:
    // parts() may differ.
    void changed();
    // Only the progress or live text of the job on show changed.
    void jobProgressed();
    // The editor is about to go; editor() still returns it.
    void editorClosing();
    // A new editor was loaded.
    void editorOpened();

private:
    struct LoadKey {
        Uuid itemID;
        std::int64_t saves = 0;

        bool operator==(const LoadKey&) const = default;
    };

    // Whether the last load (editor or load error) is of the recording on show.
    bool loadedShownItem() const;
    void loadIfNeeded();
    void load(const Uuid& itemID);
    void dropEditor(bool savesEdits);
    void jobChanged();

    LibraryModel& m_library;
    TranscriptionService& m_transcription;
    UserDefaults* m_defaults;
    std::optional<Uuid> m_itemID;
    std::optional<LoadKey> m_loadKey;
    std::unique_ptr<TranscriptEditorModel> m_editor;
    std::optional<std::string> m_loadError;
    TranscriptionLanguage m_language = TranscriptionLanguage::slovak;
    bool m_jobShown = false;
};

} // namespace bw

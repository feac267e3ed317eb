// The transcript of one recording while the user reads and corrects it. Changes are saved
// without being asked: each change schedules a save half a second later, and a further change
// within that time pushes the save back, so a burst of typing gives one save after the last
// keystroke. The views flush it (saveNow) before they drop it or load another transcript.
//
// A transcript changed by another process is read again, unless the user has unsaved edits.
// A save writes only the segments edited here into the transcript as it is on disk at that
// moment (under the library's lock), so edits of other segments made elsewhere (another
// window, "brindlewick transcript edit") are kept and appear here; where both changed one
// segment, the user's text wins. A transcript replaced by a new transcription meanwhile is
// overwritten with the document edited here, as before.
//
// Lives on the main thread; the scheduled save and the watch run there too, and the store is
// called synchronously. Only save failures are reported, through saveError.
#pragma once

#include "library/folder_watch.h"
#include "transcripts/transcript_document.h"
#include "transcripts/transcript_store.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace bw {

class TranscriptEditorModel : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds saveDelay{500};

    // The recording's transcript, or null when it has none. Throws the store's errors
    // (TranscriptStoreError::unsupportedVersion, JsonDecodingError, FileError).
    static std::unique_ptr<TranscriptEditorModel> load(const Uuid& itemID,
                                                       const TranscriptStore& store);

    const Uuid& itemID() const { return m_itemID; }
    const TranscriptStore& store() const { return m_store; }
    const TranscriptDocument& document() const { return m_document; }
    const std::optional<std::string>& saveError() const { return m_saveError; }
    bool hasUnsavedChanges() const { return m_hasUnsavedChanges; }
    bool hasPendingSave() const { return m_pendingSave.isActive(); }

    // Sets the text of the segment with the given id and schedules a save. An id no segment
    // has, or the text the segment already has, changes nothing.
    void setText(const std::string& text, std::int64_t segmentID);

    // Saves at once when there are unsaved changes, cancelling the scheduled save. A recording
    // that was deleted counts as saved; any other failure sets saveError and keeps the changes
    // unsaved, so that the next change or flush tries again.
    void saveNow();

signals:
    // After every change of the document, by an edit or by a reload.
    void documentChanged();
    // The document was read again after another process changed it, or a save brought in
    // another process's edits: a view showing it rebuilds its text (it does not for its own
    // edits).
    void reloaded();
    void saveErrorChanged();
    void hasUnsavedChangesChanged();

private:
    TranscriptEditorModel(const Uuid& itemID, TranscriptStore store, TranscriptDocument document);

    void reloadIfChangedElsewhere();
    void setSaveError(std::optional<std::string> error);
    void setHasUnsavedChanges(bool value);

    Uuid m_itemID;
    TranscriptStore m_store;
    TranscriptDocument m_document;
    std::set<std::int64_t> m_editedSegments; // ids changed here since the last save
    std::optional<std::string> m_saveError;
    bool m_hasUnsavedChanges = false;
    QTimer m_pendingSave;
    FolderWatch m_watch;
};

} // namespace bw

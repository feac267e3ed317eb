#include "transcripts/transcript_editor_model.h"

#include "library/support_texts.h"
#include "transcripts/transcript_store_error.h"

#include <algorithm>

namespace bw {

namespace {

// Long enough to see the rename that ends another process's atomic write.
constexpr std::chrono::milliseconds watchDelay{150};

// The same transcription, perhaps with other edits: only then can edits be merged segment by
// segment.
bool isSameTranscription(const TranscriptDocument& a, const TranscriptDocument& b) {
    return a.transcribedAt == b.transcribedAt &&
           std::equal(a.segments.begin(), a.segments.end(), b.segments.begin(), b.segments.end(),
                      [](const auto& x, const auto& y) { return x.id == y.id; });
}

} // namespace

std::unique_ptr<TranscriptEditorModel> TranscriptEditorModel::load(const Uuid& itemID,
                                                                   const TranscriptStore& store) {
    auto document = store.load(itemID);
    if (!document) {
        return nullptr;
    }
    return std::unique_ptr<TranscriptEditorModel>(
        new TranscriptEditorModel(itemID, store, std::move(*document)));
}

TranscriptEditorModel::TranscriptEditorModel(const Uuid& itemID, TranscriptStore store,
                                             TranscriptDocument document)
    : m_itemID(itemID), m_store(std::move(store)), m_document(std::move(document)),
      m_pendingSave(this), m_watch(watchDelay, this) {
    // A precise timer never fires early, so the save really waits the whole delay. Being a
    // child of the model, it goes with it: dropping the model discards a save not yet made.
    m_pendingSave.setSingleShot(true);
    m_pendingSave.setTimerType(Qt::PreciseTimer);
    m_pendingSave.setInterval(saveDelay);
    connect(&m_pendingSave, &QTimer::timeout, this, &TranscriptEditorModel::saveNow);
    m_watch.watch({m_store.fileURL(m_itemID).parent_path()});
    connect(&m_watch, &FolderWatch::changed, this,
            &TranscriptEditorModel::reloadIfChangedElsewhere);
}

void TranscriptEditorModel::setText(const std::string& text, std::int64_t segmentID) {
    auto* segment = m_document.segment(segmentID);
    if (!segment || segment->text == text) {
        return;
    }
    segment->text = text;
    m_editedSegments.insert(segmentID);
    emit documentChanged();
    setHasUnsavedChanges(true);
    m_pendingSave.start(); // restarts a save already scheduled
}

void TranscriptEditorModel::saveNow() {
    m_pendingSave.stop();
    if (!m_hasUnsavedChanges) {
        return;
    }
    TranscriptDocument saved;
    try {
        saved = m_store.update(m_itemID, [this](std::optional<TranscriptDocument> stored) {
            if (!stored || !isSameTranscription(*stored, m_document)) {
                return m_document;
            }
            for (auto id : m_editedSegments) {
                stored->segment(id)->text = m_document.segment(id)->text;
            }
            return std::move(*stored);
        });
    } catch (const std::exception& error) {
        auto* storeError = dynamic_cast<const TranscriptStoreError*>(&error);
        if (storeError && storeError->kind() == TranscriptStoreError::Kind::itemNotFound) {
            // The recording was deleted while its transcript was open: nothing is left to save.
            m_editedSegments.clear();
            setHasUnsavedChanges(false);
            return;
        }
        setSaveError("The transcript couldn't be saved. Check that this computer has enough "
                     "free disk space, then try again." +
                     detail(error));
        return;
    }
    m_editedSegments.clear();
    setHasUnsavedChanges(false);
    setSaveError(std::nullopt);
    if (saved != m_document) {
        m_document = std::move(saved);
        emit documentChanged();
        emit reloaded();
    }
}

void TranscriptEditorModel::reloadIfChangedElsewhere() {
    if (m_hasUnsavedChanges) {
        // The user's text wins. After a failed save the retry waits for the next change or
        // flush: the failed write's own temporary file would otherwise bring us back here.
        if (!m_saveError) {
            saveNow();
        }
        return;
    }
    std::optional<TranscriptDocument> stored;
    try {
        stored = m_store.load(m_itemID);
    } catch (const std::exception&) {
        // Unreadable for now (a newer version, a damaged file): keep showing what was read.
        return;
    }
    if (stored && *stored != m_document) {
        m_document = std::move(*stored);
        emit documentChanged();
        emit reloaded();
    }
}

void TranscriptEditorModel::setSaveError(std::optional<std::string> error) {
    if (error != m_saveError) {
        m_saveError = std::move(error);
        emit saveErrorChanged();
    }
}

void TranscriptEditorModel::setHasUnsavedChanges(bool value) {
    if (value != m_hasUnsavedChanges) {
        m_hasUnsavedChanges = value;
        emit hasUnsavedChangesChanged();
    }
}

} // namespace bw

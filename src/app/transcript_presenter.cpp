#include "app/transcript_presenter.h"

#include "library/library_model.h"
#include "library/support_texts.h"
#include "platform/app_settings.h"
#include "platform/bundle_info.h"
#include "service/transcription_service.h"
#include "transcription/new_transcription_language.h"
#include "transcripts/transcript_editor_model.h"
#include "transcripts/unrecognized_speech_note.h"

#include <QLocale>

namespace bw {

TranscriptPresenter::TranscriptPresenter(LibraryModel& library, TranscriptionService& transcription,
                                         UserDefaults* defaults, QObject* parent)
    : QObject(parent), m_library(library), m_transcription(transcription), m_defaults(defaults) {
    connect(&m_transcription, &TranscriptionService::jobChanged, this,
            &TranscriptPresenter::jobChanged);
    connect(&m_transcription, &TranscriptionService::failuresChanged, this,
            &TranscriptPresenter::changed);
    connect(&m_transcription, &TranscriptionService::savedTranscriptsChanged, this, [this] {
        loadIfNeeded();
        emit changed();
    });
    connect(&m_library, &LibraryModel::itemsChanged, this, &TranscriptPresenter::changed);
}

TranscriptPresenter::~TranscriptPresenter() {
    dropEditor(true);
}

void TranscriptPresenter::showItem(const std::optional<Uuid>& itemID) {
    if (!itemID) {
        dropEditor(true);
        m_loadKey.reset();
        m_loadError.reset();
    }
    m_itemID = itemID;
    loadIfNeeded();
    m_jobShown = runningJob() != nullptr;
    emit changed();
}

std::optional<LibraryItem> TranscriptPresenter::item() const {
    return m_itemID ? m_library.item(*m_itemID) : std::nullopt;
}

const TranscriptionJob* TranscriptPresenter::runningJob() const {
    const auto& job = m_transcription.job();
    return job && m_itemID && job->itemID == *m_itemID ? &*job : nullptr;
}

bool TranscriptPresenter::loadedShownItem() const {
    return m_itemID && m_loadKey && m_loadKey->itemID == *m_itemID;
}

// Always the shown recording's, once showItem() has loaded it; while an editor is being replaced,
// the one going.
TranscriptEditorModel* TranscriptPresenter::editor() const {
    return m_editor.get();
}

TranscriptPresenter::Parts TranscriptPresenter::parts() const {
    Parts parts;
    const auto* job = runningJob();
    const auto* editor = this->editor();
    parts.job = job != nullptr;
    parts.canExport = editor && !job;
    const auto item = this->item();
    if (!item) {
        return parts;
    }
    const bool anyRunning = m_transcription.isRunning();
    parts.canStart = !anyRunning && item->state != LibraryItem::State::recording;
    parts.controls = job || editor;
    parts.waitingNote = parts.controls && !job && anyRunning;
    if (loadedShownItem()) {
        if (m_loadError) {
            parts.problems.push_back(*m_loadError);
        }
        if (m_editor && m_editor->saveError()) {
            parts.problems.push_back(*m_editor->saveError());
        }
    }
    const auto& failures = m_transcription.failures();
    if (auto failure = failures.find(item->id); failure != failures.end()) {
        parts.problems.push_back(failure->second);
    }
    const bool hasSegments = editor && !editor->document().segments.empty();
    parts.editor = !job && hasSegments;
    parts.noText = !job && editor && !hasSegments;
    if (parts.noText) {
        // Speech that gave no text is still speech: the count says so instead.
        const auto note = unrecognizedSpeechNote(editor->document().unrecognizedSpeech.size());
        parts.noTextNote = note.empty() ? "No speech was found in this recording." : note;
    }
    const bool loadFailed = loadedShownItem() && m_loadError.has_value();
    parts.prompt = !job && !editor && !loadFailed;
    return parts;
}

void TranscriptPresenter::loadIfNeeded() {
    if (!m_itemID) {
        return;
    }
    const auto& saved = m_transcription.savedTranscripts();
    const auto count = saved.find(*m_itemID);
    const LoadKey key{*m_itemID, count == saved.end() ? 0 : count->second};
    if (key != m_loadKey) {
        m_loadKey = key;
        load(*m_itemID);
    }
}

void TranscriptPresenter::load(const Uuid& itemID) {
    // The editor of this same recording means a new transcript of it was just saved: it
    // replaces the old one, edits included, as the user confirmed. Saving edits left unsaved
    // (by a save that failed) would write the old transcript over the new one.
    dropEditor(!(m_editor && m_editor->itemID() == itemID));
    m_loadError.reset();
    try {
        m_editor = TranscriptEditorModel::load(itemID, TranscriptStore(m_library.store()));
    } catch (const std::exception& error) {
        m_loadError = "The transcript couldn't be opened. Quit and reopen Brindlewick; if it "
                      "still fails, email " +
                      BundleInfo::supportEmail() + " with this message." + detail(error);
    }
    if (m_editor) {
        connect(m_editor.get(), &TranscriptEditorModel::saveErrorChanged, this,
                &TranscriptPresenter::changed);
        // A transcript read again may have a different number of segments.
        connect(m_editor.get(), &TranscriptEditorModel::reloaded, this,
                &TranscriptPresenter::changed);
    }
    const auto* job = runningJob();
    const auto lastChosen = AppSettings(m_defaults).transcriptionLanguage();
    m_language = job ? job->language
                     : newTranscriptionLanguage(
                           m_editor ? std::optional(m_editor->document().language) : std::nullopt,
                           lastChosen, QLocale::system().name().toStdString());
    if (m_editor) {
        emit editorOpened();
    }
}

void TranscriptPresenter::dropEditor(bool savesEdits) {
    if (!m_editor) {
        return;
    }
    if (savesEdits) {
        flush();
    }
    emit editorClosing();
    m_editor.reset();
}

// Progress reports of a job already on show change only its progress and live text; anything
// else (a job starting or ending) changes what is shown.
void TranscriptPresenter::jobChanged() {
    const bool running = runningJob() != nullptr;
    if (running && m_jobShown) {
        emit jobProgressed();
        return;
    }
    m_jobShown = running;
    emit changed();
}

void TranscriptPresenter::chooseLanguage(TranscriptionLanguage language) {
    m_language = language;
    AppSettings(m_defaults).setTranscriptionLanguage(code(language));
    emit changed();
}

void TranscriptPresenter::startTranscription() {
    const auto item = this->item();
    if (!item) {
        return;
    }
    flush();
    try {
        m_transcription.start(*item, m_language);
    } catch (const TranscriptionStartError&) {
        // The service keeps the message among its failures, which the problems show.
    }
}

void TranscriptPresenter::cancelTranscription() {
    m_transcription.cancel();
}

void TranscriptPresenter::flush() {
    if (m_editor) {
        m_editor->saveNow();
    }
}

} // namespace bw

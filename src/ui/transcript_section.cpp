#include "ui/transcript_section.h"

#include "app/app_model.h"
#include "library/support_texts.h"
#include "platform/bundle_info.h"
#include "transcripts/export_panel.h"
#include "transcripts/export_preferences.h"
#include "transcripts/transcript_editor_model.h"
#include "transcripts/unrecognized_speech_note.h"
#include "ui/confirmation.h"
#include "ui/file_save_panel.h"
#include "ui/language_picker.h"
#include "ui/live_transcript_view.h"
#include "ui/problem_list.h"
#include "ui/text_styles.h"
#include "ui/transcribe_prompt.h"
#include "ui/transcript_controls.h"
#include "ui/transcript_editor_view.h"
#include "ui/transcription_progress_view.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace bw::ui {

TranscriptSection::TranscriptSection(AppModel& app, QWidget* parent)
    : QWidget(parent), m_app(app),
      m_fileSavePanel(std::make_unique<FileSavePanel>(this, &app.dialogFolders())),
      m_savePanel(m_fileSavePanel.get()), m_controls(new TranscriptControls(this)),
      m_note(new QLabel("Another recording is being transcribed. This one can start when it "
                        "finishes.",
                        this)),
      m_problems(new ProblemList(this)), m_jobView(new QWidget(this)),
      m_progress(new TranscriptionProgressView(m_jobView)),
      m_live(new LiveTranscriptView(m_jobView)),
      m_noSpeech(new QLabel("No speech was found in this recording.", this)),
      m_prompt(new TranscribePrompt(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_note->setWordWrap(true);
    m_note->setFont(TextStyles::callout(font()));
    TextStyles::makeSecondary(*m_note);
    TextStyles::makeSecondary(*m_noSpeech);
    auto* jobLayout = new QVBoxLayout(m_jobView);
    jobLayout->setContentsMargins(0, 0, 0, 0);
    jobLayout->setSpacing(12);
    jobLayout->addWidget(m_progress);
    jobLayout->addWidget(m_live, 1);
    for (QWidget* part : {static_cast<QWidget*>(m_controls), static_cast<QWidget*>(m_note),
                          static_cast<QWidget*>(m_problems)}) {
        layout->addWidget(part);
    }
    layout->addWidget(m_jobView, 1);
    layout->addWidget(m_noSpeech, 0, Qt::AlignTop);
    layout->addWidget(m_prompt, 0, Qt::AlignTop);
    layout->addStretch(); // takes what the content leaves; an editor takes it all itself

    auto& service = m_app.transcription();
    connect(&service, &TranscriptionService::jobChanged, this, &TranscriptSection::jobChanged);
    connect(&service, &TranscriptionService::failuresChanged, this, &TranscriptSection::refresh);
    connect(&service, &TranscriptionService::savedTranscriptsChanged, this, [this] {
        loadIfNeeded();
        refresh();
    });
    connect(&m_app.library(), &LibraryModel::itemsChanged, this, &TranscriptSection::refresh);
    // A new search shows its first match; the index taking in an edit only moves the marks.
    connect(&m_app.search(), &LibrarySearch::textChanged, this,
            [this] { refreshSearchMatches(true); });
    connect(&m_app.search(), &LibrarySearch::indexChanged, this,
            [this] { refreshSearchMatches(false); });

    for (LanguagePicker* picker : {&m_controls->languagePicker(), &m_prompt->languagePicker()}) {
        connect(picker, &LanguagePicker::languageChosen, this, &TranscriptSection::chooseLanguage);
    }
    connect(&m_prompt->transcribeButton(), &QPushButton::clicked, this,
            &TranscriptSection::startTranscription);
    connect(m_controls, &TranscriptControls::cancelClicked, this,
            [this] { m_app.transcription().cancel(); });
    connect(m_controls, &TranscriptControls::transcribeAgainClicked, this,
            &TranscriptSection::confirmRetranscription);
    connect(m_controls, &TranscriptControls::exportChosen, this,
            &TranscriptSection::exportTranscript);
    m_controls->setDoubtfulText(ExportPreferences::doubtfulText(m_app.defaults()));
    connect(m_controls, &TranscriptControls::doubtfulTextChosen, this, [this](DoubtfulText choice) {
        ExportPreferences::setDoubtfulText(m_app.defaults(), choice);
    });
    refresh();
}

TranscriptSection::~TranscriptSection() {
    blockSignals(true);
    dropEditor(true);
}

void TranscriptSection::showItem(const std::optional<Uuid>& itemID) {
    m_itemID = itemID;
    if (!itemID) {
        // Like the section going away: the next recording shown is loaded afresh.
        dropEditor(true);
        m_loadKey.reset();
        m_loadError.reset();
        setEditingText(false);
    }
    loadIfNeeded();
    refresh();
}

void TranscriptSection::setSavePanel(SavePanel* panel) {
    m_savePanel = panel ? panel : m_fileSavePanel.get();
}

std::optional<LibraryItem> TranscriptSection::item() const {
    return m_itemID ? m_app.library().item(*m_itemID) : std::nullopt;
}

const TranscriptionJob* TranscriptSection::runningJob() const {
    const auto& job = m_app.transcription().job();
    return job && m_itemID && job->itemID == *m_itemID ? &*job : nullptr;
}

bool TranscriptSection::loadedShownItem() const {
    return m_itemID && m_loadKey && m_loadKey->itemID == *m_itemID;
}

TranscriptEditorModel* TranscriptSection::currentEditor() const {
    return loadedShownItem() ? m_editor.get() : nullptr;
}

void TranscriptSection::loadIfNeeded() {
    if (!m_itemID) {
        return;
    }
    const auto& saved = m_app.transcription().savedTranscripts();
    const auto count = saved.find(*m_itemID);
    const LoadKey key{*m_itemID, count == saved.end() ? 0 : count->second};
    if (key != m_loadKey) {
        m_loadKey = key;
        load(*m_itemID);
    }
}

void TranscriptSection::load(const Uuid& itemID) {
    // The editor of this same recording means a new transcript of it was just saved: it
    // replaces the old one, edits included, as the user confirmed. Saving edits left unsaved
    // (by a save that failed) would write the old transcript over the new one.
    dropEditor(!(m_editor && m_editor->itemID() == itemID));
    m_loadError.reset();
    try {
        m_editor = TranscriptEditorModel::load(itemID, TranscriptStore(m_app.library().store()));
    } catch (const std::exception& error) {
        m_loadError = "The transcript couldn't be opened. Quit and reopen Brindlewick; if it "
                      "still fails, email " +
                      BundleInfo::supportEmail() + " with this message." + detail(error);
    }
    if (m_editor) {
        connect(m_editor.get(), &TranscriptEditorModel::saveErrorChanged, this,
                &TranscriptSection::refresh);
        // A transcript read again may have a different number of segments.
        connect(m_editor.get(), &TranscriptEditorModel::reloaded, this,
                &TranscriptSection::refresh);
    }
    m_app.setOpenTranscript(m_editor.get());
    const auto* job = runningJob();
    m_language = job ? job->language
                     : m_app.languageForTranscription(
                           m_editor ? std::optional(m_editor->document().language) : std::nullopt);
}

void TranscriptSection::dropEditor(bool savesEdits) {
    if (savesEdits) {
        flush();
    }
    if (m_editorView) {
        delete m_editorView;
        m_editorView = nullptr;
        setEditingText(false);
    }
    m_app.setOpenTranscript(nullptr);
    m_editor.reset();
}

// Progress reports of a job already on show change only its progress and live text; anything
// else (a job starting or ending) changes what the section shows.
void TranscriptSection::jobChanged() {
    const auto* job = runningJob();
    if (job && m_jobView->isVisibleTo(this)) {
        m_progress->setJob(*job);
        m_live->setSegments(job->segments);
        return;
    }
    refresh();
}

void TranscriptSection::refresh() {
    const auto item = this->item();
    const auto* job = runningJob();
    auto* editor = currentEditor();
    const bool anyRunning = m_app.transcription().isRunning();
    const bool canStart = item && !anyRunning && item->state != LibraryItem::State::recording;

    const bool showsControls = item && (job || editor);
    m_controls->setVisible(showsControls);
    m_controls->update(job != nullptr, canStart, editor && !job);
    m_note->setVisible(showsControls && !job && anyRunning);

    std::vector<std::string> problems;
    if (item && loadedShownItem()) {
        if (m_loadError) {
            problems.push_back(*m_loadError);
        }
        if (m_editor && m_editor->saveError()) {
            problems.push_back(*m_editor->saveError());
        }
    }
    if (item) {
        const auto& failures = m_app.transcription().failures();
        if (auto failure = failures.find(item->id); failure != failures.end()) {
            problems.push_back(failure->second);
        }
    }
    m_problems->setMessages(problems);

    const bool showsEditor = item && !job && editor && !editor->document().segments.empty();
    const bool loadFailed = loadedShownItem() && m_loadError.has_value();
    m_jobView->setVisible(job != nullptr);
    if (job) {
        m_progress->setJob(*job);
        m_live->setSegments(job->segments);
    }
    showEditor(showsEditor);
    const bool showsNoText = item && !job && editor && editor->document().segments.empty();
    if (showsNoText) {
        // Speech that gave no text is still speech: the count says so instead.
        const auto note = unrecognizedSpeechNote(editor->document().unrecognizedSpeech.size());
        m_noSpeech->setText(note.empty() ? "No speech was found in this recording."
                                         : QString::fromStdString(note));
    }
    m_noSpeech->setVisible(showsNoText);
    m_prompt->setVisible(item && !job && !editor && !loadFailed);
    m_prompt->transcribeButton().setEnabled(canStart);

    for (LanguagePicker* picker : {&m_controls->languagePicker(), &m_prompt->languagePicker()}) {
        picker->setLanguage(m_language);
    }
}

void TranscriptSection::showEditor(bool shown) {
    if (shown && !m_editorView) {
        m_editorView = new TranscriptEditorView(*m_editor, m_app.player(), this);
        // Before the stretch, where the content goes.
        auto* box = static_cast<QVBoxLayout*>(layout());
        box->insertWidget(box->indexOf(m_prompt) + 1, m_editorView, 1);
        connect(m_editorView, &TranscriptEditorView::editingTextChanged, this,
                &TranscriptSection::setEditingText);
        m_editorView->setVisible(shown);
        refreshSearchMatches(true);
    }
    if (m_editorView) {
        m_editorView->setVisible(shown);
    }
}

void TranscriptSection::refreshSearchMatches(bool showFirst) {
    if (!m_editorView || !m_editor) {
        return;
    }
    LibrarySearch& search = m_app.search();
    m_editorView->setSearchMatches(search.isActive() ? search.matchesIn(m_editor->itemID())
                                                     : std::vector<SegmentMatch>{},
                                   showFirst);
}

void TranscriptSection::showMatch(int step) {
    if (m_editorView && m_editorView->isVisible()) {
        m_editorView->showMatch(step);
    }
}

void TranscriptSection::chooseLanguage(TranscriptionLanguage language) {
    m_language = language;
    m_app.rememberLanguageChoice(language);
    refresh();
}

void TranscriptSection::startTranscription() {
    const auto item = this->item();
    if (!item) {
        return;
    }
    flush();
    try {
        m_app.transcription().start(*item, m_language);
    } catch (const TranscriptionStartError&) {
        // The service keeps the message among its failures, which the problem rows show.
    }
}

void TranscriptSection::confirmRetranscription() {
    if (m_confirmation) {
        return;
    }
    auto* box = new QMessageBox(this);
    setMessageBoxText(*box, "Transcribe this recording again?",
                      "The new transcript replaces the current one, including your edits.");
    QPushButton* again = box->addButton("Transcribe Again", QMessageBox::DestructiveRole);
    // Return keeps the edits: only a deliberate click replaces them.
    QPushButton* cancel = box->addButton("Cancel", QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this, [this, box, again](QAbstractButton* button) {
        if (button == again) {
            startTranscription();
        }
        box->close();
    });
    m_confirmation = box;
    box->open();
}

void TranscriptSection::exportTranscript(ExportFormat format) {
    const auto item = this->item();
    auto* editor = currentEditor();
    if (!item || !editor) {
        return;
    }
    editor->saveNow();
    QPointer<TranscriptSection> self(this);
    ExportPanel(*m_savePanel, m_controls->doubtfulText())
        .save(*item, editor->document(), format, [self](const std::string& message) {
            if (self) {
                self->showExportError(message);
            }
        });
}

void TranscriptSection::showExportError(const std::string& message) {
    auto* box = new QMessageBox(this);
    box->setIcon(QMessageBox::Warning);
    setMessageBoxText(*box, "The transcript couldn't be exported", QString::fromStdString(message));
    box->setEscapeButton(box->addButton("OK", QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TranscriptSection::flush() {
    if (m_editor) {
        m_editor->saveNow();
    }
}

void TranscriptSection::setEditingText(bool editing) {
    if (editing != m_isEditingText) {
        m_isEditingText = editing;
        emit editingTextChanged(editing);
    }
}

} // namespace bw::ui

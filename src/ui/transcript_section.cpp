#include "ui/transcript_section.h"

#include "app/transcript_presenter.h"
#include "library/playback_model.h"
#include "search/library_search.h"
#include "transcripts/export_panel.h"
#include "transcripts/export_preferences.h"
#include "transcripts/transcript_editor_model.h"
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

TranscriptSection::TranscriptSection(TranscriptPresenter& presenter, PlaybackModel& player,
                                     LibrarySearch& search, DialogFolders& folders,
                                     UserDefaults* defaults, QWidget* parent)
    : QWidget(parent), m_presenter(presenter), m_player(player), m_search(search),
      m_fileSavePanel(std::make_unique<FileSavePanel>(this, &folders)),
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

    connect(&m_presenter, &TranscriptPresenter::changed, this, &TranscriptSection::refresh);
    connect(&m_presenter, &TranscriptPresenter::jobProgressed, this,
            &TranscriptSection::showJobProgress);
    connect(&m_presenter, &TranscriptPresenter::editorClosing, this,
            &TranscriptSection::dropEditorView);
    // A new search shows its first match; the index taking in an edit only moves the marks.
    connect(&m_search, &LibrarySearch::textChanged, this, [this] { refreshSearchMatches(true); });
    connect(&m_search, &LibrarySearch::indexChanged, this, [this] { refreshSearchMatches(false); });

    for (LanguagePicker* picker : {&m_controls->languagePicker(), &m_prompt->languagePicker()}) {
        connect(picker, &LanguagePicker::languageChosen, &m_presenter,
                &TranscriptPresenter::chooseLanguage);
    }
    connect(&m_prompt->transcribeButton(), &QPushButton::clicked, &m_presenter,
            &TranscriptPresenter::startTranscription);
    connect(m_controls, &TranscriptControls::cancelClicked, &m_presenter,
            &TranscriptPresenter::cancelTranscription);
    connect(m_controls, &TranscriptControls::transcribeAgainClicked, this,
            &TranscriptSection::confirmRetranscription);
    connect(m_controls, &TranscriptControls::exportChosen, this,
            &TranscriptSection::exportTranscript);
    m_controls->setDoubtfulText(ExportPreferences::doubtfulText(defaults));
    connect(
        m_controls, &TranscriptControls::doubtfulTextChosen, this,
        [defaults](DoubtfulText choice) { ExportPreferences::setDoubtfulText(defaults, choice); });
    refresh();
}

TranscriptSection::~TranscriptSection() {
    blockSignals(true);
    disconnect(&m_presenter, nullptr, this, nullptr);
    dropEditorView();
    m_presenter.showItem(std::nullopt);
}

void TranscriptSection::showItem(const std::optional<Uuid>& itemID) {
    m_presenter.showItem(itemID);
}

TranscriptionLanguage TranscriptSection::language() const {
    return m_presenter.language();
}

void TranscriptSection::setSavePanel(SavePanel* panel) {
    m_savePanel = panel ? panel : m_fileSavePanel.get();
}

void TranscriptSection::dropEditorView() {
    if (m_editorView) {
        delete m_editorView;
        m_editorView = nullptr;
        setEditingText(false);
    }
}

void TranscriptSection::showJobProgress() {
    const auto* job = m_presenter.runningJob();
    if (job && m_jobView->isVisibleTo(this)) {
        m_progress->setJob(*job);
        m_live->setSegments(job->segments);
        return;
    }
    refresh();
}

void TranscriptSection::refresh() {
    const auto parts = m_presenter.parts();
    const auto* job = m_presenter.runningJob();
    m_controls->setVisible(parts.controls);
    m_controls->update(parts.job, parts.canStart, parts.canExport);
    m_note->setVisible(parts.waitingNote);

    m_problems->setMessages(parts.problems);

    m_jobView->setVisible(parts.job);
    if (job) {
        m_progress->setJob(*job);
        m_live->setSegments(job->segments);
    }
    showEditor(parts.editor);
    if (parts.noText) {
        m_noSpeech->setText(QString::fromStdString(parts.noTextNote));
    }
    m_noSpeech->setVisible(parts.noText);
    m_prompt->setVisible(parts.prompt);
    m_prompt->transcribeButton().setEnabled(parts.canStart);

    for (LanguagePicker* picker : {&m_controls->languagePicker(), &m_prompt->languagePicker()}) {
        picker->setLanguage(m_presenter.language());
    }
}

void TranscriptSection::showEditor(bool shown) {
    auto* editor = m_presenter.editor();
    if (shown && !m_editorView && editor) {
        m_editorView = new TranscriptEditorView(*editor, m_player, this);
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
    auto* editor = m_presenter.editor();
    if (!m_editorView || !editor) {
        return;
    }
    m_editorView->setSearchMatches(m_search.isActive() ? m_search.matchesIn(editor->itemID())
                                                       : std::vector<SegmentMatch>{},
                                   showFirst);
}

void TranscriptSection::showMatch(int step) {
    if (m_editorView && m_editorView->isVisible()) {
        m_editorView->showMatch(step);
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
            m_presenter.startTranscription();
        }
        box->close();
    });
    m_confirmation = box;
    box->open();
}

void TranscriptSection::exportTranscript(ExportFormat format) {
    const auto item = m_presenter.item();
    auto* editor = m_presenter.editor();
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

void TranscriptSection::setEditingText(bool editing) {
    if (editing != m_isEditingText) {
        m_isEditingText = editing;
        emit editingTextChanged(editing);
    }
}

} // namespace bw::ui

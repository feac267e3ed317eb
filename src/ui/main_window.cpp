#include "ui/main_window.h"

#include "app/app_model.h"
#include "app/recording_list_model.h"
#include "ui/consent_instruction.h"
#include "ui/detail_view.h"
#include "ui/focus_ring.h"
#include "ui/group_sidebar.h"
#include "ui/item_detail_view.h"
#include "ui/recording_list.h"
#include "ui/recording_panel.h"
#include "ui/recording_toolbar_group.h"
#include "ui/symbols.h"
#include "ui/transcript_section.h"
#include "ui/window_dialogs.h"
#include "ui/window_keys.h"

#include <QDropEvent>
#include <QMimeData>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>
#include <vector>

namespace bw::ui {
namespace {

// The local files among dropped URLs; web links and the like are left out.
std::vector<std::filesystem::path> droppedFiles(const QMimeData* data) {
    std::vector<std::filesystem::path> files;
    if (!data || !data->hasUrls()) {
        return files;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            files.emplace_back(url.toLocalFile().toStdString());
        }
    }
    return files;
}

RecordingList* makeRecordingList(AppModel& app) {
    return new RecordingList(
        app.library(), app.navigation(), app.search(), app.actions(),
        new RecordingListModel(app.library(), app.recorder(), app.transcription()));
}

DetailView* makeDetailView(AppModel& app) {
    auto* transcript = new TranscriptSection(app.openTranscript(), app.player(), app.search(),
                                             app.dialogFolders(), app.defaults());
    return new DetailView(app.library(), app.navigation(), new RecordingPanel(app.recorder()),
                          new ItemDetailView(app.library().store(), app.player(), transcript));
}

} // namespace

MainWindow::MainWindow(AppModel& app, QWidget* parent)
    : QMainWindow(parent), m_app(app), m_sidebar(new GroupSidebar(app.library(), app.navigation())),
      m_list(makeRecordingList(app)), m_detail(makeDetailView(app)),
      m_splitter(new QSplitter(Qt::Horizontal)) {
    setWindowTitle("Brindlewick");
    setMinimumSize(900, 460);
    resize(1100, 680);
    setAcceptDrops(true);

    m_sidebar->setMinimumWidth(170);
    m_sidebar->setMaximumWidth(300);
    m_list->setMinimumWidth(220);
    m_list->setMaximumWidth(400);
    auto* detailColumn = new QWidget;
    auto* detailLayout = new QVBoxLayout(detailColumn);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    detailLayout->addWidget(new ConsentInstruction);
    detailLayout->addWidget(m_detail, 1);

    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(detailColumn);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setStretchFactor(2, 1);
    m_splitter->setSizes({200, 256, 1100 - 200 - 256});
    setCentralWidget(m_splitter);
    buildToolBar();
    m_dialogs = new WindowDialogs({app.alerts(), app.navigation(), app.requests(), app.imports(),
                                   app.dialogFolders(), app.actions()},
                                  this);
    m_keys = new WindowKeys(app.player(), *this);
    m_focusRing = new FocusRing(*this);
}

void MainWindow::buildToolBar() {
    QToolBar* toolBar = addToolBar("Toolbar");
    toolBar->setObjectName("mainToolBar");
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->toggleViewAction()->setVisible(false);
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(spacer);
    toolBar->addWidget(new RecordingToolbarGroup(m_app.recorder(), m_app.actions()));
    toolBar->addSeparator();
    m_importAction = toolBar->addAction(symbol("square.and.arrow.down"), "Import Audio…", this,
                                        [this] { m_app.requests().setImporterPresented(true); });
    m_importAction->setToolTip("Import Audio…");
    // A toolbar's buttons take no focus of their own; this one is a control like the others.
    toolBar->widgetForAction(m_importAction)->setFocusPolicy(Qt::TabFocus);
    auto updateImport = [this] {
        m_importAction->setEnabled(m_app.recorder().phase() != RecorderModel::Phase::starting);
    };
    connect(&m_app.recorder(), &RecorderModel::phaseChanged, this, updateImport);
    updateImport();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (droppedFiles(event->mimeData()).empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto files = droppedFiles(event->mimeData());
    if (files.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_app.imports().importFiles(files);
}

} // namespace bw::ui

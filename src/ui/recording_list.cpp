#include "ui/recording_list.h"

#include "app/app_actions.h"
#include "app/recording_list_model.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "search/library_search.h"
#include "ui/confirmation.h"
#include "ui/empty_state_view.h"
#include "ui/library_row_delegate.h"
#include "ui/move_to_menu.h"
#include "ui/recording_list_header.h"
#include "ui/recording_rows.h"
#include "ui/rename_sheet.h"
#include "ui/scroll_bar_style.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace bw::ui {
namespace {

QString listTitle(const LibraryModel& library, const LibraryFilter& filter) {
    if (filter.kind() == LibraryFilter::Kind::notFiled) {
        return "No Group";
    }
    if (const auto id = filter.groupID()) {
        if (const auto group = library.group(*id)) {
            return QString::fromStdString(group->name);
        }
    }
    return "All Recordings";
}

} // namespace

RecordingList::RecordingList(LibraryModel& library, LibraryNavigation& navigation,
                             LibrarySearch& search, AppActions& actions, RecordingListModel* rows,
                             QWidget* parent)
    : QWidget(parent), m_library(library), m_navigation(navigation), m_librarySearch(search),
      m_actions(actions), m_search(new QLineEdit), m_searchDelay(new QTimer(this)),
      m_header(new RecordingListHeader), m_stack(new QStackedWidget), m_view(new QListView),
      m_emptyState(new EmptyStateView), m_rows(rows),
      m_model(new RecordingRows(*m_rows, library, navigation, search, this)) {
    m_rows->setParent(this);
    m_search->setPlaceholderText("Search");
    m_search->setAccessibleName("Search the transcripts and titles");
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    m_searchDelay->setSingleShot(true);
    m_searchDelay->setInterval(searchDelayMs);
    connect(m_search, &QLineEdit::textEdited, m_searchDelay, qOverload<>(&QTimer::start));
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) {
            searchTyped(); // cleared: at once
        }
    });
    connect(m_searchDelay, &QTimer::timeout, this, &RecordingList::searchTyped);
    // Rows the filter or the search takes away take the view's selection with them, but not
    // the library's: the recording stays shown, and selected again when it comes back. Made
    // before the view's own connections, so that this runs first.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this] { m_showingSelection = true; });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this,
            [this] { m_showingSelection = false; });
    m_view->setModel(m_model);
    ScrollBarStyle::apply(*m_view);
    m_view->setItemDelegate(new LibraryRowDelegate(m_view));
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setDragEnabled(true);
    m_view->setDragDropMode(QAbstractItemView::DragOnly);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setUniformItemSizes(true);
    m_view->installEventFilter(this);
    m_stack->addWidget(m_view);
    m_emptyState->setBackgroundRole(QPalette::Base);
    m_emptyState->setAutoFillBackground(true);
    m_stack->addWidget(m_emptyState);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* searchRow = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchRow);
    searchLayout->setContentsMargins(8, 8, 8, 0);
    searchLayout->addWidget(m_search);
    layout->addWidget(searchRow);
    layout->addWidget(m_header);
    layout->addWidget(m_stack, 1);

    connect(m_model, &QAbstractItemModel::modelReset, this, &RecordingList::reload);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &RecordingList::reload);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &RecordingList::reload);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &RecordingList::reload);
    connect(&search, &LibrarySearch::matchesChanged, this, &RecordingList::reload);
    connect(&navigation, &LibraryNavigation::filterChanged, this, &RecordingList::reload);
    connect(&library, &LibraryModel::groupsChanged, this, &RecordingList::reload);
    connect(&navigation, &LibraryNavigation::selectionChanged, this, &RecordingList::showSelection);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecordingList::selectRow);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        const QModelIndex index = m_view->indexAt(position);
        if (!index.isValid()) {
            return;
        }
        QMenu* menu = makeContextMenu(index.row());
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_view->viewport()->mapToGlobal(position));
    });
    reload();
}

void RecordingList::focusSearch() {
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
}

void RecordingList::searchTyped() {
    m_searchDelay->stop();
    m_librarySearch.setText(m_search->text().toStdString());
}

void RecordingList::reload() {
    const LibraryModel& library = m_library;
    const LibrarySearch& search = m_librarySearch;
    m_header->setContent(listTitle(library, m_navigation.filter()), m_model->rowCount());
    if (search.isActive() != m_wasSearching) {
        // Rows grow a line for the match while searching; the view measures them again.
        m_wasSearching = search.isActive();
        m_view->setUniformItemSizes(false);
        m_view->setUniformItemSizes(true);
        m_view->doItemsLayout();
    }
    if (search.isActive()) {
        m_emptyState->setContent(
            "magnifyingglass", search.isComplete() ? "No matches" : "Searching…",
            search.isComplete() ? "No transcript or title here has every word of “" +
                                      QString::fromStdString(search.text()) + "”."
                                : QString());
    } else if (library.items().empty()) {
        m_emptyState->setContent(
            "waveform", "No recordings yet",
            "Record a meeting or dictation, or drag an m4a, mp3 or wav file here.");
    } else if (m_navigation.filter().kind() == LibraryFilter::Kind::group) {
        m_emptyState->setContent("folder", "No recordings in this group",
                                 "Record or import while this group is selected, or drag "
                                 "recordings onto the group in the sidebar.");
    } else {
        m_emptyState->setContent("tray", "Every recording is in a group",
                                 "Recordings that aren't in a group are listed here.");
    }
    m_stack->setCurrentWidget(m_model->rowCount() == 0 ? static_cast<QWidget*>(m_emptyState)
                                                       : m_view);
    showSelection();
}

void RecordingList::showSelection() {
    const auto& selection = m_navigation.selection();
    const QModelIndex index = selection ? m_model->indexOf(*selection) : QModelIndex();
    QItemSelectionModel& selected = *m_view->selectionModel();
    m_showingSelection = true;
    if (index.isValid()) {
        // Only when it is not shown already, so that rows coming and going (a search finding
        // more) leave the user's scrolling alone.
        if (!selected.isSelected(index) || selected.selectedRows().size() != 1) {
            selected.setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            m_view->scrollTo(index);
        }
    } else if (selected.hasSelection()) {
        selected.clear();
    }
    m_showingSelection = false;
}

void RecordingList::selectRow() {
    if (m_showingSelection) {
        return;
    }
    const auto rows = m_view->selectionModel()->selectedRows();
    m_navigation.setSelection(
        rows.isEmpty() ? std::nullopt : std::optional(m_model->row(rows.front().row()).item.id));
}

QMenu* RecordingList::makeContextMenu(int row) {
    const LibraryItem item = m_model->row(row).item;
    auto* menu = new QMenu(this);
    menu->addAction("Rename…", this, [this, item] { rename(item); });
    menu->addMenu(new MoveToMenu(item, m_library, m_navigation, menu));
    menu->addSeparator();
    QAction* remove = menu->addAction("Delete…", this, [this, item] { confirmDeleting(item); });
    remove->setEnabled(isDeletable(item));
    return menu;
}

bool RecordingList::isDeletable(const LibraryItem& item) const {
    return m_library.activeRecordingID() != item.id;
}

void RecordingList::rename(const LibraryItem& item) {
    if (m_renaming) {
        m_renaming->close();
    }
    m_renaming = new RenameSheet(
        QString::fromStdString(item.title),
        [this, id = item.id](const std::string& title) {
            return m_library.changes().rename(id, title);
        },
        this);
    m_renaming->setAttribute(Qt::WA_DeleteOnClose);
    m_renaming->open();
}

void RecordingList::confirmDeleting(const LibraryItem& item) {
    if (m_deleting) {
        m_deleting->close();
    }
    m_deleting = openConfirmation(this, "Delete “" + QString::fromStdString(item.title) + "”?",
                                  "The audio and its transcript are deleted from this computer. "
                                  "They don't go to the Trash, so this can't be undone.",
                                  "Delete", [this, id = item.id] { m_actions.deleteItem(id); });
}

void RecordingList::deleteSelected() {
    const auto& selection = m_navigation.selection();
    if (!selection) {
        return;
    }
    if (const auto item = m_library.item(*selection); item && isDeletable(*item)) {
        confirmDeleting(*item);
    }
}

bool RecordingList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_search && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_search->text().isEmpty()) {
        m_search->clear();
        return true;
    }
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            deleteSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace bw::ui

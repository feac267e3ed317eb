#include "ui/sidebar_list.h"

#include "library/library_model.h"
#include "ui/recording_drag.h"
#include "ui/scroll_bar_style.h"
#include "ui/symbols.h"

#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace bw::ui {
namespace {

constexpr int filterRole = Qt::UserRole + 1;
constexpr int countRole = Qt::UserRole + 2;
constexpr int headingRole = Qt::UserRole + 3;
constexpr int inset = 6;

// Draws a row's icon and title with its count in a rounded badge at the trailing edge, on one
// line; the heading is drawn small and bold.
class SidebarRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        // Inset, so that the selection shows as a band inside the sidebar's edges.
        opt.rect.adjust(inset, 0, -inset, 0);
        const QString title = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        painter->save();
        const bool selected = opt.state & QStyle::State_Selected;
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
        if (index.data(headingRole).toBool()) {
            QFont font = opt.font;
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 0.85);
            painter->setFont(font);
            painter->setPen(opt.palette.color(QPalette::PlaceholderText));
        } else {
            const QString count = QString::number(index.data(countRole).toInt());
            const QFontMetrics metrics(opt.font);
            const int badgeWidth = metrics.horizontalAdvance(count) + 12;
            const QRect badge(textRect.right() - badgeWidth - 2, textRect.center().y() - 9,
                              badgeWidth, 18);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setBrush(opt.palette.color(selected ? QPalette::Light : QPalette::Midlight));
            painter->setPen(Qt::NoPen);
            painter->drawRoundedRect(badge, 9, 9);
            painter->setPen(opt.palette.color(QPalette::WindowText));
            painter->drawText(badge, Qt::AlignCenter, count);
            painter->setPen(
                opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            textRect.setRight(badge.left() - 6);
        }
        painter->drawText(
            textRect, Qt::AlignVCenter | Qt::AlignLeft,
            painter->fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 26));
        // Rows take the list's width and paint() shortens long names; a row as wide as its
        // name would push every count badge out of view.
        size.setWidth(0);
        return size;
    }
};

} // namespace

SidebarList::SidebarList(LibraryModel& library, QWidget* parent)
    : QListWidget(parent), m_library(library) {
    setItemDelegate(new SidebarRowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBarStyle::apply(*this);
}

void SidebarList::setRows(const std::vector<SidebarRow>& rows) {
    clear();
    // The heading stays when there are no groups yet, above the place they will take.
    auto addHeading = [this] {
        auto* heading = new QListWidgetItem("Groups", this);
        heading->setFlags(Qt::ItemIsEnabled);
        heading->setData(headingRole, true);
    };
    bool hasHeading = false;
    for (const auto& row : rows) {
        if (row.isGroup && !hasHeading) {
            addHeading();
            hasHeading = true;
        }
        auto* item = new QListWidgetItem(symbol(row.systemImage), row.title, this);
        item->setData(filterRole, QString::fromStdString(row.filter.storedValue()));
        item->setData(countRole, row.count);
        item->setData(Qt::AccessibleDescriptionRole, row.spokenCount());
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled);
    }
    if (!hasHeading) {
        addHeading();
    }
}

std::optional<LibraryFilter> SidebarList::filterOf(const QListWidgetItem* row) {
    if (!row || row->data(headingRole).toBool()) {
        return std::nullopt;
    }
    return LibraryFilter::fromStoredValue(row->data(filterRole).toString().toStdString());
}

QListWidgetItem* SidebarList::rowFor(const LibraryFilter& filter) const {
    for (int index = 0; index < count(); ++index) {
        if (filterOf(item(index)) == filter) {
            return item(index);
        }
    }
    return nullptr;
}

void SidebarList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        emit deleteRequested();
        return;
    }
    QListWidget::keyPressEvent(event);
}

std::optional<LibraryFilter> SidebarList::dropTargetAt(const QPoint& position) const {
    auto filter = filterOf(itemAt(position));
    if (!filter || filter->kind() == LibraryFilter::Kind::all) {
        return std::nullopt;
    }
    return filter;
}

void SidebarList::dragEnterEvent(QDragEnterEvent* event) {
    // Anything else (dropped files) is left to the window, which imports them.
    if (draggedRecordings(*event).empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void SidebarList::dragMoveEvent(QDragMoveEvent* event) {
    if (draggedRecordings(*event).empty() || !dropTargetAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void SidebarList::dropEvent(QDropEvent* event) {
    const auto ids = draggedRecordings(*event);
    const auto target = dropTargetAt(event->position().toPoint());
    if (ids.empty() || !target) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_library.changes().move(ids, target->groupID());
}

} // namespace bw::ui

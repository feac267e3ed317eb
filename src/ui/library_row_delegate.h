// Draws a row of the recording list on two lines: the title, then a pulsing red mark while it
// records, the date, the duration, "Dictation", "Interrupted" in orange and a mark while it is
// being transcribed; while a search is on, a third line with the best match, its matched words in
// bold.
#pragma once

#include <QStyledItemDelegate>

namespace bw::ui {

class LibraryRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace bw::ui

#include "ui/library_row_delegate.h"

#include "ui/recording_rows.h"
#include "ui/symbols.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace bw::ui {
namespace {

constexpr int margin = 6;
constexpr int spacing = 8;

QFont detailFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

// The search's snippet on one line, its matched words bold, cut with "…" where it runs out.
void drawSnippet(QPainter& painter, const QRect& line, const MarkedText& snippet, const QFont& font,
                 const QColor& color) {
    QFont bold = font;
    bold.setBold(true);
    painter.setPen(color);
    int x = line.left();
    std::size_t at = 0;
    auto draw = [&](std::size_t end, bool marked) -> bool {
        if (end <= at) {
            return true;
        }
        const QString text = QString::fromUtf8(snippet.text.data() + at, qsizetype(end - at));
        at = end;
        const QFontMetrics metrics(marked ? bold : font);
        painter.setFont(marked ? bold : font);
        const int room = line.right() - x;
        const int width = metrics.horizontalAdvance(text);
        const bool fits = width <= room;
        const QString shown = fits ? text : metrics.elidedText(text, Qt::ElideRight, room);
        painter.drawText(QRect(x, line.top(), room, line.height()), Qt::AlignVCenter, shown);
        x += metrics.horizontalAdvance(shown);
        return fits;
    };
    for (const auto& mark : snippet.marks) {
        if (!draw(mark.start, false) || !draw(mark.start + mark.length, true)) {
            return;
        }
    }
    draw(snippet.text.size(), false);
}

// Between 0.35 and 1, once a second; the row repaints as the running duration advances.
double pulse() {
    const double phase = static_cast<double>(QDateTime::currentMSecsSinceEpoch() % 1000) / 1000;
    return 0.675 + 0.325 * std::cos(phase * 2 * std::numbers::pi);
}

} // namespace

void LibraryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const auto* model = qobject_cast<const RecordingRows*>(index.model());
    if (!model) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const LibraryRow row = model->libraryRow(index.row());
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    painter->save();
    const bool selected = opt.state & QStyle::State_Selected;
    const QColor primary = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = primary;
    secondary.setAlphaF(0.65f);
    const QRect area = opt.rect.adjusted(margin + 2, margin, -margin, -margin);
    const QFontMetrics titleMetrics(opt.font);
    painter->setFont(opt.font);
    painter->setPen(primary);
    const QRect titleRect(area.left(), area.top(), area.width(), titleMetrics.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                      titleMetrics.elidedText(QString::fromStdString(row.item.title),
                                              Qt::ElideRight, area.width()));

    const QFont font = detailFont(opt.font);
    const QFontMetrics metrics(font);
    painter->setFont(font);
    painter->setRenderHint(QPainter::Antialiasing);
    QRect line(area.left(), titleRect.bottom() + 3, area.width(), metrics.height());
    int x = line.left();
    if (row.isRecording) {
        const int size = metrics.height() - 2;
        painter->setPen(Qt::NoPen);
        QColor red(220, 30, 30);
        red.setAlphaF(static_cast<float>(pulse()));
        painter->setBrush(red);
        painter->drawEllipse(QRect(x, line.center().y() - size / 2, size, size));
        x += size + spacing;
    }
    auto drawText = [&](const QString& text, const QColor& color) {
        painter->setPen(color);
        const int width = metrics.horizontalAdvance(text);
        painter->drawText(QRect(x, line.top(), width, line.height()), Qt::AlignVCenter, text);
        x += width + spacing;
    };
    for (const QString& text : row.details()) {
        drawText(text, secondary);
    }
    if (row.isInterrupted()) {
        // Orange is hard to read on the selection colour; selected rows keep to its text colour.
        drawText("Interrupted", selected ? primary : QColor(230, 126, 0));
    }
    if (row.isTranscribing) {
        const int size = metrics.height();
        symbol("text.bubble").paint(painter, QRect(x, line.top(), size, size));
    }
    if (const SearchMatch* match = model->matchAt(index)) {
        const QRect snippetLine(area.left(), line.bottom() + 3, area.width(), metrics.height());
        drawSnippet(*painter, snippetLine, match->snippet, font, primary);
    }
    painter->restore();
}

QSize LibraryRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const QFontMetrics titleMetrics(option.font);
    const QFontMetrics detailMetrics(detailFont(option.font));
    const auto* model = qobject_cast<const RecordingRows*>(index.model());
    const int lines = model && model->isSearching() ? 2 : 1;
    return {QStyledItemDelegate::sizeHint(option, index).width(),
            titleMetrics.height() + lines * (detailMetrics.height() + 3) + 2 * margin};
}

} // namespace bw::ui

#include "ui/symbols.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include <optional>

namespace bw::ui {
namespace {

struct SymbolEntry {
    std::string_view name;
    const char* themeName;
    std::optional<QStyle::StandardPixmap> fallback;
    QColor drawnColor; // a filled circle of this colour when there is no standard icon
};

const SymbolEntry symbolTable[] = {
    {"waveform", "audio-x-generic", QStyle::SP_MediaVolume, {}},
    {"tray", "mail-folder-inbox", QStyle::SP_DirOpenIcon, {}},
    {"folder", "folder", QStyle::SP_DirIcon, {}},
    {"plus", "list-add", QStyle::SP_FileDialogNewFolder, {}},
    {"record.circle", "media-record", std::nullopt, QColor(200, 30, 30)},
    {"record.circle.fill", "media-record", std::nullopt, QColor(220, 30, 30)},
    {"stop.circle.fill", "media-playback-stop", QStyle::SP_MediaStop, {}},
    {"pause.circle.fill", "media-playback-pause", QStyle::SP_MediaPause, {}},
    {"play.fill", "media-playback-start", QStyle::SP_MediaPlay, {}},
    {"pause.fill", "media-playback-pause", QStyle::SP_MediaPause, {}},
    {"stop.fill", "media-playback-stop", QStyle::SP_MediaStop, {}},
    {"person.2", "system-users", QStyle::SP_MessageBoxInformation, {}},
    {"speaker.slash", "audio-volume-muted", QStyle::SP_MediaVolumeMuted, {}},
    {"exclamationmark.triangle", "dialog-warning", QStyle::SP_MessageBoxWarning, {}},
    {"text.bubble", "format-justify-fill", QStyle::SP_FileDialogDetailedView, {}},
    {"square.and.arrow.down", "document-import", QStyle::SP_ArrowDown, {}},
    {"square.and.arrow.up", "document-export", QStyle::SP_ArrowUp, {}},
    {"mic", "audio-input-microphone", QStyle::SP_MediaVolume, {}},
    {"trash", "edit-delete", QStyle::SP_TrashIcon, {}},
    {"doc.text", "text-x-generic", QStyle::SP_FileIcon, {}},
    {"info.circle", "dialog-information", QStyle::SP_MessageBoxInformation, {}},
    {"magnifyingglass", "edit-find", QStyle::SP_FileDialogContentsView, {}},
};

QIcon drawnCircle(const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(4, 4, 24, 24));
    return QIcon(pixmap);
}

} // namespace

QIcon symbol(std::string_view name) {
    for (const auto& entry : symbolTable) {
        if (entry.name != name) {
            continue;
        }
        if (QIcon::hasThemeIcon(entry.themeName)) {
            return QIcon::fromTheme(entry.themeName);
        }
        if (entry.fallback) {
            return QApplication::style()->standardIcon(*entry.fallback);
        }
        return drawnCircle(entry.drawnColor);
    }
    return {};
}

} // namespace bw::ui

#include "app/dialog_folders.h"

#include "platform/app_settings.h"

#include <QDir>
#include <QFile>

namespace bw {

namespace {

std::optional<std::filesystem::path> remembered(const AppSettings& settings,
                                                DialogFolders::Purpose purpose) {
    return purpose == DialogFolders::Purpose::import ? settings.importFolder()
                                                     : settings.exportFolder();
}

} // namespace

std::filesystem::path DialogFolders::folder(Purpose purpose) const {
    if (const auto folder = remembered(AppSettings(m_defaults), purpose)) {
        std::error_code ignored;
        if (folder->is_absolute() && std::filesystem::is_directory(*folder, ignored)) {
            return *folder;
        }
    }
    return QFile::encodeName(QDir::homePath()).toStdString();
}

void DialogFolders::rememberChosenFile(Purpose purpose, const std::filesystem::path& file) {
    const auto folder = file.parent_path();
    if (!folder.is_absolute()) {
        return;
    }
    const AppSettings settings(m_defaults);
    if (purpose == Purpose::import) {
        settings.setImportFolder(folder);
    } else {
        settings.setExportFolder(folder);
    }
}

} // namespace bw

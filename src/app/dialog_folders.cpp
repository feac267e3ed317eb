#include "app/dialog_folders.h"

#include <QDir>
#include <QFile>

namespace bw {

namespace {

const char* key(DialogFolders::Purpose purpose) {
    switch (purpose) {
    case DialogFolders::Purpose::import:
        return "dialogs.importFolder";
    case DialogFolders::Purpose::exportSave:
        return "dialogs.exportFolder";
    }
    return "";
}

} // namespace

std::filesystem::path DialogFolders::folder(Purpose purpose) const {
    if (m_defaults) {
        if (const auto remembered = m_defaults->string(key(purpose))) {
            const std::filesystem::path folder(*remembered);
            std::error_code ignored;
            if (folder.is_absolute() && std::filesystem::is_directory(folder, ignored)) {
                return folder;
            }
        }
    }
    return QFile::encodeName(QDir::homePath()).toStdString();
}

void DialogFolders::rememberChosenFile(Purpose purpose, const std::filesystem::path& file) {
    const auto folder = file.parent_path();
    if (m_defaults && folder.is_absolute()) {
        m_defaults->setString(key(purpose), folder.string());
    }
}

} // namespace bw

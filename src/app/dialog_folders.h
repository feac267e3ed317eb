// Where the window's file dialogs open: in the folder last used for the same purpose, remembered
// in the user's defaults, while it still exists; else in the home folder, never in the folder
// the program happened to be started from.
#pragma once

#include "platform/user_defaults.h"

#include <filesystem>

namespace bw {

class DialogFolders {
public:
    enum class Purpose { import, exportSave };

    // `defaults` is not owned and may be null (nothing is then remembered).
    explicit DialogFolders(UserDefaults* defaults) : m_defaults(defaults) {}

    std::filesystem::path folder(Purpose purpose) const;
    // Remembers the folder of a file the user chose.
    void rememberChosenFile(Purpose purpose, const std::filesystem::path& file);

private:
    UserDefaults* m_defaults;
};

} // namespace bw

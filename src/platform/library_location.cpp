#include "platform/library_location.h"

#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <cstdlib>

namespace bw {

namespace fs = std::filesystem;

namespace {

// The XDG base directory rules: a relative or empty value is ignored.
fs::path dataHome() {
    if (const char* value = std::getenv("XDG_DATA_HOME"); value && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        throw FileError("be found", "Application Support",
                        std::make_error_code(std::errc::no_such_file_or_directory));
    }
    return fs::path(home) / ".local" / "share";
}

} // namespace

fs::path standardLibraryRoot() {
    return dataHome() / "Brindlewick" / "Library";
}

fs::path defaultLibraryRoot() {
    fs::path root = standardLibraryRoot();
    createDirectoriesDurably(root, FileAccess::ownerOnly);
    return root;
}

fs::path userModelsDirectory() {
    return dataHome() / "Brindlewick" / "Models";
}

fs::path temporaryLibraryRoot() {
    std::error_code code;
    fs::path temporary = fs::temp_directory_path(code);
    if (code) {
        temporary = "/tmp";
    }
    return temporary / "Brindlewick" / "Library";
}

} // namespace bw

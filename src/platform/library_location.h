// Where the library and the user's models live: $XDG_DATA_HOME (default ~/.local/share) +
// "Brindlewick/Library", and the temporary fallback used when that cannot be created.
#pragma once

#include <filesystem>

namespace bw {

// The standard library folder, created with its parents if missing. Throws FileError.
std::filesystem::path defaultLibraryRoot();
// The same folder's path, whether it exists or not. Throws FileError when there is no home.
std::filesystem::path standardLibraryRoot();

// The folder of the Whisper models the user installs: $XDG_DATA_HOME + "Brindlewick/Models",
// beside the library; not created here. Throws FileError without a home folder.
std::filesystem::path userModelsDirectory();

// The system temporary directory + "Brindlewick/Library"; not created here.
std::filesystem::path temporaryLibraryRoot();

} // namespace bw

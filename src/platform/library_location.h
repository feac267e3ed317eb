// Where the library lives: $XDG_DATA_HOME (default ~/.local/share) + "Brindlewick/Library",
// and the temporary fallback used when that cannot be created.
#pragma once

#include <filesystem>

namespace bw {

// The standard library folder, created with its parents if missing. Throws FileError.
std::filesystem::path defaultLibraryRoot();

// The system temporary directory + "Brindlewick/Library"; not created here.
std::filesystem::path temporaryLibraryRoot();

} // namespace bw

// The one way the program writes files: atomically and durably. The data goes to a temporary
// file in the target's folder, is flushed to disk, renamed over the target, and the folder is
// flushed too, so after a crash or power loss a reader finds either the old or the new whole
// file, never a part. Temporary files are hidden (their names start with a dot).
// All functions throw FileError and leave the target as it was on failure.
#pragma once

#include <filesystem>
#include <string_view>

namespace bw {

void writeFileAtomically(const std::filesystem::path& target, std::string_view contents);

// Copies `source` byte for byte to `target` the same way.
void copyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target);

// Renames `from` to `to` and flushes the folders; fails (EEXIST) when `to` already exists.
void renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes the finished file `from` to disk and renames it over `to` (replacing a file there),
// then flushes the folder: the way a file written piece by piece, such as a download, takes
// its final name whole.
void moveFileIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates the folder and any missing parents, flushing each new folder's parent.
void createDirectoriesDurably(const std::filesystem::path& folder);

// Flushes a folder's entries (new, renamed or removed names) to disk.
void syncDirectory(const std::filesystem::path& folder);

} // namespace bw

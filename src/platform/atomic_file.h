// The one way the program writes files: atomically and durably. The data goes to a temporary
// file in the target's folder, is flushed to disk, renamed over the target, and the folder is
// flushed too, so after a crash or power loss a reader finds either the old or the new whole
// file, never a part. Temporary files are hidden: "." + the target's name + ".tmp-" + 16
// hexadecimal digits. All functions throw FileError and leave the target as it was on failure.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace bw {

// Who may read what is written. The library is the user's alone: new folders 0700 and files
// 0600 whatever the umask. Documents saved where the user chose, settings and the like get
// what the umask leaves of 0777 / 0666.
enum class FileAccess { followUmask, ownerOnly };

void writeFileAtomically(const std::filesystem::path& target, std::string_view contents,
                         FileAccess access = FileAccess::followUmask);

// Copies `source` byte for byte to `target` the same way.
void copyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                        FileAccess access = FileAccess::followUmask);

// Renames `from` (a file or a folder) to `to` and flushes the folders; fails (EEXIST) when `to`
// already exists.
void renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// The same without the kernel's RENAME_NOREPLACE, for file systems that lack it (files by a
// hard link, folders by claiming the name first); flushes nothing. Public for its tests.
void renameWithoutReplacingPortably(const std::filesystem::path& from,
                                    const std::filesystem::path& to);

// Flushes the finished file `from` to disk and renames it over `to` (replacing a file there),
// then flushes the folder: the way a file written piece by piece, such as a download, takes
// its final name whole.
void moveFileIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates the folder and any missing parents, flushing each new folder's parent. Folders that
// already exist keep their permissions.
void createDirectoriesDurably(const std::filesystem::path& folder,
                              FileAccess access = FileAccess::followUmask);

// For the name of a temporary file a killed writer left behind, the name of the file it was
// meant to replace ("item.json" for ".item.json.tmp-0123456789abcdef"); nothing for other names.
std::optional<std::string> atomicWriteTarget(std::string_view temporaryName);

// Flushes a folder's entries (new, renamed or removed names) to disk.
void syncDirectory(const std::filesystem::path& folder);

} // namespace bw

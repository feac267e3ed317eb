// Writes a file so that readers see either the old content or the whole new content: the
// bytes go to a temporary file in the same folder, which then replaces the target.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace bw::cli {

// A file the program could not write; what() names the file and the reason.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws FileWriteError; on failure the target is unchanged and no temporary file is left.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Throws FileWriteError unless the folder `target` would be written into exists, so long work
// is not started for a file that cannot be saved.
void requireWritableFolder(const std::filesystem::path& target);

} // namespace bw::cli

// The diagnostics report as a file the user saves: the UTF-8 bytes of its text, without a
// byte-order mark, written atomically.
#pragma once

#include <filesystem>
#include <string>

namespace bw {

struct DiagnosticsDocument {
    std::string text;

    bool operator==(const DiagnosticsDocument&) const = default;

    // Replaces `file` as a whole or leaves it as it was; throws FileError.
    void write(const std::filesystem::path& file) const;

    // A plain-text file read back; invalid UTF-8 reads as U+FFFD. Throws FileError.
    static DiagnosticsDocument read(const std::filesystem::path& file);
};

} // namespace bw

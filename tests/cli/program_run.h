// Running the real program from a test through the shell, with what it prints captured.
#pragma once

#include "library/library_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace bw::test {

struct CommandResult {
    int status; // the exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// The text in single quotes for the shell, with its own single quotes escaped.
inline std::string shellQuoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

inline std::string shellQuoted(const std::filesystem::path& path) {
    return shellQuoted(path.string());
}

// Runs the shell command line with standard output and error sent to files in `folder`.
inline CommandResult runCapturing(const std::string& command, const std::filesystem::path& folder) {
    std::string line =
        command + " >" + shellQuoted(folder / "out") + " 2>" + shellQuoted(folder / "err");
    int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(folder / "out"),
            readText(folder / "err")};
}

} // namespace bw::test

// Runs the program (or any shell command line) for the command tests, catching its exit status
// and what it wrote to standard output and standard error.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>

namespace bw::test {

struct CommandResult {
    int status; // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// The path in single quotes for the shell.
inline std::string shellQuoted(const std::filesystem::path& path) {
    std::string text = "'";
    for (char c : path.string()) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

// Runs `commandLine` with sh, its output going to files "out" and "err" in `folder`.
inline CommandResult runCapturing(const std::string& commandLine,
                                  const std::filesystem::path& folder) {
    const std::string script = "( " + commandLine + " ) >" + shellQuoted(folder / "out") + " 2>" +
                               shellQuoted(folder / "err");
    const int status = std::system(script.c_str());
    auto read = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(folder / "out"),
            read(folder / "err")};
}

} // namespace bw::test

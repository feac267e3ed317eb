// Runs the program (or any shell command line) for the command tests, catching its exit status
// and what it wrote to standard output and standard error; or starts it in a process of its
// own to signal while it runs.
#pragma once

#include "platform/file_reading.h"
#include "support/temporary_folder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

// One run of build/bin/brindlewick in a process of its own, with its standard output and error
// caught in files, for tests that signal it while it runs.
class RunningProgram {
public:
    RunningProgram(std::vector<std::string> arguments,
                   std::map<std::string, std::string> environment = {})
        : m_out(m_folder / "stdout"), m_err(m_folder / "stderr") {
        std::vector<std::string> argv = {std::string(BW_BINARY_DIR) + "/bin/brindlewick"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> envp;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            std::string text = *entry;
            if (!environment.contains(text.substr(0, text.find('=')))) {
                envp.push_back(text);
            }
        }
        for (const auto& [name, value] : environment) {
            envp.push_back(name + "=" + value);
        }
        std::vector<char*> argPointers, envPointers;
        for (auto& text : argv) {
            argPointers.push_back(text.data());
        }
        for (auto& text : envp) {
            envPointers.push_back(text.data());
        }
        argPointers.push_back(nullptr);
        envPointers.push_back(nullptr);
        int out = ::open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execve(argPointers[0], argPointers.data(), envPointers.data());
            ::_exit(127);
        }
        ::close(out);
        ::close(err);
    }

    // Waits for the program to end and returns its exit status (128 + n for signal n).
    int wait() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // Waits at most `limit` for the program to end; its exit status as wait() gives it, or
    // nothing when it still runs (then kill it, and wait()).
    std::optional<int> waitFor(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        do {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < end);
        return std::nullopt;
    }

    // Waits until standard error contains `text`; false after a minute.
    bool waitForError(const std::string& text) {
        for (int i = 0; i < 600; ++i) {
            if (error().find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    void signal(int number) { ::kill(m_pid, number); }
    pid_t pid() const { return m_pid; }
    std::string output() const { return readFile(m_out); }
    std::string error() const { return readFile(m_err); }

private:
    test::TemporaryFolder m_folder;
    std::filesystem::path m_out;
    std::filesystem::path m_err;
    pid_t m_pid = -1;
};

} // namespace bw::test

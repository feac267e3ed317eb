// Shows the progress of long work on standard error. On a terminal it keeps one status line
// that is redrawn in place (status, a bar, the percentage and a note such as the estimated
// finish) and prints finished items above it; elsewhere (a log file, a pipe) it writes one plain
// line per change. Thread-safe: updates may come from any thread.
#pragma once

#include <mutex>
#include <optional>
#include <ostream>
#include <string>

namespace bw::cli {

class ProgressDisplay {
public:
    // `interactive`: redraw one line in place (for a terminal).
    ProgressDisplay(std::ostream& out, bool interactive);
    // Clears the status line.
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    // Whether standard error is a terminal.
    static bool standardErrorIsTerminal();

    // `fraction` (0...1) draws a bar and a whole percentage; nothing shows the status alone
    // (for work whose length is not known yet). `note` follows the percentage.
    void update(const std::string& status, std::optional<double> fraction,
                const std::string& note = {});

    // A finished item: on a terminal printed above the status line; dropped otherwise, where
    // the status lines alone tell the story.
    void printAbove(const std::string& line);

    // Clears the status line (on a terminal); later updates draw it again.
    void clear();

    // The status line as update() draws it, without terminal control characters.
    static std::string render(const std::string& status, std::optional<double> fraction,
                              const std::string& note, bool withBar);

private:
    void clearLocked();

    std::mutex m_lock;
    std::ostream& m_out;
    const bool m_interactive;
    std::string m_line; // what the status line shows now (empty: nothing drawn)
};

} // namespace bw::cli

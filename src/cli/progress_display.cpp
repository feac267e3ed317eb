#include "cli/progress_display.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace bw::cli {

namespace {

constexpr int barWidth = 24;
constexpr const char* clearLine = "\r\033[K";

} // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, bool interactive)
    : m_out(out), m_interactive(interactive) {}

ProgressDisplay::~ProgressDisplay() {
    clear();
}

bool ProgressDisplay::standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

std::string ProgressDisplay::render(const std::string& status, std::optional<double> fraction,
                                    const std::string& note, bool withBar) {
    std::string line = status;
    if (fraction) {
        double value = std::isnan(*fraction) ? 0 : std::clamp(*fraction, 0.0, 1.0);
        if (withBar) {
            int filled = static_cast<int>(value * barWidth);
            line += " [" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]";
        }
        // Rounded down, so 100% only shows once everything is done.
        line += " " + std::to_string(static_cast<int>(std::floor(value * 100))) + "%";
    }
    if (!note.empty()) {
        line += "  " + note;
    }
    return line;
}

void ProgressDisplay::update(const std::string& status, std::optional<double> fraction,
                             const std::string& note) {
    std::lock_guard lock(m_lock);
    std::string line = render(status, fraction, note, m_interactive);
    if (line == m_line) {
        return; // the recognizer reports often; unchanged lines are not repeated
    }
    m_line = line;
    if (m_interactive) {
        m_out << clearLine << line << std::flush;
    } else {
        m_out << line << "\n" << std::flush;
    }
}

void ProgressDisplay::printAbove(const std::string& line) {
    std::lock_guard lock(m_lock);
    if (!m_interactive) {
        return;
    }
    m_out << clearLine << line << "\n" << m_line << std::flush;
}

void ProgressDisplay::clear() {
    std::lock_guard lock(m_lock);
    clearLocked();
}

void ProgressDisplay::clearLocked() {
    if (m_interactive && !m_line.empty()) {
        m_out << clearLine << std::flush;
    }
    m_line.clear();
}

} // namespace bw::cli

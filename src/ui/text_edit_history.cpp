#include "ui/text_edit_history.h"

namespace bw::ui {

namespace {

// Whether `next` types on right where `previous` stopped typing.
bool continuesTyping(const TextEditHistory::Step& previous, const TextEditHistory::Step& next) {
    if (!previous.typing || !next.typing || previous.forward.size() != 1 ||
        next.forward.size() != 1 || previous.backward.size() != 1) {
        return false;
    }
    const TextEdit& typed = previous.forward.front();
    const TextEdit& more = next.forward.front();
    return more.length == 0 && more.location == typed.location + typed.text.size();
}

} // namespace

void TextEditHistory::record(Step step) {
    m_steps.resize(m_done);
    if (m_coalesces && !m_steps.empty() && continuesTyping(m_steps.back(), step)) {
        Step& previous = m_steps.back();
        const QString& more = step.forward.front().text;
        previous.forward.front().text += more;
        previous.backward.front().length += more.size();
    } else {
        m_steps.push_back(std::move(step));
        m_done = m_steps.size();
    }
    m_coalesces = m_steps.back().typing;
}

void TextEditHistory::clear() {
    m_steps.clear();
    m_done = 0;
    m_coalesces = false;
}

const TextEditHistory::Step* TextEditHistory::undoStep() const {
    return m_done > 0 ? &m_steps[m_done - 1] : nullptr;
}

const TextEditHistory::Step* TextEditHistory::redoStep() const {
    return m_done < m_steps.size() ? &m_steps[m_done] : nullptr;
}

void TextEditHistory::didUndo() {
    if (m_done > 0) {
        --m_done;
    }
    m_coalesces = false;
}

void TextEditHistory::didRedo() {
    if (m_done < m_steps.size()) {
        ++m_done;
    }
    m_coalesces = false;
}

} // namespace bw::ui

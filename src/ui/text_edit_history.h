// The undo history of the transcript text view: each step is the list of replacements that made
// it and the list that takes it back, so undoing and redoing are ordinary edits that pass the
// same checks as the user's own. Consecutive typed characters join one step, as in any editor.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bw::ui {

// One replacement: the range [location, location + length) of a text, in UTF-16 code units,
// and what takes its place.
struct TextEdit {
    std::int64_t location = 0;
    std::int64_t length = 0;
    QString text;

    std::int64_t end() const { return location + length; }
};

class TextEditHistory {
public:
    struct Step {
        std::vector<TextEdit> forward;  // ranges in the text before the step
        std::vector<TextEdit> backward; // ranges in the text after it; they undo the step
        QString actionName;             // e.g. "Restore Original Text"; empty for plain edits
        bool typing = false;            // typed text, which may join the previous typing step
    };

    // Adds a step after the current one and forgets the steps that were undone. A typed
    // insertion right after the previous step's typed text joins that step instead, unless
    // coalescing was broken since.
    void record(Step step);
    // The next typing starts a step of its own.
    void breakCoalescing() { m_coalesces = false; }
    void clear();

    // The step an undo or a redo would apply; null when there is none.
    const Step* undoStep() const;
    const Step* redoStep() const;
    // Called once the step from undoStep() or redoStep() was applied.
    void didUndo();
    void didRedo();

private:
    std::vector<Step> m_steps;
    std::size_t m_done = 0; // steps [0, m_done) are applied
    bool m_coalesces = false;
};

} // namespace bw::ui

// The question "where should this file go?", asked when a transcript is exported. The window
// answers it with a file dialog, the command line with its --output option, tests with a fake.
#pragma once

#include "export/export_format.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace bw {

struct SaveQuestion {
    std::string suggestedFileName; // e.g. "Meeting notes.docx"; the dialog presets it
    ExportFormat format;
    std::string contentType; // the MIME type the chooser restricts the choice to
};

class SavePanel {
public:
    using Answer = std::function<void(std::optional<std::filesystem::path>)>;

    virtual ~SavePanel() = default;

    // Asks without blocking and calls `answer` once, on the calling thread, with the file the
    // user chose, or with nothing when they cancelled. The answer may come before ask returns.
    virtual void ask(const SaveQuestion& question, Answer answer) = 0;
};

} // namespace bw

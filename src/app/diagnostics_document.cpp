#include "app/diagnostics_document.h"

#include "base/unicode_text.h"
#include "platform/atomic_file.h"
#include "platform/file_reading.h"

namespace bw {

void DiagnosticsDocument::write(const std::filesystem::path& file) const {
    writeFileAtomically(file, text);
}

DiagnosticsDocument DiagnosticsDocument::read(const std::filesystem::path& file) {
    return {unicode::repairedUtf8(readFile(file))};
}

} // namespace bw

#include "transcripts/export_panel.h"

#include "export/transcript_exporter.h"
#include "library/support_texts.h"
#include "platform/atomic_file.h"
#include "transcripts/transcript_export.h"

#include <memory>

namespace bw {

void ExportPanel::save(const LibraryItem& item, const TranscriptDocument& document,
                       ExportFormat format, ErrorHandler onError) {
    auto bytes = std::make_shared<std::string>();
    try {
        TranscriptExporter exporter({TimeZone::current(), ExportLabels::english(), m_doubtful});
        auto data = exporter.data(TranscriptExport::exportTranscript(item, document), format);
        bytes->assign(data.begin(), data.end());
    } catch (const std::exception& error) {
        onError("Brindlewick couldn't create the file. Try again, or choose another format. " +
                supportSentence() + detail(error));
        return;
    }
    SaveQuestion question{TranscriptExporter::suggestedFileName(item.title, format), format,
                          std::string(TranscriptExport::contentType(format))};
    m_panel.ask(question, [bytes, onError = std::move(onError)](
                              std::optional<std::filesystem::path> chosen) {
        if (!chosen || chosen->empty()) {
            return;
        }
        try {
            writeFileAtomically(*chosen, *bytes);
        } catch (const std::exception& error) {
            onError("The file couldn't be saved where you chose. Choose another folder, or check "
                    "that the disk has enough free space, then try again. " +
                    supportSentence() + detail(error));
        }
    });
}

} // namespace bw

#include "export/export_format.h"

namespace bw {

std::string_view rawValue(ExportFormat format) {
    switch (format) {
    case ExportFormat::txt:
        return "txt";
    case ExportFormat::docx:
        return "docx";
    case ExportFormat::srt:
        return "srt";
    }
    return "txt";
}

std::string_view fileExtension(ExportFormat format) {
    return rawValue(format);
}

std::optional<ExportFormat> exportFormatFromRawValue(std::string_view raw) {
    for (ExportFormat format : allExportFormats) {
        if (rawValue(format) == raw) {
            return format;
        }
    }
    return std::nullopt;
}

} // namespace bw

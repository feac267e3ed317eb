// The file formats a transcript can be exported to, in the order menus list them.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace bw {

enum class ExportFormat { txt, docx, srt };

inline constexpr std::array<ExportFormat, 3> allExportFormats = {
    ExportFormat::txt, ExportFormat::docx, ExportFormat::srt};

// "txt", "docx" or "srt".
std::string_view rawValue(ExportFormat format);

// The file name extension, without the dot; the same text as the raw value.
std::string_view fileExtension(ExportFormat format);

// The format with exactly this raw value ("TXT" and ".txt" give nothing).
std::optional<ExportFormat> exportFormatFromRawValue(std::string_view raw);

} // namespace bw

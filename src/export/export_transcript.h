// Everything an export needs to know about one transcript: the plain value the app hands to the
// export writers.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "export/export_language.h"
#include "export/export_segment.h"
#include "export/hash_combine.h"

namespace bw {

struct ExportTranscript {
    std::string title; // as the user sees it in the library; UTF-8
    // When the recording was made. Whole seconds, which reach far beyond the roughly 1678 to
    // 2262 of the system clock's nanoseconds: an item's date may be any of the years 0 to 9999.
    std::chrono::sys_seconds date;
    ExportLanguage language = ExportLanguage::english();
    std::vector<ExportSegment> segments; // in order

    bool operator==(const ExportTranscript&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportTranscript> {
    std::size_t operator()(const bw::ExportTranscript& transcript) const noexcept {
        std::size_t segments = transcript.segments.size();
        for (const auto& segment : transcript.segments) {
            segments = bw::hashFields(segments, segment);
        }
        return bw::hashFields(transcript.title, transcript.date.time_since_epoch().count(),
                              transcript.language, segments);
    }
};

// How an export writes its header (the zone the recording's date is shown in and the labels) and
// what it does with doubtful segments.
#pragma once

#include "export/doubtful_text.h"
#include "export/export_labels.h"
#include "export/hash_combine.h"
#include "export/time_zone.h"

#include <utility>

namespace bw {

struct ExportOptions {
    TimeZone timeZone;
    ExportLabels labels = ExportLabels::english();
    DoubtfulText doubtfulText = DoubtfulText::keep;

    ExportOptions() = default;
    ExportOptions(TimeZone timeZone, ExportLabels labels,
                  DoubtfulText doubtfulText = DoubtfulText::keep)
        : timeZone(std::move(timeZone)), labels(std::move(labels)), doubtfulText(doubtfulText) {}

    bool operator==(const ExportOptions&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportOptions> {
    std::size_t operator()(const bw::ExportOptions& options) const noexcept {
        return bw::hashFields(options.timeZone, options.labels, options.doubtfulText);
    }
};

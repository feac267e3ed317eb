// How an export writes its header: the zone the recording's date is shown in and the labels.
#pragma once

#include "export/export_labels.h"
#include "export/hash_combine.h"
#include "export/time_zone.h"

namespace bw {

struct ExportOptions {
    TimeZone timeZone;
    ExportLabels labels = ExportLabels::english();

    bool operator==(const ExportOptions&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportOptions> {
    std::size_t operator()(const bw::ExportOptions& options) const noexcept {
        return bw::hashFields(options.timeZone, options.labels);
    }
};

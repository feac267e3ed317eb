// The two words written in front of the header details of an export. They are written as given,
// without cleaning (the Word writer escapes them for XML).
#pragma once

#include <string>

#include "export/hash_combine.h"

namespace bw {

struct ExportLabels {
    std::string date;
    std::string language;

    static ExportLabels english() { return {"Date", "Language"}; }

    bool operator==(const ExportLabels&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportLabels> {
    std::size_t operator()(const bw::ExportLabels& labels) const noexcept {
        return bw::hashFields(labels.date, labels.language);
    }
};

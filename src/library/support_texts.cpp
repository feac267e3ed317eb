#include "library/support_texts.h"

#include "platform/bundle_info.h"

namespace bw {

std::string supportSentence() {
    return "If it keeps happening, email " + BundleInfo::supportEmail() +
           " with this message and the file from Help › Export Diagnostics.";
}

std::string detail(const std::exception& error) {
    return std::string(" (") + error.what() + ")";
}

} // namespace bw

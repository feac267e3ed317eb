#include "transcripts/transcript_store_error.h"

#include <string>

namespace bw {

TranscriptStoreError TranscriptStoreError::unsupportedVersion(std::int64_t version) {
    return {Kind::unsupportedVersion, version,
            "The transcript was saved in a newer format (version " + std::to_string(version) +
                ") than this version of Brindlewick can read."};
}

TranscriptStoreError TranscriptStoreError::itemNotFound() {
    return {Kind::itemNotFound, 0, "The recording no longer exists in the library."};
}

} // namespace bw

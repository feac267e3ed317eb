// What a drag from the recording list carries onto a group in the sidebar: the recording's
// identifier, encoded as a small JSON object under an application-private content type.
#pragma once

#include "base/uuid.h"

#include <optional>
#include <string>
#include <string_view>

namespace bw {

struct RecordingReference {
    // The content type the payload is offered under; only this process accepts it.
    static constexpr std::string_view contentType = "com.brindlewick.recording-reference";

    Uuid id;

    // {"id":"<UUID>"}
    std::string encoded() const;
    // Nothing when the payload is not such an object.
    static std::optional<RecordingReference> decode(std::string_view payload);

    friend bool operator==(const RecordingReference&, const RecordingReference&) = default;
};

} // namespace bw

// A piece of text with the words a search matched marked in it, as the index's snippets and
// highlights give them: ranges of bytes of the UTF-8 text, in order and not overlapping.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

struct MarkedText {
    struct Mark {
        std::size_t start = 0; // in bytes
        std::size_t length = 0;

        bool operator==(const Mark&) const = default;
    };

    std::string text;
    std::vector<Mark> marks;

    // Reads text in which `open` and `close` surround the marked words; the markers go, stray
    // ones included.
    static MarkedText fromMarkers(std::string_view marked, char open, char close);

    // At most about `maximumBytes` of the text, cut at spaces around the first mark, with "…"
    // where it was cut; the whole text when it is that short.
    MarkedText excerpt(std::size_t maximumBytes) const;

    bool operator==(const MarkedText&) const = default;
};

} // namespace bw

#include "search/marked_text.h"

#include <algorithm>

namespace bw {

MarkedText MarkedText::fromMarkers(std::string_view marked, char open, char close) {
    constexpr std::size_t none = std::string::npos;
    MarkedText result;
    result.text.reserve(marked.size());
    std::size_t start = none;
    for (char c : marked) {
        if (c == open) {
            start = result.text.size();
        } else if (c == close) {
            if (start != none && start < result.text.size()) {
                result.marks.push_back({start, result.text.size() - start});
            }
            start = none;
        } else {
            result.text += c;
        }
    }
    return result;
}

MarkedText MarkedText::excerpt(std::size_t maximumBytes) const {
    if (text.size() <= maximumBytes) {
        return *this;
    }
    const std::size_t first = marks.empty() ? 0 : marks.front().start;
    // A third of the room before the first match, the rest after it.
    std::size_t begin = first > maximumBytes / 3 ? first - maximumBytes / 3 : 0;
    if (begin > 0) {
        const std::size_t space = text.find(' ', begin);
        begin = space == std::string::npos || space >= first ? begin : space + 1;
    }
    std::size_t end = std::min(text.size(), begin + maximumBytes);
    if (end < text.size()) {
        const std::size_t space = text.rfind(' ', end);
        end = space == std::string::npos || space <= first ? end : space;
    }
    // Never inside a UTF-8 sequence.
    auto continuation = [&](std::size_t at) {
        return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    while (begin > 0 && continuation(begin)) {
        --begin;
    }
    while (continuation(end)) {
        ++end;
    }
    const std::string before = begin > 0 ? "…" : "";
    MarkedText cut{before + text.substr(begin, end - begin) + (end < text.size() ? "…" : ""), {}};
    for (const auto& mark : marks) {
        if (mark.start >= begin && mark.start + mark.length <= end) {
            cut.marks.push_back({mark.start - begin + before.size(), mark.length});
        }
    }
    return cut;
}

} // namespace bw

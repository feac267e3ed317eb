#include "search/marked_text.h"

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

} // namespace bw

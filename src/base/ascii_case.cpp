#include "base/ascii_case.h"

namespace bw {

std::string lowercasedAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return lowered;
}

} // namespace bw

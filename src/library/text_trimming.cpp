#include "library/text_trimming.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace bw {

namespace {

// The byte offset after the code point at `offset`, and whether it is white space.
bool whiteSpaceAt(const std::string& text, int32_t& offset) {
    UChar32 c = 0;
    U8_NEXT(text.data(), offset, int32_t(text.size()), c);
    return c >= 0 && u_isUWhiteSpace(c);
}

} // namespace

std::string trimmedText(const std::string& text) {
    int32_t start = 0;
    int32_t firstKept = int32_t(text.size());
    int32_t endOfLastKept = 0;
    for (int32_t offset = 0; offset < int32_t(text.size());) {
        int32_t before = offset;
        if (!whiteSpaceAt(text, offset)) {
            if (firstKept == int32_t(text.size())) {
                firstKept = before;
            }
            endOfLastKept = offset;
        }
    }
    start = firstKept;
    if (start >= endOfLastKept) {
        return {};
    }
    return text.substr(size_t(start), size_t(endOfLastKept - start));
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    auto first = icu::UnicodeString::fromUTF8(a);
    auto second = icu::UnicodeString::fromUTF8(b);
    return first.caseCompare(second, U_FOLD_CASE_DEFAULT) == 0;
}

} // namespace bw

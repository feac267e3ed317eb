#include "library/text_comparison.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace bw {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    auto first = icu::UnicodeString::fromUTF8(a);
    auto second = icu::UnicodeString::fromUTF8(b);
    return first.caseCompare(second, U_FOLD_CASE_DEFAULT) == 0;
}

} // namespace bw

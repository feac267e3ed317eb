#include "library/library_group.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace bw {

namespace {

// ICU collators are expensive to build and not meant for concurrent use, so each thread
// keeps its own. Secondary strength ignores case but keeps accents apart.
icu::Collator* groupNameCollator() {
    thread_local std::unique_ptr<icu::Collator> collator = [] {
        // The "C" and "POSIX" locales map to en_US_POSIX, whose collation is a byte-like
        // order; such a user gets the language-neutral order instead.
        icu::Locale locale = icu::Locale::getDefault();
        if (std::string_view(locale.getName()) == "en_US_POSIX") {
            locale = icu::Locale::getRoot();
        }
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(locale, status));
        if (U_FAILURE(status) || !made) {
            status = U_ZERO_ERROR;
            made.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        }
        if (made) {
            status = U_ZERO_ERROR;
            made->setStrength(icu::Collator::SECONDARY);
            made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        }
        return made;
    }();
    return collator.get();
}

} // namespace

int compareGroupNames(const std::string& a, const std::string& b) {
    if (auto* collator = groupNameCollator()) {
        UErrorCode status = U_ZERO_ERROR;
        auto result = collator->compareUTF8(a, b, status);
        if (U_SUCCESS(status)) {
            return int(result);
        }
    }
    return a.compare(b);
}

void sortInGroupOrder(std::vector<LibraryGroup>& groups) {
    std::stable_sort(groups.begin(), groups.end(),
                     [](const LibraryGroup& a, const LibraryGroup& b) {
                         int order = compareGroupNames(a.name, b.name);
                         return order != 0 ? order < 0 : a.id < b.id;
                     });
}

} // namespace bw

std::size_t std::hash<bw::LibraryGroup>::operator()(const bw::LibraryGroup& group) const noexcept {
    return std::hash<bw::Uuid>()(group.id) ^
           (std::hash<std::string>()(group.name) * 31 +
            std::hash<std::int64_t>()(group.createdAt.time_since_epoch().count()));
}

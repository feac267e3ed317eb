#include "base/unicode_text.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include <unicode/brkiter.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace bw::unicode {

namespace {

// A break iterator is costly to create and not safe to share, so each thread keeps its own.
icu::BreakIterator* characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(created) : nullptr;
    }();
    return iterator.get();
}

// The scalar end offsets of the text, for counting when ICU has no break rules: then every
// scalar counts as one character.
std::vector<std::size_t> scalarEnds(std::string_view text) {
    std::vector<std::size_t> ends;
    std::size_t position = 0;
    forEachScalar(text, [&](char32_t, std::string_view source) {
        position += source.size();
        ends.push_back(position);
    });
    return ends;
}

// Runs walk(iterator) over the text's cluster boundaries; returns false, without calling walk,
// when ICU cannot provide them.
template <typename Walk> bool withClusterBreaks(std::string_view text, Walk&& walk) {
    icu::BreakIterator* iterator = characterBreaks();
    UErrorCode status = U_ZERO_ERROR;
    UText storage = UTEXT_INITIALIZER;
    UText* utext = utext_openUTF8(&storage, text.data(), int64_t(text.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(utext);
        return false;
    }
    // The iterator keeps a shallow copy of the UText, which points into the text; it is left
    // dangling here but never read before the next setText replaces it.
    iterator->setText(utext, status);
    walk(*iterator);
    utext_close(utext);
    return true;
}

} // namespace

std::size_t nextScalar(std::string_view text, std::size_t at, char32_t& scalar) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t length = text.size();
    std::size_t i = at;
    UChar32 c = 0;
    U8_NEXT_OR_FFFD(bytes, i, length, c);
    scalar = char32_t(c);
    return i;
}

std::string repairedUtf8(std::string_view text) {
    std::string repaired;
    repaired.reserve(text.size());
    forEachScalar(text, [&](char32_t scalar, std::string_view source) {
        const bool malformed = scalar == 0xFFFD && source != replacementCharacter;
        repaired += malformed ? replacementCharacter : source;
    });
    return repaired;
}

bool isPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool isClusterPerScalar(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // U+0300 is the first scalar whose UTF-8 form starts with 0xCC.
        if (bytes[i] >= 0xCC) {
            return false;
        }
        if (bytes[i] == '\r' && i + 1 < text.size() && bytes[i + 1] == '\n') {
            return false;
        }
    }
    return true;
}

std::size_t utf16Length(std::string_view text) {
    std::size_t length = 0;
    forEachScalar(text,
                  [&](char32_t scalar, std::string_view) { length += scalar > 0xFFFF ? 2 : 1; });
    return length;
}

std::size_t scalarCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

std::size_t graphemeCount(std::string_view text) {
    if (isPrintableAscii(text)) {
        return text.size();
    }
    if (isClusterPerScalar(text)) {
        return scalarCount(text);
    }
    std::size_t clusters = 0;
    const bool walked = withClusterBreaks(text, [&](icu::BreakIterator& breaks) {
        while (breaks.next() != icu::BreakIterator::DONE) {
            ++clusters;
        }
    });
    return walked ? clusters : scalarEnds(text).size();
}

std::size_t graphemePrefixSize(std::string_view text, std::size_t count) {
    if (isPrintableAscii(text)) {
        return std::min(count, text.size());
    }
    std::size_t offset = 0;
    const bool walked = withClusterBreaks(text, [&](icu::BreakIterator& breaks) {
        for (std::size_t clusters = 0; clusters < count; ++clusters) {
            const int32_t next = breaks.next();
            if (next == icu::BreakIterator::DONE) {
                break;
            }
            offset = std::size_t(next);
        }
    });
    if (walked) {
        return offset;
    }
    const auto ends = scalarEnds(text);
    return count == 0 || ends.empty() ? 0 : ends[std::min(count, ends.size()) - 1];
}

std::size_t graphemeSuffixSize(std::string_view text, std::size_t count) {
    if (isPrintableAscii(text)) {
        return std::min(count, text.size());
    }
    std::size_t start = text.size();
    const bool walked = withClusterBreaks(text, [&](icu::BreakIterator& breaks) {
        int32_t boundary = breaks.last();
        for (std::size_t clusters = 0; clusters < count && boundary > 0; ++clusters) {
            boundary = breaks.previous();
            start = std::size_t(boundary);
        }
    });
    if (walked) {
        return text.size() - start;
    }
    const auto ends = scalarEnds(text);
    if (count >= ends.size()) {
        return text.size();
    }
    return text.size() - ends[ends.size() - count - 1];
}

} // namespace bw::unicode

#include "base/unicode_text.h"

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/utext.h>

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

// Walks the cluster boundaries of the text; stops after `limit` clusters and returns how many
// clusters were passed and the byte offset reached.
std::pair<std::size_t, std::size_t> walkClusters(std::string_view text, std::size_t limit) {
    icu::BreakIterator* iterator = characterBreaks();
    UErrorCode status = U_ZERO_ERROR;
    UText storage = UTEXT_INITIALIZER;
    UText* utext = utext_openUTF8(&storage, text.data(), int64_t(text.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        // Without ICU's data every scalar counts as one character.
        utext_close(utext);
        std::size_t clusters = 0, offset = 0, position = 0;
        forEachScalar(text, [&](char32_t, std::string_view source) {
            position += source.size();
            if (clusters < limit) {
                ++clusters;
                offset = position;
            }
        });
        return {clusters, offset};
    }
    // The iterator keeps a shallow copy of the UText, which points into the text; it is left
    // dangling here but never read before the next setText replaces it.
    iterator->setText(utext, status);
    std::size_t clusters = 0;
    std::size_t offset = 0;
    while (clusters < limit) {
        const int32_t next = iterator->next();
        if (next == icu::BreakIterator::DONE)
            break;
        ++clusters;
        offset = std::size_t(next);
    }
    utext_close(utext);
    return {clusters, offset};
}

} // namespace

bool isPrintableAscii(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

bool isClusterPerScalar(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // U+0300 is the first scalar whose UTF-8 form starts with 0xCC.
        if (bytes[i] >= 0xCC)
            return false;
        if (bytes[i] == '\r' && i + 1 < text.size() && bytes[i + 1] == '\n')
            return false;
    }
    return true;
}

std::size_t scalarCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::size_t graphemeCount(std::string_view text) {
    if (isPrintableAscii(text))
        return text.size();
    if (isClusterPerScalar(text))
        return scalarCount(text);
    return walkClusters(text, std::size_t(-1)).first;
}

std::size_t graphemePrefixSize(std::string_view text, std::size_t count) {
    if (isPrintableAscii(text))
        return std::min(count, text.size());
    return walkClusters(text, count).second;
}

std::string validUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    forEachScalar(text, [&](char32_t scalar, std::string_view source) {
        valid += scalar == 0xFFFD ? replacementCharacter : source;
    });
    return valid;
}

} // namespace bw::unicode

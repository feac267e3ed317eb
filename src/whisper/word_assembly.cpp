#include "whisper/word_assembly.h"

#include <algorithm>

namespace bw {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed sequence a lead byte starts (0: not a lead byte), and the range
// its second byte must fall in; later bytes are always 0x80...0xBF.
struct LeadByte {
    int length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadByte classify(unsigned char byte) {
    if (byte < 0x80)
        return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, 0x80, 0xBF};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};
    if (byte == 0xED)
        return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3, 0x80, 0xBF};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4, 0x80, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

RecognizedWord makeWord(std::string_view bytes, std::int64_t t0, std::int64_t t1) {
    double start = static_cast<double>(t0) / 100;
    return {start, std::max(start, static_cast<double>(t1) / 100), validUtf8(bytes)};
}

} // namespace

std::string validUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        LeadByte lead = classify(static_cast<unsigned char>(bytes[i]));
        if (lead.length == 0) {
            text += replacementCharacter;
            ++i;
            continue;
        }
        // Count how many bytes of the sequence are well formed; a sequence cut short is one
        // maximal invalid part and becomes a single replacement character.
        int valid = 1;
        while (valid < lead.length && i + valid < bytes.size()) {
            auto byte = static_cast<unsigned char>(bytes[i + valid]);
            bool fits = valid == 1 ? (byte >= lead.secondLow && byte <= lead.secondHigh)
                                   : (byte >= 0x80 && byte <= 0xBF);
            if (!fits) {
                break;
            }
            ++valid;
        }
        if (valid == lead.length) {
            text.append(bytes.substr(i, valid));
        } else {
            text += replacementCharacter;
        }
        i += valid;
    }
    return text;
}

std::vector<RecognizedWord> assembleWords(std::span<const WhisperToken> tokens, int endOfText) {
    std::vector<RecognizedWord> words;
    std::string buffer;
    std::int64_t wordStart = 0;
    std::int64_t wordEnd = 0;
    for (const WhisperToken& token : tokens) {
        if (token.id >= endOfText || token.text.empty()) {
            continue;
        }
        if (token.text.front() == ' ') {
            if (!buffer.empty()) {
                words.push_back(makeWord(buffer, wordStart, wordEnd));
                buffer.clear();
            }
            wordStart = token.t0;
        } else if (buffer.empty()) {
            wordStart = token.t0;
        }
        buffer += token.text;
        wordEnd = token.t1;
    }
    if (!buffer.empty()) {
        words.push_back(makeWord(buffer, wordStart, wordEnd));
    }
    return words;
}

RecognizedSegment assembleSegment(std::int64_t t0, std::int64_t t1,
                                  std::vector<RecognizedWord> words) {
    RecognizedSegment segment;
    segment.start = static_cast<double>(t0) / 100;
    segment.end = std::max(segment.start, static_cast<double>(t1) / 100);
    for (const auto& word : words) {
        segment.text += word.text;
    }
    segment.words = std::move(words);
    return segment;
}

} // namespace bw

#include "whisper/word_assembly.h"

#include "base/unicode_text.h"

#include <algorithm>

namespace bw {

namespace {

RecognizedWord makeWord(std::string_view bytes, std::int64_t t0, std::int64_t t1) {
    double start = static_cast<double>(t0) / 100;
    return {start, std::max(start, static_cast<double>(t1) / 100), unicode::repairedUtf8(bytes)};
}

} // namespace

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

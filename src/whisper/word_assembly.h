// Turns the tokens whisper.cpp produced for one segment into words with times. Kept apart from
// the calls that read the tokens so the rules can be exercised without a model.
#pragma once

#include "transcription/recognized_segment.h"
#include "transcription/recognized_word.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

// One decoded token as whisper.cpp reports it; times are in units of 10 ms.
struct WhisperToken {
    int id = 0;
    std::string_view text; // raw bytes; empty when the library gave none
    std::int64_t t0 = 0;
    std::int64_t t1 = 0;
};

// Words are split at tokens whose text starts with a space, which each word keeps. The bytes of
// a word's tokens are decoded together, so a character split across tokens comes out whole;
// invalid UTF-8 becomes U+FFFD. Tokens with an id at or above `endOfText` (special and
// timestamp tokens) and tokens without text are skipped. A word never ends before it starts.
std::vector<RecognizedWord> assembleWords(std::span<const WhisperToken> tokens, int endOfText);

// A segment from its times (10 ms units) and words: the text is the words' texts joined
// without separator, and the end is never before the start.
RecognizedSegment assembleSegment(std::int64_t t0, std::int64_t t1,
                                  std::vector<RecognizedWord> words);

} // namespace bw

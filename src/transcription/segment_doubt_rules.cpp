#include "transcription/segment_doubt_rules.h"

#include "base/unicode_text.h"
#include "transcription/edit_distance.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace bw {

namespace {

// A decoder stuck in a loop writes text that compresses far better than language does; the
// same threshold is common for Whisper's outputs. Short texts compress badly whatever they
// say, so they are left to the repetition count.
constexpr double loopCompressionRatio = 2.4;
constexpr std::size_t compressionMinimumBytes = 60;
// "no no no" may be said; a phrase five times over, or a single word six times, rarely is.
constexpr int loopPhraseRepetitions = 5;
constexpr int loopWordRepetitions = 6;
// A previous line said again word for word is a decoder repeating itself, unless it is short
// (people do say "Yes." twice).
constexpr double repeatSimilarity = 0.9;
constexpr std::size_t repeatMinimumWords = 4;
// Less than this share of the segment's time (or this much at all) under detected speech.
constexpr double littleSpeechShare = 0.25;
constexpr double littleSpeechSeconds = 0.2;
// Fast speech runs at about 20 characters a second; twice that cannot have been said.
constexpr double maximumCharactersPerSecond = 40;
constexpr std::size_t fastMinimumCharacters = 12;
// Mean token log-probability below which the decoder is guessing.
constexpr double unsureLogProbability = -1.0;
// The recognizer's own judgement that its window holds no speech.
constexpr double notSpeechProbability = 0.6;

std::vector<std::string> wordsOf(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || std::isalnum(byte) != 0) {
            word += static_cast<char>(byte < 0x80 ? std::tolower(byte) : byte);
        } else if (!word.empty() && byte != '\'') {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace

double SegmentDoubtRules::compressionRatio(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string compressed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                  Z_BEST_COMPRESSION) != Z_OK ||
        size == 0) {
        return 0;
    }
    return static_cast<double>(text.size()) / static_cast<double>(size);
}

int SegmentDoubtRules::longestRepetition(std::string_view text) {
    auto words = wordsOf(text);
    int longest = 1;
    for (std::size_t length = 1; length <= 4; ++length) {
        for (std::size_t start = 0; start + 2 * length <= words.size(); ++start) {
            int repetitions = 1;
            std::size_t at = start + length;
            while (at + length <= words.size() &&
                   std::equal(words.begin() + static_cast<std::ptrdiff_t>(start),
                              words.begin() + static_cast<std::ptrdiff_t>(start + length),
                              words.begin() + static_cast<std::ptrdiff_t>(at))) {
                ++repetitions;
                at += length;
            }
            longest = std::max(longest, repetitions);
        }
    }
    return longest;
}

double SegmentDoubtRules::similarity(std::string_view a, std::string_view b) {
    auto first = wordsOf(a);
    auto second = wordsOf(b);
    std::size_t longer = std::max(first.size(), second.size());
    if (longer == 0) {
        return 1;
    }
    return 1 - static_cast<double>(editDistance(first, second)) / static_cast<double>(longer);
}

std::vector<SegmentDoubt> SegmentDoubtRules::judge(const Signals& signals) {
    std::vector<SegmentDoubt> doubts;
    if (signals.previousText && wordsOf(signals.text).size() >= repeatMinimumWords &&
        similarity(signals.text, *signals.previousText) >= repeatSimilarity) {
        doubts.push_back(SegmentDoubt::repeatsPreviousLine);
    }
    int repetitions = longestRepetition(signals.text);
    bool singleWordLoop = repetitions >= loopWordRepetitions;
    if (singleWordLoop || repetitions >= loopPhraseRepetitions ||
        (signals.text.size() >= compressionMinimumBytes &&
         compressionRatio(signals.text) > loopCompressionRatio)) {
        doubts.push_back(SegmentDoubt::repeatsItself);
    }
    if (signals.speechSeconds && (*signals.speechSeconds < littleSpeechSeconds ||
                                  *signals.speechSeconds < littleSpeechShare * signals.duration)) {
        doubts.push_back(SegmentDoubt::littleSpeech);
    }
    std::size_t characters = unicode::graphemeCount(unicode::repairedUtf8(signals.text));
    double seconds = signals.speechSeconds ? std::min(*signals.speechSeconds, signals.duration)
                                           : signals.duration;
    if (characters >= fastMinimumCharacters &&
        static_cast<double>(characters) > maximumCharactersPerSecond * seconds) {
        doubts.push_back(SegmentDoubt::tooFast);
    }
    if (signals.averageLogProbability < unsureLogProbability) {
        doubts.push_back(SegmentDoubt::unsure);
    }
    if (signals.noSpeechProbability > notSpeechProbability) {
        doubts.push_back(SegmentDoubt::notSpeech);
    }
    return doubts;
}

} // namespace bw

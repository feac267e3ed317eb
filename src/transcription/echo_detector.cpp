#include "transcription/echo_detector.h"

#include "base/unicode_text.h"
#include "transcription/edit_distance.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>

namespace bw {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The recognizer hears a quiet echo less surely, so a word may come out with a letter or two
// changed ("colour", "color"); short words must match exactly.
bool sameWord(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    const std::size_t shorter = std::min(a.size(), b.size());
    return shorter >= 4 && editDistance(a, b) <= shorter / 4;
}

struct TimedWord {
    std::string word;
    double time = 0;

    TimedWord(std::string word, double time) : word(std::move(word)), time(time) {}
};

// The segments' words with the moment each was spoken, spread evenly over its segment: the
// transcript keeps no word times, and an even spread is off by less than the tolerance for the
// sentence-long segments the recognizer makes.
std::vector<TimedWord> timedWords(const std::vector<TranscriptSegment>& segments, double from,
                                  double to) {
    std::vector<TimedWord> timed;
    for (const auto& segment : segments) {
        if (segment.end < from || segment.start > to) {
            continue;
        }
        auto words = EchoDetector::words(segment.text);
        const double length = std::max(segment.end - segment.start, 0.0);
        for (std::size_t i = 0; i < words.size(); ++i) {
            const double time = segment.start + length * (double(i) + 0.5) / double(words.size());
            if (time >= from && time <= to) {
                timed.emplace_back(std::move(words[i]), time);
            }
        }
    }
    return timed;
}

// The longest common subsequence of the two word lists, by sameWord.
std::size_t commonWords(const std::vector<std::string>& mine,
                        const std::vector<TimedWord>& theirs) {
    std::vector<std::size_t> row(theirs.size() + 1, 0);
    for (const auto& word : mine) {
        std::size_t diagonal = 0;
        for (std::size_t j = 1; j <= theirs.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                sameWord(word, theirs[j - 1].word) ? diagonal + 1 : std::max(row[j], row[j - 1]);
            diagonal = above;
        }
    }
    return row[theirs.size()];
}

} // namespace

std::vector<std::string> EchoDetector::words(std::string_view text) {
    std::vector<std::string> result;
    std::string current;
    auto finishWord = [&] {
        // An apostrophe inside a word ("don't") belongs to it; one that closes a quotation not.
        while (!current.empty() && current.back() == '\'') {
            current.pop_back();
        }
        if (!current.empty()) {
            result.push_back(std::move(current));
            current.clear();
        }
    };
    unicode::forEachScalar(text, [&](char32_t scalar, std::string_view) {
        if (u_isalnum(UChar32(scalar))) {
            appendUtf8(current, char32_t(u_tolower(UChar32(scalar))));
        } else if (!current.empty() && (scalar == '\'' || scalar == 0x2019)) {
            current += '\'';
        } else {
            finishWord();
        }
    });
    finishWord();
    return result;
}

double EchoDetector::similarity(const TranscriptSegment& mine,
                                const std::vector<TranscriptSegment>& others) const {
    const auto own = words(mine.text);
    if (own.empty()) {
        return 0;
    }
    const double tolerance = m_parameters.timingTolerance;
    const auto theirs = timedWords(others, mine.start - tolerance, mine.end + tolerance);
    return double(commonWords(own, theirs)) / double(own.size());
}

bool EchoDetector::isEcho(const TranscriptSegment& mine,
                          const std::vector<TranscriptSegment>& others) const {
    return similarity(mine, others) >= m_parameters.minimumSimilarity;
}

std::vector<TranscriptSegment>
EchoDetector::withoutEchoes(std::vector<TranscriptSegment> mine,
                            const std::vector<TranscriptSegment>& others) const {
    std::erase_if(mine, [&](const TranscriptSegment& segment) { return isEcho(segment, others); });
    return mine;
}

} // namespace bw

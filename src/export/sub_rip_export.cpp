#include "export/sub_rip_export.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "base/unicode_text.h"
#include "export/formatting.h"

namespace bw::SubRipExport {

std::string timestamp(double seconds) {
    const std::int64_t ms = Formatting::milliseconds(seconds);
    char text[80];
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64 ",%03" PRId64,
                  ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return text;
}

std::vector<std::string> wrap(std::string_view line) {
    std::vector<std::string> result;
    std::string current;
    std::size_t currentLength = 0;
    bool currentIsSimple = true; // one scalar per character: see isClusterPerScalar
    std::size_t begin = 0;
    while (begin <= line.size()) {
        std::size_t end = line.find(' ', begin);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        const std::string_view word = line.substr(begin, end - begin);
        begin = end + 1;
        if (word.empty()) {
            continue;
        }
        const bool wordIsSimple = unicode::isClusterPerScalar(word);
        const std::size_t wordLength =
            wordIsSimple ? unicode::scalarCount(word) : unicode::graphemeCount(word);
        if (!current.empty() && currentLength + 1 + wordLength <= maximumLineLength) {
            current += ' ';
            current += word;
            // A word starting with a combining mark joins the space before it, so a joined
            // line that is not simple is counted afresh.
            currentIsSimple = currentIsSimple && wordIsSimple;
            currentLength =
                currentIsSimple ? currentLength + 1 + wordLength : unicode::graphemeCount(current);
            continue;
        }
        if (!current.empty()) {
            result.push_back(std::move(current));
        }
        current = word;
        currentLength = wordLength;
        currentIsSimple = wordIsSimple;
    }
    if (!current.empty()) {
        result.push_back(std::move(current));
    }
    return result;
}

std::vector<Cue> cues(const CleanSegment& segment) {
    std::vector<std::string> wrapped;
    for (const std::string& line : segment.lines) {
        std::vector<std::string> pieces = wrap(line);
        std::move(pieces.begin(), pieces.end(), std::back_inserter(wrapped));
    }

    std::vector<Cue> result;
    std::vector<std::size_t> weights;
    std::size_t total = 0;
    for (std::size_t i = 0; i < wrapped.size(); i += 2) {
        Cue cue;
        std::size_t weight = 0;
        for (std::size_t k = i; k < std::min(i + 2, wrapped.size()); ++k) {
            weight += unicode::graphemeCount(wrapped[k]);
            cue.lines.push_back(std::move(wrapped[k]));
        }
        weight = std::max<std::size_t>(weight, 1);
        weights.push_back(weight);
        total += weight;
        result.push_back(std::move(cue));
    }

    const double a = segment.start;
    const double b = segment.end;
    const double w = double(total);
    std::size_t before = 0;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const std::size_t after = before + weights[i];
        result[i].start = a + ((b - a) * double(before)) / w;
        result[i].end = a + ((b - a) * double(after)) / w;
        before = after;
    }
    return result;
}

std::string render(const ExportTranscript& transcript, DoubtfulText doubtful) {
    std::string out;
    std::size_t number = 0;
    for (const CleanSegment& segment : CleanSegment::from(transcript.segments, doubtful)) {
        for (const Cue& cue : cues(segment)) {
            if (number > 0) {
                out += "\r\n"; // the empty line between blocks
            }
            out += std::to_string(++number) + "\r\n";
            out += timestamp(cue.start) + " --> " + timestamp(cue.end) + "\r\n";
            // Players show each cue alone, so every cue of a segment names its speaker.
            const std::string speaker = segment.speaker.empty() ? "" : segment.speaker + ": ";
            for (std::size_t i = 0; i < cue.lines.size(); ++i) {
                out += (i == 0 ? speaker : "") + cue.lines[i] + "\r\n";
            }
        }
    }
    return out;
}

} // namespace bw::SubRipExport

#include "transcription/reply_reviser.h"

#include "platform/caf_writer.h"
#include "transcription/audio_stream_reader.h"
#include "transcription/sample_index.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace bw {

namespace {

constexpr int sampleRate = AudioStreamReader::sampleRate;
// A segment of the pieces' transcript may begin this much before its reply's stretch; one that
// begins earlier and runs this far into it crossed from the other side's speech.
constexpr double earlyStart = 0.1;
constexpr double crossing = 0.25;

// Stretches of one track, read forward: each asked for starts no earlier than the one before.
class TrackSpans {
public:
    TrackSpans(const std::filesystem::path& file, std::stop_token stop) : m_reader(file, stop) {}

    // Samples `first` to `last` (exclusive), silence past the end of the track.
    std::vector<float> span(std::int64_t first, std::int64_t last) {
        if (first > m_bufferStart) {
            const auto dropped = std::min<std::int64_t>(first - m_bufferStart, held());
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + dropped);
            m_bufferStart += dropped;
        }
        while (!m_ended && m_bufferStart + held() < last) {
            auto block = m_reader.read(static_cast<std::size_t>(
                std::min<std::int64_t>(last - m_bufferStart - held(), 1 << 16)));
            m_ended = block.empty();
            // What comes before the stretch is only counted (the buffer is empty then).
            const auto skipped = std::clamp<std::int64_t>(first - m_bufferStart - held(), 0,
                                                          static_cast<std::int64_t>(block.size()));
            m_bufferStart += skipped;
            m_buffer.insert(m_buffer.end(), block.begin() + skipped, block.end());
        }
        std::vector<float> result(
            static_cast<std::size_t>(std::max<std::int64_t>(0, last - first)));
        for (std::int64_t i = std::max(first, m_bufferStart);
             i < std::min(last, m_bufferStart + held()); ++i) {
            result[static_cast<std::size_t>(i - first)] =
                m_buffer[static_cast<std::size_t>(i - m_bufferStart)];
        }
        return result;
    }

private:
    std::int64_t held() const { return static_cast<std::int64_t>(m_buffer.size()); }

    AudioStreamReader m_reader;
    std::vector<float> m_buffer;
    std::int64_t m_bufferStart = 0; // the track's sample the buffer begins with
    bool m_ended = false;
};

void append(CafWriter& writer, const std::vector<float>& samples) {
    std::vector<std::int16_t> converted(samples.size());
    std::transform(samples.begin(), samples.end(), converted.begin(), [](float sample) {
        return static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767));
    });
    writer.write(converted.data(), converted.size());
}

} // namespace

std::vector<ReplyReviser::Piece> ReplyReviser::plan(const std::vector<TranscriptSegment>& mine,
                                                    const std::vector<TranscriptSegment>& theirs) {
    std::vector<Piece> pieces;
    double placed = 0;
    for (std::size_t i = 0; i < mine.size(); ++i) {
        const auto& reply = mine[i];
        if (reply.end - reply.start > maximumReply) {
            continue;
        }
        // The other side's speech that began last before the reply.
        auto after = std::lower_bound(
            theirs.begin(), theirs.end(), reply.start,
            [](const TranscriptSegment& segment, double time) { return segment.start < time; });
        if (after == theirs.begin()) {
            continue;
        }
        const auto& before = *std::prev(after);
        const double ownBefore = i > 0 ? mine[i - 1].end : -std::numeric_limits<double>::infinity();
        if (before.end < reply.start - maximumGap || ownBefore > before.end) {
            continue; // it answers nothing of theirs, or follows its speaker's own words
        }
        const double cut = std::max({0.0, reply.start - margin, std::min(ownBefore, reply.start)});
        const double start = std::max({0.0, before.start - margin, cut - context});
        double end = reply.end + margin;
        if (i + 1 < mine.size()) {
            end = std::max(reply.end, std::min(end, mine[i + 1].start));
        }
        if (start >= cut) {
            continue;
        }
        pieces.emplace_back(i, start, cut, end, placed);
        placed += end - start + separation;
    }
    return pieces;
}

std::vector<TranscriptSegment> ReplyReviser::revised(std::vector<TranscriptSegment> mine,
                                                     const std::vector<Piece>& pieces,
                                                     const std::vector<TranscriptSegment>& heard) {
    // From the last piece back, so that the indices of those before still hold.
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        const double replyStart = piece->placed + (piece->cut - piece->start);
        const double replyEnd = piece->placed + (piece->end - piece->start);
        const double shift = piece->start - piece->placed;
        std::vector<TranscriptSegment> found;
        bool crossed = false;
        for (const auto& segment : heard) {
            if (segment.end <= piece->placed || segment.start >= replyEnd) {
                continue;
            }
            if (segment.start < replyStart - earlyStart) {
                crossed = crossed || segment.end > replyStart + crossing;
                continue;
            }
            TranscriptSegment moved = segment;
            moved.start = std::clamp(segment.start + shift, piece->cut, piece->end);
            moved.end = std::clamp(segment.end + shift, moved.start, piece->end);
            moved.speaker = mine[piece->segment].speaker;
            found.push_back(std::move(moved));
        }
        if (crossed || found.empty()) {
            continue;
        }
        const auto at = mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(piece->segment));
        mine.insert(at, found.begin(), found.end());
    }
    return mine;
}

std::vector<TranscriptSegment> ReplyReviser::revise(const std::vector<TranscriptSegment>& mine,
                                                    const std::filesystem::path& mineFile,
                                                    const std::vector<TranscriptSegment>& theirs,
                                                    const std::filesystem::path& theirsFile,
                                                    const TranscriptionOptions& options,
                                                    const std::filesystem::path& folder,
                                                    std::stop_token stop) const {
    const auto pieces = plan(mine, theirs);
    if (pieces.empty()) {
        return mine;
    }
    const auto file = folder / "replies.caf";
    {
        TrackSpans own(mineFile, stop);
        TrackSpans other(theirsFile, stop);
        CafWriter writer(file, sampleRate, 1);
        const std::vector<float> silence(static_cast<std::size_t>(separation * sampleRate));
        for (const auto& piece : pieces) {
            const auto start = roundedIndex(piece.start * sampleRate);
            const auto cut = roundedIndex(piece.cut * sampleRate);
            append(writer, other.span(start, cut));
            append(writer, own.span(cut, roundedIndex(piece.end * sampleRate)));
            append(writer, silence);
        }
        writer.close();
    }
    TranscriptionOptions passOptions = options;
    passOptions.resumeFrom.reset();
    const auto heard = m_engine.transcribe(file, passOptions, {}, stop);
    return revised(mine, pieces, heard.segments);
}

} // namespace bw

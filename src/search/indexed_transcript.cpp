#include "search/indexed_transcript.h"

#include "base/json_reading.h"
#include "platform/file_reading.h"
#include "transcripts/transcript_store.h"

#include <system_error>

namespace bw {

std::vector<IndexedSegment> readIndexedTranscript(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::status(file, error).type() == std::filesystem::file_type::not_found) {
        return {};
    }
    const nlohmann::json root = json::parse(readFile(file));
    TranscriptDocument document = TranscriptStore::decode(root);
    // The document has no speakers (yet); a segment's optional "speaker" is read beside it.
    const nlohmann::json& stored = root["transcript"]["segments"];
    std::vector<IndexedSegment> segments;
    segments.reserve(document.segments.size());
    for (std::size_t i = 0; i < document.segments.size(); ++i) {
        auto& segment = document.segments[i];
        std::string speaker;
        if (const auto found = stored[i].find("speaker");
            found != stored[i].end() && found->is_string()) {
            speaker = found->get<std::string>();
        }
        segments.push_back(
            {std::int64_t(i), segment.start, std::move(segment.text), std::move(speaker)});
    }
    return segments;
}

} // namespace bw

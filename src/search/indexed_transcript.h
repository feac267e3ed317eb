// What the search index reads of a recording's transcript file: each segment's position, start
// time, current (edited) text and speaker, where the file names one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bw {

struct IndexedSegment {
    std::int64_t position = 0;
    double start = 0;
    std::string text;
    std::string speaker; // empty when the segment has none
};

// The segments of the transcript file; none when there is no file. Throws as
// TranscriptStore::load does for a file that cannot be read or understood.
std::vector<IndexedSegment> readIndexedTranscript(const std::filesystem::path& file);

} // namespace bw

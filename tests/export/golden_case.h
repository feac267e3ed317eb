// Golden cases of the text exports: tests/data/<case>/input.json describes a transcript and the
// options; expected.txt and expected.srt hold the exact bytes the exports must give.
#pragma once

#include <filesystem>
#include <string>

#include "export/export_options.h"
#include "export/export_transcript.h"

namespace bw::test {

struct GoldenCase {
    std::filesystem::path folder;
    ExportTranscript transcript;
    ExportOptions options;

    static GoldenCase load(const std::string& name);

    // The expected file's bytes. With BW_UPDATE_GOLDEN set, `actual` is written there first,
    // for reviewing a deliberate change by its diff.
    std::string expected(const std::string& fileName, const std::string& actual) const;
};

} // namespace bw::test

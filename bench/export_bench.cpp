// Times the three export formats on a three-hour transcript of 2,000 segments, Slovak text with
// diacritics so that the grapheme counting of the subtitle wrapper is exercised.
// Usage: export_bench [iterations]. Prints the median and fastest time per format.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/transcript_exporter.h"

namespace {

bw::ExportTranscript threeHourTranscript() {
    const char* words[] = {"a",      "teda",    "prípad", "hovoríme", "že",    "výsledky",
                           "štvrtý", "kvartál", "čísla",  "lepšie",   "ďalej", "rozpočet",
                           "tím",    "návrh",   "úloha",  "projekt",  "dobre", "áno"};
    bw::ExportTranscript transcript;
    transcript.title = "Porada: plán na tretí štvrťrok";
    transcript.date = std::chrono::system_clock::time_point(std::chrono::seconds(1741939500));
    transcript.language = bw::ExportLanguage::slovak();
    const int count = 2000;
    const double span = 3 * 3600.0 / count;
    unsigned seed = 12345;
    for (int i = 0; i < count; ++i) {
        std::string text;
        const int length = 12 + int(seed % 18);
        for (int w = 0; w < length; ++w) {
            seed = seed * 1103515245 + 12345;
            text += (w ? " " : "");
            text += words[(seed >> 16) % (sizeof words / sizeof *words)];
        }
        text += ".";
        transcript.segments.push_back({i * span, i * span + span * 0.9, text});
    }
    return transcript;
}

} // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const auto transcript = threeHourTranscript();
    const bw::TranscriptExporter exporter({bw::TimeZone::utc(), bw::ExportLabels::english()});
    std::printf("%zu segments, %d iterations\n", transcript.segments.size(), iterations);
    for (bw::ExportFormat format : bw::allExportFormats) {
        std::vector<double> times;
        std::size_t size = 0;
        for (int i = 0; i < iterations; ++i) {
            const auto start = std::chrono::steady_clock::now();
            size = exporter.data(transcript, format).size();
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        std::sort(times.begin(), times.end());
        std::printf("%-4s median %7.2f ms  fastest %7.2f ms  %zu bytes\n",
                    std::string(bw::rawValue(format)).c_str(), times[times.size() / 2], times[0],
                    size);
    }
    return 0;
}

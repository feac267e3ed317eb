// Times the three export formats on a three-hour transcript of 2,000 segments, Slovak text with
// diacritics so that the grapheme counting of the subtitle wrapper is exercised.
// Usage: export_bench [iterations]. Prints per format the median and fastest wall-clock time
// and the median processor time of the thread, which a busy machine disturbs less.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "export/transcript_exporter.h"

namespace {

double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bw::ExportTranscript threeHourTranscript() {
    const char* words[] = {"a",      "teda",    "prípad", "hovoríme", "že",    "výsledky",
                           "štvrtý", "kvartál", "čísla",  "lepšie",   "ďalej", "rozpočet",
                           "tím",    "návrh",   "úloha",  "projekt",  "dobre", "áno"};
    bw::ExportTranscript transcript;
    transcript.title = "Porada: plán na tretí štvrťrok";
    transcript.date = std::chrono::sys_seconds(std::chrono::seconds(1741939500));
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
        std::vector<double> times, processor;
        std::size_t size = 0;
        for (int i = 0; i < iterations; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = threadMilliseconds();
            size = exporter.data(transcript, format).size();
            processor.push_back(threadMilliseconds() - cpuStart);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        std::printf("%-4s median %7.2f ms  fastest %7.2f ms  median cpu %7.2f ms  %zu bytes\n",
                    std::string(bw::rawValue(format)).c_str(), median(times),
                    *std::min_element(times.begin(), times.end()), median(processor), size);
    }
    return 0;
}

// Transcribes one file with the whisper.cpp recognizer and the Silero detector through the
// chunked transcriber, timing each phase, and prints one line of figures:
//   bw_transcribe_bench AUDIO MODEL VAD_MODEL [--detect-only] [--no-one-pass]
// --detect-only loads the Whisper model but answers every recognition with no text, so that
// long recordings measure decoding, detection and memory without hours of decoding;
// --no-one-pass leaves out the comparison pass of the detector over the file.
// Times are wall-clock; detection is also given in processor seconds, which a loaded machine
// inflates less.
#include "transcription/audio_stream_reader.h"
#include "transcription/chunked_transcriber.h"
#include "whisper/silero_voice_activity_detector.h"
#include "whisper/whisper_cpp_recognizer.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class TimedDetector : public bw::VoiceActivityDetector {
public:
    explicit TimedDetector(std::unique_ptr<bw::VoiceActivityDetector> inner)
        : m_inner(std::move(inner)) {}
    bw::SpeechAnalysis analyze(std::span<const float> samples) override {
        auto start = Clock::now();
        double processorStart = processorSeconds();
        auto analysis = m_inner->analyze(samples);
        seconds += secondsSince(start);
        processor += processorSeconds() - processorStart;
        analysedSamples += samples.size();
        ++calls;
        return analysis;
    }
    double seconds = 0;
    double processor = 0; // the whole process's, which only detects while this runs
    std::size_t analysedSamples = 0;
    int calls = 0;

private:
    std::unique_ptr<bw::VoiceActivityDetector> m_inner;
};

class TimedRecognizer : public bw::SpeechRecognizer {
public:
    TimedRecognizer(std::unique_ptr<bw::SpeechRecognizer> inner, bool skip)
        : m_inner(std::move(inner)), m_skip(skip) {}
    std::string engineName() const override { return m_inner->engineName(); }
    std::string modelName() const override { return m_inner->modelName(); }
    void prepare(std::stop_token stop) override { m_inner->prepare(stop); }
    std::vector<bw::RecognizedSegment> recognize(std::span<const float> samples,
                                                 const bw::RecognitionRequest& request,
                                                 const bw::FractionHandler& progress,
                                                 std::stop_token stop,
                                                 const bw::SegmentHandler& onSegment) override {
        auto start = Clock::now();
        recognizedSamples += samples.size();
        auto segments = m_skip ? std::vector<bw::RecognizedSegment>()
                               : m_inner->recognize(samples, request, progress, stop, onSegment);
        seconds += secondsSince(start);
        return segments;
    }
    std::optional<double> maximumInputDuration() const override {
        return m_inner->maximumInputDuration();
    }
    std::optional<double> windowDuration() const override { return m_inner->windowDuration(); }
    double seconds = 0;
    std::size_t recognizedSamples = 0;

private:
    std::unique_ptr<bw::SpeechRecognizer> m_inner;
    bool m_skip;
};

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024; // kilobytes on Linux
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: bw_transcribe_bench AUDIO MODEL VAD_MODEL [--detect-only]\n";
        return 2;
    }
    bool detectOnly = false;
    bool onePassWanted = true;
    for (int i = 4; i < argc; ++i) {
        detectOnly = detectOnly || std::strcmp(argv[i], "--detect-only") == 0;
        onePassWanted = onePassWanted && std::strcmp(argv[i], "--no-one-pass") != 0;
    }
    try {
        auto detector = std::make_unique<TimedDetector>(
            std::make_unique<bw::SileroVoiceActivityDetector>(argv[3]));
        auto recognizer = std::make_unique<TimedRecognizer>(
            std::make_unique<bw::WhisperCppRecognizer>(argv[2], 4, true, true), detectOnly);
        auto* timedDetector = detector.get();
        auto* timedRecognizer = recognizer.get();
        bw::ChunkedTranscriber transcriber(std::move(recognizer), std::move(detector));

        auto start = Clock::now();
        transcriber.prepare();
        double loading = secondsSince(start);
        double loadedPeak = peakMiB(); // the program with both models loaded
        start = Clock::now();
        auto transcript = transcriber.transcribe(
            argv[1], bw::TranscriptionOptions::standard(bw::TranscriptionLanguage::english));
        double total = secondsSince(start);
        double peak = peakMiB();

        // One pass of the detector over the file, in disjoint blocks of the largest buffer.
        bw::SileroVoiceActivityDetector onePass(argv[3]);
        bw::AudioStreamReader reader(argv[1]);
        double onePassSeconds = 0;
        double decodeSeconds = 0;
        while (onePassWanted) {
            auto readStart = Clock::now();
            auto block = reader.read(240 * 16000);
            decodeSeconds += secondsSince(readStart);
            if (block.empty()) {
                break;
            }
            auto passStart = Clock::now();
            onePass.analyze(block);
            onePassSeconds += secondsSince(passStart);
        }

        double audio = transcript.audioDuration;
        double other = total - timedDetector->seconds - timedRecognizer->seconds;
        std::printf("%-14s %8.0f %7.1f %7.1f %8.1f %8.1f %8.1f %9.1f %8.1f %6.2f %9.1f %6.1f "
                    "%8.1f %9.1f\n",
                    std::filesystem::path(argv[1]).filename().c_str(), audio, loading, total, other,
                    timedDetector->seconds, timedDetector->processor, timedRecognizer->seconds,
                    audio / timedDetector->seconds,
                    static_cast<double>(timedDetector->analysedSamples) / 16000 / audio,
                    onePassSeconds, audio / onePassSeconds, peak, loadedPeak);
        std::fprintf(stderr,
                     "  detector calls %d, speech recognised %.0f s, one decoding pass %.1f s, "
                     "segments %zu\n",
                     timedDetector->calls,
                     static_cast<double>(timedRecognizer->recognizedSamples) / 16000, decodeSeconds,
                     transcript.segments.size());
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}

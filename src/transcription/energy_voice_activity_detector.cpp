#include "transcription/energy_voice_activity_detector.h"

#include "transcription/audio_stream_reader.h"
#include "transcription/sample_index.h"
#include "transcription/speech_regions.h"

#include <algorithm>
#include <cmath>

namespace bw {

EnergyVoiceActivityDetector::EnergyVoiceActivityDetector(float thresholdDecibels,
                                                         double frameDuration, double minimumSpeech,
                                                         double minimumSilence, double padding)
    : m_thresholdDecibels(thresholdDecibels), m_frameDuration(frameDuration),
      m_minimumSpeech(minimumSpeech), m_minimumSilence(minimumSilence), m_padding(padding) {}

std::vector<SpeechRegion>
EnergyVoiceActivityDetector::regions(std::span<const float> samples) const {
    constexpr double rate = AudioStreamReader::sampleRate;
    auto frameLength =
        static_cast<std::size_t>(std::max<std::int64_t>(1, truncatedIndex(m_frameDuration * rate)));
    float threshold = std::pow(10.0f, m_thresholdDecibels / 20.0f);

    std::vector<SpeechRegion> found;
    bool open = false;
    std::size_t openedAt = 0;
    for (std::size_t first = 0; first < samples.size(); first += frameLength) {
        std::size_t count = std::min(frameLength, samples.size() - first);
        float sum = 0;
        for (float sample : samples.subspan(first, count)) {
            sum += sample * sample;
        }
        bool speech = threshold <= std::sqrt(sum / static_cast<float>(count));
        if (speech && !open) {
            open = true;
            openedAt = first;
        } else if (!speech && open) {
            open = false;
            found.push_back({openedAt / rate, first / rate});
        }
    }
    if (open) {
        found.push_back({openedAt / rate, samples.size() / rate});
    }

    // Joining first lets a short burst close to other speech survive as part of it.
    auto merged = SpeechRegions::merge(std::move(found), m_minimumSilence);
    std::erase_if(merged,
                  [&](const SpeechRegion& r) { return !(r.duration() >= m_minimumSpeech); });
    return SpeechRegions::pad(merged, m_padding, samples.size() / rate);
}

SpeechAnalysis EnergyVoiceActivityDetector::analyze(std::span<const float> samples) {
    return {regions(samples), {}, 0};
}

} // namespace bw

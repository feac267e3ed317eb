// A voice activity detector that needs no model: frames whose loudness reaches a threshold
// count as speech. Useful where no trained detector is available, and in tests.
#pragma once

#include "transcription/voice_activity_detector.h"

namespace bw {

class EnergyVoiceActivityDetector : public VoiceActivityDetector {
public:
    // thresholdDecibels: loudness relative to full scale (0 dB = amplitude 1) from which a frame
    // counts as speech; frameDuration: seconds per analysis frame; minimumSpeech: shorter
    // regions are dropped; minimumSilence: regions closer than this are joined; padding: added
    // before and after every region. All durations in seconds.
    EnergyVoiceActivityDetector(float thresholdDecibels, double frameDuration, double minimumSpeech,
                                double minimumSilence, double padding);

    // The speech regions of 16 kHz samples, in seconds from the first sample. A frame duration
    // that gives no finite frame length stops the process.
    std::vector<SpeechRegion> regions(std::span<const float> samples) const;

    // The regions, without frame probabilities (frame duration 0). Never throws.
    SpeechAnalysis analyze(std::span<const float> samples) override;

private:
    float m_thresholdDecibels;
    double m_frameDuration;
    double m_minimumSpeech;
    double m_minimumSilence;
    double m_padding;
};

} // namespace bw

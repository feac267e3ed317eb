// Audio files made at run time with ffmpeg in a temporary folder that disappears with the
// fixture, and small measurements of decoded 16 kHz signals.
#pragma once

#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace bw::test {

class GeneratedAudio {
public:
    std::filesystem::path path(const std::string& name) const { return m_folder / name; }

    // `channels` holds one ffmpeg aevalsrc expression per channel, e.g. {"0", tone(440)}.
    // The container and codec follow the extension.
    std::filesystem::path make(const std::string& name, int sampleRate,
                               const std::vector<std::string>& channels, double seconds,
                               const std::string& extraArguments = "") const {
        std::string expressions;
        for (const auto& channel : channels) {
            expressions += (expressions.empty() ? "" : "|") + channel;
        }
        const auto target = path(name);
        const std::string command = "ffmpeg -v error -y -f lavfi -i 'aevalsrc=" + expressions +
                                    ":s=" + std::to_string(sampleRate) +
                                    ":d=" + std::to_string(seconds) + "' " + extraArguments + " '" +
                                    target.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return target;
    }

    std::filesystem::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }

    // A copy of `source` cut to its first `bytes` bytes.
    std::filesystem::path truncated(const std::filesystem::path& source, const std::string& name,
                                    std::uintmax_t bytes) const {
        std::filesystem::copy_file(source, path(name));
        std::filesystem::resize_file(path(name), bytes);
        return path(name);
    }

private:
    TemporaryFolder m_folder;
};

inline std::string tone(int hertz, double amplitude = 0.5) {
    return std::to_string(amplitude) + "*sin(2*PI*" + std::to_string(hertz) + "*t)";
}

// The amplitude of the `hertz` component of the samples (Goertzel); a pure tone of amplitude a
// measures about a.
inline double toneAmplitude(const float* samples, std::size_t count, double hertz,
                            double sampleRate = 16000) {
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hertz / sampleRate);
    double previous = 0;
    double beforePrevious = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double current = samples[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(count);
}

inline double toneAmplitude(const std::vector<float>& samples, double hertz) {
    // The middle half, away from encoder ramps at the ends.
    const std::size_t skip = samples.size() / 4;
    return toneAmplitude(samples.data() + skip, samples.size() / 2, hertz);
}

} // namespace bw::test

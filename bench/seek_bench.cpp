// Seeks an audio file to many places spread over its length, the way the player does when the
// user drags the position slider, reading one block after each seek, and prints one line: the
// file, its duration, the number of seeks, the mean and the slowest seek in milliseconds.
#include "platform/audio_file_decoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s AUDIO_FILE\n", argv[0]);
        return 2;
    }
    constexpr int seeks = 200;
    try {
        bw::AudioFileDecoder decoder(argv[1]);
        bw::PcmBuffer block(decoder.channelCount(), 4096);
        std::mt19937_64 random(7);
        std::uniform_int_distribution<std::int64_t> place(0, decoder.lengthInFrames());
        double total = 0;
        double slowest = 0;
        for (int i = 0; i < seeks; ++i) {
            const auto started = std::chrono::steady_clock::now();
            decoder.seek(place(random));
            decoder.read(block, block.frameCapacity());
            const double ms = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - started)
                                  .count();
            total += ms;
            slowest = std::max(slowest, ms);
        }
        std::printf("%-10s %10.1f %8d %10.2f %10.2f\n",
                    std::filesystem::path(argv[1]).filename().c_str(),
                    static_cast<double>(decoder.lengthInFrames()) / decoder.sampleRate(), seeks,
                    total / seeks, slowest);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

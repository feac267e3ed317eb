// Decodes one audio file to 16 kHz mono through AudioStreamReader, the way the transcriber
// does, and prints one line: the file, its duration, wall and CPU seconds, the speed as a
// multiple of real time (audio seconds per CPU second) and the process's peak resident memory.
#include "transcription/audio_stream_reader.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>

namespace {

double cpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s AUDIO_FILE\n", argv[0]);
        return 2;
    }
    // The transcriber's buffer: 120-second chunks with room to find a pause after them.
    constexpr std::size_t blockSize = 16000 * 150;
    try {
        const auto started = std::chrono::steady_clock::now();
        bw::AudioStreamReader reader(argv[1]);
        std::size_t samples = 0;
        for (auto block = reader.read(blockSize); !block.empty(); block = reader.read(blockSize)) {
            samples += block.size();
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const double cpu = cpuSeconds(usage);
        const double audio = static_cast<double>(samples) / bw::AudioStreamReader::sampleRate;
        std::printf("%-10s %10.1f %10.2f %10.2f %12.0f %12.1f\n",
                    std::filesystem::path(argv[1]).filename().c_str(), audio, wall, cpu,
                    audio / cpu, usage.ru_maxrss / 1024.0);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

#include "support/test_files.h"

#include "platform/file_reading.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

namespace bw::test {

namespace {

std::string shellQuoted(const std::filesystem::path& path) {
    std::string text = "'";
    for (char c : path.string()) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

std::vector<float> readFloats(const std::filesystem::path& file) {
    std::string bytes = bw::readFile(file);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

} // namespace

std::filesystem::path sharedFile(const std::string& relativePath) {
    std::vector<std::filesystem::path> candidates;
    const char* modelsDir = std::getenv("BW_MODELS_DIR");
    if (modelsDir != nullptr && relativePath.starts_with("models/")) {
        candidates.push_back(std::filesystem::path(modelsDir) / relativePath.substr(7));
    }
    std::filesystem::path source = BW_SOURCE_DIR;
    // The shared folder sits beside the checkout, or beside the folder of worktrees.
    candidates.push_back(source.parent_path() / "shared" / relativePath);
    candidates.push_back(source.parent_path().parent_path() / "shared" / relativePath);
    for (const auto& candidate : candidates) {
        if (std::filesystem::is_regular_file(candidate)) {
            return candidate;
        }
    }
    return {};
}

EngineFiles engineFiles() {
    return {sharedFile("models/for-tests-ggml-tiny.bin"),
            sharedFile("models/ggml-silero-v6.2.0.bin"), sharedFile("audio/jfk.wav")};
}

std::filesystem::path bundledWhisperModel() {
    std::filesystem::path build = BW_BINARY_DIR;
    std::ifstream choice(build / "whisper-model-file");
    std::string name;
    if (!std::getline(choice, name) || name.empty()) {
        return {};
    }
    auto model = build / "share" / "brindlewick" / "Models" / name;
    return std::filesystem::is_regular_file(model) ? model : std::filesystem::path();
}

void runShell(const std::string& command) {
    int status = std::system(command.c_str());
    ASSERT_EQ(status, 0) << command;
}

std::vector<float> samplesOf(const std::filesystem::path& audioFile) {
    TemporaryFolder folder;
    auto raw = folder / "samples.f32";
    runShell("sox " + shellQuoted(audioFile) + " -t f32 -r 16000 -c 1 " + shellQuoted(raw) +
             " 2>/dev/null");
    return readFloats(raw);
}

std::vector<float> spokenSamples(const std::string& text) {
    TemporaryFolder folder;
    auto spoken = folder / "spoken.wav";
    auto raw = folder / "spoken.f32";
    runShell("espeak-ng -w " + shellQuoted(spoken) + " " + shellQuoted(text) + " 2>/dev/null");
    // Cut the silence espeak-ng leaves at both ends, so the speech starts at the first sample.
    runShell("sox " + shellQuoted(spoken) + " -t f32 -r 16000 -c 1 " + shellQuoted(raw) +
             " silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse 2>/dev/null");
    return readFloats(raw);
}

void writeWav(const std::filesystem::path& file, const std::vector<float>& samples) {
    std::ofstream out(file, std::ios::binary);
    auto put32 = [&out](std::uint32_t value) { out.write(reinterpret_cast<char*>(&value), 4); };
    auto put16 = [&out](std::uint16_t value) { out.write(reinterpret_cast<char*>(&value), 2); };
    auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(36 + dataSize);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(1);
    put32(16000);
    put32(32000);
    put16(2);
    put16(16);
    out.write("data", 4);
    put32(dataSize);
    for (float sample : samples) {
        float clamped = std::fmax(-1.0f, std::fmin(1.0f, sample));
        put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clamped * 32767))));
    }
}

} // namespace bw::test

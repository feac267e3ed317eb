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

} // namespace bw::test

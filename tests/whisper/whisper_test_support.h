// Shared helpers of the whisper module's tests: model files, audio made at run time, and
// temporary folders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace bw::test {

// The shared test file (e.g. "models/for-tests-ggml-tiny.bin" or "audio/jfk.wav") from
// BW_MODELS_DIR (models only) or the shared folder beside the source tree; empty when absent.
std::filesystem::path sharedFile(const std::string& relativePath);

// A fresh folder, removed with everything in it when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Runs a shell command; fails the test (with the command) when it does not exit with 0.
void runShell(const std::string& command);

// The audio file's samples as 16 kHz mono floats (converted with sox).
std::vector<float> samplesOf(const std::filesystem::path& audioFile);

// Speech of `text` spoken by espeak-ng as 16 kHz mono samples, with the synthesiser's own
// leading and trailing silence cut off.
std::vector<float> spokenSamples(const std::string& text);

// Writes 16 kHz mono 16-bit samples as a WAV file.
void writeWav(const std::filesystem::path& file, const std::vector<float>& samples);

} // namespace bw::test

// Declares `variable` as the path of a shared test file; skips the test when it is missing, or
// fails it in CI (environment variable CI set), where every shared file must be present.
#define BW_REQUIRE_SHARED_FILE(variable, relativePath)                                             \
    const std::filesystem::path variable = ::bw::test::sharedFile(relativePath);                   \
    if (variable.empty()) {                                                                        \
        if (std::getenv("CI") != nullptr) {                                                        \
            FAIL() << "missing test file " << (relativePath);                                      \
        }                                                                                          \
        GTEST_SKIP() << "missing test file " << (relativePath);                                    \
    }

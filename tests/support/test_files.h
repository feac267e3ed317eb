// Helpers shared by the tests of the engine and the command line: model files, speech made at
// run time, temporary folders and WAV files.
#pragma once

#include "support/temporary_folder.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace bw::test {

// The shared test file (e.g. "models/for-tests-ggml-tiny.bin" or "audio/jfk.wav") from
// BW_MODELS_DIR (models only) or the shared folder beside the source tree; empty when absent.
std::filesystem::path sharedFile(const std::string& relativePath);

// The files an engine runs on: the weightless tiny Whisper model, the Silero model and the
// 11-second JFK recording; a path is empty when its file is missing.
struct EngineFiles {
    std::filesystem::path model;
    std::filesystem::path vad;
    std::filesystem::path audio;
};
EngineFiles engineFiles();

// The real Whisper model that setup put into this build's resources (which recognizes speech,
// unlike the weightless test model); empty when the build has none.
std::filesystem::path bundledWhisperModel();

// Runs a shell command; fails the test (with the command) when it does not exit with 0.
void runShell(const std::string& command);

// The audio file's samples as 16 kHz mono floats (converted with sox).
std::vector<float> samplesOf(const std::filesystem::path& audioFile);

// Speech of `text` spoken by espeak-ng as 16 kHz mono samples, with the synthesiser's own
// leading and trailing silence cut off.
std::vector<float> spokenSamples(const std::string& text);

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

// Declares `variable` as the path of bundledWhisperModel(); skips the test without one (fails
// it in CI, where setup always puts one into the build).
#define BW_REQUIRE_BUNDLED_MODEL(variable)                                                         \
    [[maybe_unused]] const std::filesystem::path variable = ::bw::test::bundledWhisperModel();     \
    if (variable.empty()) {                                                                        \
        if (std::getenv("CI") != nullptr) {                                                        \
            FAIL() << "setup put no real Whisper model into the build";                            \
        }                                                                                          \
        GTEST_SKIP() << "no real Whisper model in the build";                                      \
    }

// Declares `variable` as the EngineFiles; skips the test when one is missing (fails it in CI).
#define BW_REQUIRE_ENGINE_FILES(variable)                                                          \
    const ::bw::test::EngineFiles variable = ::bw::test::engineFiles();                            \
    if (variable.model.empty() || variable.vad.empty() || variable.audio.empty()) {                \
        if (std::getenv("CI") != nullptr) {                                                        \
            FAIL() << "missing model or audio files for the engine";                               \
        }                                                                                          \
        GTEST_SKIP() << "missing model or audio files for the engine";                             \
    }

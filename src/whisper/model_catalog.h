// What the program knows about each Whisper model beyond its file: the short name users type,
// its size, the SHA-1 whisper.cpp publishes for it, what it is good for, and whether it is fit
// for a language.
#pragma once

#include "transcription/transcription_language.h"
#include "whisper/whisper_cpp_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bw {

// Where whisper.cpp publishes its ggml model files; a file's address is this + "/" + its file
// name. BRINDLEWICK_MODEL_URL replaces it (for mirrors).
inline constexpr std::string_view modelRepositoryUrl =
    "https://huggingface.co/ggerganov/whisper.cpp/resolve/main";

// The repository address in use: BRINDLEWICK_MODEL_URL when set (without a trailing slash),
// otherwise modelRepositoryUrl.
std::string modelRepositoryUrlInUse();

// The file name without "ggml-" and ".bin", e.g. "large-v3-turbo-q5_0".
std::string modelName(WhisperCppModel model);

// The model with this short name or file name, or nothing.
std::optional<WhisperCppModel> modelNamed(std::string_view name);

// The file's size as whisper.cpp publishes it (rounded to the MiB, the larger files to a tenth
// of a GiB), for models not installed.
std::uint64_t publishedSize(WhisperCppModel model);

// The most a download of the file may bring: its published size with room for that rounding
// (5 % and 1 MiB more). A server that sends more sends something else.
std::uint64_t largestDownloadSize(WhisperCppModel model);

// The SHA-1 whisper.cpp publishes for the file (40 lower-case hexadecimal digits), or nothing
// for models it does not publish.
std::optional<std::string> publishedSha1(WhisperCppModel model);

// One line on what the model is good for.
std::string_view modelNote(WhisperCppModel model);

// The model recommended for every language the program offers.
inline constexpr WhisperCppModel recommendedModel = WhisperCppModel::largeV3TurboQ5;

// One line warning that the model is unfit for the language: tiny and base models for Slovak
// and Czech, English-only models for any other language. Nothing when it is fit.
std::optional<std::string> modelLanguageWarning(WhisperCppModel model,
                                                TranscriptionLanguage language);

// For tests only: makes `sha1` the published checksum of `model` in this process.
void overridePublishedSha1ForTesting(WhisperCppModel model, std::string sha1);
// For tests only: makes `bytes` the published size of `model` in this process.
void overridePublishedSizeForTesting(WhisperCppModel model, std::uint64_t bytes);

} // namespace bw

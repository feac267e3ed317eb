// The Whisper model files the engine knows, named by their whisper.cpp file names.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace bw {

enum class WhisperCppModel {
    largeV3TurboQ5,
    largeV3TurboQ8,
    largeV3Turbo,
    largeV3Q5,
    largeV3,
    kinitLargeV3TurboSk,
    kinitLargeV3TurboSkQ8,
    kinitLargeV3TurboSkQ5,
    // The standard whisper.cpp models, which can be shipped on this platform.
    tiny,
    tinyQ5,
    tinyQ8,
    tinyEn,
    tinyEnQ5,
    tinyEnQ8,
    base,
    baseQ5,
    baseQ8,
    baseEn,
    baseEnQ5,
    baseEnQ8,
    small,
    smallQ5,
    smallQ8,
    smallEn,
    smallEnQ5,
    smallEnQ8,
    medium,
    mediumQ5,
    mediumQ8,
    mediumEn,
    mediumEnQ5,
    mediumEnQ8,
};

// Every model in the order above.
std::span<const WhisperCppModel> allWhisperCppModels();

// The model's file name, e.g. "ggml-large-v3-q5_0.bin".
std::string_view fileName(WhisperCppModel model);

// False for models fine-tuned without timestamp tokens: they take one 30-second window a call.
bool predictsTimestamps(WhisperCppModel model);

// The model whose file name is exactly `name`, or nothing.
std::optional<WhisperCppModel> whisperCppModelFromFileName(std::string_view name);

} // namespace bw

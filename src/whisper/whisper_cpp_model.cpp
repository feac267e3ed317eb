#include "whisper/whisper_cpp_model.h"

#include <array>

namespace bw {

namespace {

struct Entry {
    WhisperCppModel model;
    std::string_view fileName;
    bool predictsTimestamps;
};

using M = WhisperCppModel;

constexpr std::array entries = {
    Entry{M::largeV3TurboQ5, "ggml-large-v3-turbo-q5_0.bin", true},
    Entry{M::largeV3TurboQ8, "ggml-large-v3-turbo-q8_0.bin", true},
    Entry{M::largeV3Turbo, "ggml-large-v3-turbo.bin", true},
    Entry{M::largeV3Q5, "ggml-large-v3-q5_0.bin", true},
    Entry{M::largeV3, "ggml-large-v3.bin", true},
    Entry{M::kinitLargeV3TurboSk, "ggml-kinit-large-v3-turbo-sk.bin", false},
    Entry{M::kinitLargeV3TurboSkQ8, "ggml-kinit-large-v3-turbo-sk-q8_0.bin", false},
    Entry{M::kinitLargeV3TurboSkQ5, "ggml-kinit-large-v3-turbo-sk-q5_0.bin", false},
    Entry{M::tiny, "ggml-tiny.bin", true},
    Entry{M::tinyQ5, "ggml-tiny-q5_1.bin", true},
    Entry{M::tinyQ8, "ggml-tiny-q8_0.bin", true},
    Entry{M::tinyEn, "ggml-tiny.en.bin", true},
    Entry{M::tinyEnQ5, "ggml-tiny.en-q5_1.bin", true},
    Entry{M::tinyEnQ8, "ggml-tiny.en-q8_0.bin", true},
    Entry{M::base, "ggml-base.bin", true},
    Entry{M::baseQ5, "ggml-base-q5_1.bin", true},
    Entry{M::baseQ8, "ggml-base-q8_0.bin", true},
    Entry{M::baseEn, "ggml-base.en.bin", true},
    Entry{M::baseEnQ5, "ggml-base.en-q5_1.bin", true},
    Entry{M::baseEnQ8, "ggml-base.en-q8_0.bin", true},
    Entry{M::small, "ggml-small.bin", true},
    Entry{M::smallQ5, "ggml-small-q5_1.bin", true},
    Entry{M::smallQ8, "ggml-small-q8_0.bin", true},
    Entry{M::smallEn, "ggml-small.en.bin", true},
    Entry{M::smallEnQ5, "ggml-small.en-q5_1.bin", true},
    Entry{M::smallEnQ8, "ggml-small.en-q8_0.bin", true},
    Entry{M::medium, "ggml-medium.bin", true},
    Entry{M::mediumQ5, "ggml-medium-q5_1.bin", true},
    Entry{M::mediumQ8, "ggml-medium-q8_0.bin", true},
    Entry{M::mediumEn, "ggml-medium.en.bin", true},
    Entry{M::mediumEnQ5, "ggml-medium.en-q5_1.bin", true},
    Entry{M::mediumEnQ8, "ggml-medium.en-q8_0.bin", true},
};

constexpr std::array<WhisperCppModel, entries.size()> models = [] {
    std::array<WhisperCppModel, entries.size()> result{};
    for (size_t i = 0; i < entries.size(); ++i) {
        result[i] = entries[i].model;
    }
    return result;
}();

const Entry& entry(WhisperCppModel model) {
    // The table lists the cases in declaration order, so the case is its own index.
    return entries[static_cast<size_t>(model)];
}

static_assert([] {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (static_cast<size_t>(entries[i].model) != i) {
            return false;
        }
    }
    return true;
}());

} // namespace

std::span<const WhisperCppModel> allWhisperCppModels() {
    return models;
}

std::string_view fileName(WhisperCppModel model) {
    return entry(model).fileName;
}

bool predictsTimestamps(WhisperCppModel model) {
    return entry(model).predictsTimestamps;
}

std::optional<WhisperCppModel> whisperCppModelFromFileName(std::string_view name) {
    for (const Entry& candidate : entries) {
        if (candidate.fileName == name) {
            return candidate.model;
        }
    }
    return std::nullopt;
}

} // namespace bw

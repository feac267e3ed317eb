#include "whisper/model_catalog.h"

#include <array>
#include <cstdlib>
#include <map>
#include <mutex>

namespace bw {

namespace {

using M = WhisperCppModel;

struct Facts {
    WhisperCppModel model;
    std::uint64_t mebibytes;
    std::string_view sha1; // empty: not published by whisper.cpp
    std::string_view note;
};

constexpr std::string_view englishOnly = "English only";

// Sizes and checksums as whisper.cpp publishes them with its model files. It publishes no
// "-q5_1" forms of medium (its quantised medium models are "-q5_0") and none of the KInIT
// fine-tunes, whose sizes follow the large-v3-turbo forms.
constexpr std::array facts = {
    Facts{M::largeV3TurboQ5, 547, "e050f7970618a659205450ad97eb95a18d69c9ee",
          "Slovak, Czech, German, English: the recommended model; fast on a 4-core CPU"},
    Facts{M::largeV3TurboQ8, 834, "01bf15bedffe9f39d65c1b6ff9b687ea91f59e0e",
          "all four languages; a little more exact than q5_0, a little slower"},
    Facts{M::largeV3Turbo, 1536, "4af2b29d7ec73d781377bfd1758ca957a807e941",
          "all four languages; unquantised, slower on a CPU than q8_0 for no clear gain"},
    Facts{M::largeV3Q5, 1126, "e6e2ed78495d403bef4b7cff42ef4aaadcfea8de",
          "all four languages, the most exact for Slovak and Czech; about 3x slower than turbo"},
    Facts{M::largeV3, 2970, "ad82bf6a9043ceed055076d0fd39f5f186ff8062",
          "all four languages; unquantised, the slowest, needs about 4 GB of memory"},
    Facts{M::kinitLargeV3TurboSk, 1536, "",
          "Slovak fine-tune; not published by whisper.cpp: copy the file into the models folder"},
    Facts{M::kinitLargeV3TurboSkQ8, 834, "",
          "Slovak fine-tune; not published by whisper.cpp: copy the file into the models folder"},
    Facts{M::kinitLargeV3TurboSkQ5, 547, "",
          "Slovak fine-tune; not published by whisper.cpp: copy the file into the models folder"},
    Facts{M::tiny, 75, "bd577a113a864445d4c299885e0cb97d4ba92b5f",
          "fastest; English only usable, unfit for Slovak and Czech"},
    Facts{M::tinyQ5, 31, "2827a03e495b1ed3048ef28a6a4620537db4ee51",
          "fastest; English only usable, unfit for Slovak and Czech"},
    Facts{M::tinyQ8, 42, "19e8118f6652a650569f5a949d962154e01571d9",
          "fastest; English only usable, unfit for Slovak and Czech"},
    Facts{M::tinyEn, 75, "c78c86eb1a8faa21b369bcd33207cc90d64ae9df", englishOnly},
    Facts{M::tinyEnQ5, 31, "3fb92ec865cbbc769f08137f22470d6b66e071b6", englishOnly},
    Facts{M::tinyEnQ8, 42, "802d6668e7d411123e672abe4cb6c18f12306abb", englishOnly},
    Facts{M::base, 142, "465707469ff3a37a2b9b8d8f89f2f99de7299dac",
          "fast; good English, passable German, unfit for Slovak and Czech"},
    Facts{M::baseQ5, 57, "a3733eda680ef76256db5fc5dd9de8629e62c5e7",
          "fast; good English, passable German, unfit for Slovak and Czech"},
    Facts{M::baseQ8, 78, "7bb89bb49ed6955013b166f1b6a6c04584a20fbe",
          "fast; good English, passable German, unfit for Slovak and Czech"},
    Facts{M::baseEn, 142, "137c40403d78fd54d454da0f9bd998f78703390c", englishOnly},
    Facts{M::baseEnQ5, 57, "d26d7ce5a1b6e57bea5d0431b9c20ae49423c94a", englishOnly},
    Facts{M::baseEnQ8, 78, "bb1574182e9b924452bf0cd1510ac034d323e948", englishOnly},
    Facts{M::small, 466, "55356645c2b361a969dfd0ef2c5a50d530afd8d5",
          "good English and German, weak Slovak and Czech"},
    Facts{M::smallQ5, 181, "6fe57ddcfdd1c6b07cdcc73aaf620810ce5fc771",
          "good English and German, weak Slovak and Czech"},
    Facts{M::smallQ8, 252, "bcad8a2083f4e53d648d586b7dbc0cd673d8afad",
          "good English and German, weak Slovak and Czech"},
    Facts{M::smallEn, 466, "db8a495a91d927739e50b3fc1cc4c6b8f6c2d022", englishOnly},
    Facts{M::smallEnQ5, 181, "20f54878d608f94e4a8ee3ae56016571d47cba34", englishOnly},
    Facts{M::smallEnQ8, 252, "9d75ff4ccfa0a8217870d7405cf8cef0a5579852", englishOnly},
    Facts{M::medium, 1536, "fd9727b6e1217c2f614f9b698455c4ffd82463b4",
          "all four languages, slower than large-v3-turbo and less exact"},
    Facts{M::mediumQ5, 514, "",
          "not published by whisper.cpp; copy the file into the models folder"},
    Facts{M::mediumQ8, 785, "e66645948aff4bebbec71b3485c576f3d63af5d6",
          "all four languages, slower than large-v3-turbo and less exact"},
    Facts{M::mediumEn, 1536, "8c30f0e44ce9560643ebd10bbe50cd20eafd3723", englishOnly},
    Facts{M::mediumEnQ5, 514, "", "English only; not published by whisper.cpp"},
    Facts{M::mediumEnQ8, 785, "b1cf48c12c807e14881f634fb7b6c6ca867f6b38", englishOnly},
};

static_assert(facts.size() == static_cast<size_t>(M::mediumEnQ8) + 1);
static_assert([] {
    for (size_t i = 0; i < facts.size(); ++i) {
        if (static_cast<size_t>(facts[i].model) != i) {
            return false;
        }
    }
    return true;
}());

const Facts& factsOf(WhisperCppModel model) {
    return facts[static_cast<size_t>(model)];
}

std::mutex overridesLock;
std::map<WhisperCppModel, std::string>& overrides() {
    static std::map<WhisperCppModel, std::string> values;
    return values;
}
std::map<WhisperCppModel, std::uint64_t>& sizeOverrides() {
    static std::map<WhisperCppModel, std::uint64_t> values;
    return values;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isEnglishOnly(WhisperCppModel model) {
    return modelName(model).find(".en") != std::string::npos;
}

} // namespace

std::string modelRepositoryUrlInUse() {
    const char* value = std::getenv("BRINDLEWICK_MODEL_URL");
    std::string url = value && value[0] != '\0' ? value : std::string(modelRepositoryUrl);
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

std::string modelName(WhisperCppModel model) {
    std::string_view name = fileName(model);
    name.remove_prefix(std::string_view("ggml-").size());
    name.remove_suffix(std::string_view(".bin").size());
    return std::string(name);
}

std::optional<WhisperCppModel> modelNamed(std::string_view name) {
    if (auto model = whisperCppModelFromFileName(name)) {
        return model;
    }
    return whisperCppModelFromFileName("ggml-" + std::string(name) + ".bin");
}

std::uint64_t publishedSize(WhisperCppModel model) {
    {
        std::lock_guard lock(overridesLock);
        if (auto found = sizeOverrides().find(model); found != sizeOverrides().end()) {
            return found->second;
        }
    }
    return factsOf(model).mebibytes * 1024 * 1024;
}

std::uint64_t largestDownloadSize(WhisperCppModel model) {
    const std::uint64_t published = publishedSize(model);
    return published + published / 20 + 1024 * 1024;
}

std::optional<std::string> publishedSha1(WhisperCppModel model) {
    {
        std::lock_guard lock(overridesLock);
        if (auto found = overrides().find(model); found != overrides().end()) {
            return found->second;
        }
    }
    if (factsOf(model).sha1.empty()) {
        return std::nullopt;
    }
    return std::string(factsOf(model).sha1);
}

std::string_view modelNote(WhisperCppModel model) {
    return factsOf(model).note;
}

std::optional<std::string> modelLanguageWarning(WhisperCppModel model,
                                                TranscriptionLanguage language) {
    std::string name = modelName(model);
    std::string advice = "; run `brindlewick models install " + modelName(recommendedModel) +
                         "` and `brindlewick models use " + modelName(recommendedModel) +
                         "` for a usable transcript.";
    if (isEnglishOnly(model) && language != TranscriptionLanguage::english) {
        return "Warning: this model (" + name + ") understands English only, not " +
               std::string(displayName(language)) + advice;
    }
    bool small = startsWith(name, "tiny") || startsWith(name, "base");
    bool demanding =
        language == TranscriptionLanguage::slovak || language == TranscriptionLanguage::czech;
    if (small && demanding) {
        return "Warning: this model (" + name + ") is too small for " +
               std::string(displayName(language)) + advice;
    }
    return std::nullopt;
}

void overridePublishedSha1ForTesting(WhisperCppModel model, std::string sha1) {
    std::lock_guard lock(overridesLock);
    overrides()[model] = std::move(sha1);
}

void overridePublishedSizeForTesting(WhisperCppModel model, std::uint64_t bytes) {
    std::lock_guard lock(overridesLock);
    sizeOverrides()[model] = bytes;
}

} // namespace bw

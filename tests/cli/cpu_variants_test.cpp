// The program carries ggml's CPU back end built for several processor levels, and whisper.cpp's
// own kernels follow the level loaded. Told to use a lower level this processor runs, the
// program must say it runs on that level and transcribe the sample to the same text as on the
// best one (AVX-512 where the processor has it).
#include "cli/program_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace bw {
namespace {

std::vector<std::string> builtVariants() {
    std::vector<std::string> built;
    std::istringstream list(BW_CPU_VARIANTS);
    for (std::string name; std::getline(list, name, ',');) {
        built.push_back(name);
    }
    return built;
}

class CpuVariantTest : public testing::TestWithParam<std::string> {
protected:
    // The program's transcript of the sample on `variant` ("" for the best level), with the
    // device it named.
    test::CommandResult transcribe(const std::string& variant) {
        const auto program = std::filesystem::path(BW_BINARY_DIR) / "bin" / "brindlewick";
        return test::runCapturing("BRINDLEWICK_CPU_VARIANT=" + variant + " " +
                                      test::shellQuoted(program) + " transcribe " +
                                      test::shellQuoted(m_jfk) + " --language en --model " +
                                      test::shellQuoted(m_model) + " --verbose",
                                  m_folder.path());
    }

    test::TemporaryFolder m_folder;
    std::filesystem::path m_model = test::bundledWhisperModel();
    std::filesystem::path m_jfk;
};

TEST_P(CpuVariantTest, RunsOnTheLevelItIsToldAndTranscribesAsTheBestLevelDoes) {
    if (m_model.empty()) {
        if (std::getenv("CI") != nullptr) {
            FAIL() << "setup put no real Whisper model into the build";
        }
        GTEST_SKIP() << "no real Whisper model in the build";
    }
    const auto built = builtVariants();
    ASSERT_NE(std::find(built.begin(), built.end(), GetParam()), built.end()) << BW_CPU_VARIANTS;
    BW_REQUIRE_SHARED_FILE(jfk, "audio/jfk.wav");
    m_jfk = jfk;
    static const test::CommandResult best = transcribe("");
    ASSERT_EQ(best.status, 0) << best.err;
    ASSERT_NE(best.err.find("Running on CPU ("), std::string::npos) << best.err;

    const auto forced = transcribe(GetParam());
    ASSERT_EQ(forced.status, 0) << forced.err;
    if (forced.err.find("Running on CPU (" + GetParam() + ")") == std::string::npos) {
        // A level the processor lacks is refused, and the best one runs instead.
        EXPECT_EQ(forced.out, best.out);
        GTEST_SKIP() << "this processor does not run " << GetParam() << ": " << forced.err;
    }
    EXPECT_NE(forced.out.find("ask not what your country can do for you"), std::string::npos)
        << forced.out;
    EXPECT_EQ(forced.out, best.out);
}

// The levels whisper.cpp's own kernels distinguish below AVX-512: plain C++ and AVX2.
INSTANTIATE_TEST_SUITE_P(Levels, CpuVariantTest, testing::Values("x64", "haswell"),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace bw

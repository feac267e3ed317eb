// Where the program carries the Vulkan back end, a Vulkan device transcribes the sample to the
// same text as the CPU, and the setting that turns the graphics processor off keeps the work on
// the CPU without even loading the GPU's back end. Mesa's software device stands in for a GPU: ggml
// passes over devices of the CPU type unless told to use one, so the test names it.
#include "cli/program_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace bw {
namespace {

TEST(VulkanBackendTest, TranscribesAsTheCpuDoesUnlessTurnedOff) {
#ifndef BW_VULKAN
    GTEST_SKIP() << "built without the Vulkan back end";
#else
    const auto model = test::bundledWhisperModel();
    if (model.empty()) {
        GTEST_SKIP() << "no real Whisper model in the build";
    }
    BW_REQUIRE_SHARED_FILE(jfk, "audio/jfk.wav");
    test::TemporaryFolder folder;
    const std::string program =
        test::shellQuoted(std::filesystem::path(BW_BINARY_DIR) / "bin" / "brindlewick");
    const std::string environment =
        "XDG_CONFIG_HOME=" + test::shellQuoted(folder.path()) + " GGML_VK_VISIBLE_DEVICES=0 ";
    auto run = [&](const std::string& arguments, const std::string& more = "") {
        return test::runCapturing(environment + more + program + " " + arguments, folder.path());
    };
    const std::string transcribe = "transcribe " + test::shellQuoted(jfk) +
                                   " --language en --verbose --model " + test::shellQuoted(model);

    ASSERT_EQ(run("models gpu off").status, 0);
    // The dynamic linker names every library it opens.
    const auto cpu = run(transcribe, "LD_DEBUG=files ");
    ASSERT_EQ(cpu.status, 0) << cpu.err;
    EXPECT_NE(cpu.err.find("Running on CPU ("), std::string::npos) << cpu.err;
    EXPECT_NE(cpu.err.find("libggml-cpu-"), std::string::npos) << cpu.err;
    EXPECT_EQ(cpu.err.find("libggml-vulkan"), std::string::npos);

    const auto on = run("models gpu on");
    ASSERT_EQ(on.status, 0) << on.err;
    const auto gpu = run(transcribe);
    ASSERT_EQ(gpu.status, 0) << gpu.err;
    if (gpu.err.find("Running on Vulkan") == std::string::npos) {
        if (std::getenv("CI") != nullptr) {
            FAIL() << "setup installs Mesa's software Vulkan driver, but no device was used: "
                   << gpu.err;
        }
        GTEST_SKIP() << "no Vulkan device: " << gpu.err;
    }
    EXPECT_NE(on.out.find("Transcription runs on: Vulkan"), std::string::npos) << on.out;
    EXPECT_NE(gpu.out.find("ask not what your country can do for you"), std::string::npos)
        << gpu.out;
    EXPECT_EQ(gpu.out, cpu.out);
#endif
}

} // namespace
} // namespace bw

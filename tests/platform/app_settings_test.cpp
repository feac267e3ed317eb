// The typed settings write exactly what settings files have always held, and read it back; a
// settings file of an earlier version must keep its meaning.
#include "platform/app_settings.h"

#include "fakes/memory_user_defaults.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace bw {
namespace {

struct StoredCase {
    const char* name;
    std::function<void(const AppSettings&)> write;
    std::string key;
    std::string value;
    std::function<bool(const AppSettings&)> readsBack;
};

TEST(AppSettingsTest, WritesTheKeysAndValuesOfEarlierVersionsAndReadsThemBack) {
    const StoredCase cases[] = {
        {"sidebar", [](auto& s) { s.setSidebarSelection("notFiled"); }, "library.sidebarSelection",
         "notFiled", [](auto& s) { return s.sidebarSelection() == "notFiled"; }},
        {"rate", [](auto& s) { s.setPlaybackRate(1.25); }, "playback.rate", "1.25",
         [](auto& s) { return s.playbackRate() == 1.25; }},
        {"import folder", [](auto& s) { s.setImportFolder("/home/a/In"); }, "dialogs.importFolder",
         "/home/a/In",
         [](auto& s) { return s.importFolder() == std::filesystem::path("/home/a/In"); }},
        {"export folder", [](auto& s) { s.setExportFolder("/home/a/Out"); }, "dialogs.exportFolder",
         "/home/a/Out",
         [](auto& s) { return s.exportFolder() == std::filesystem::path("/home/a/Out"); }},
        {"doubtful text", [](auto& s) { s.setDoubtfulText("mark"); }, "export.doubtfulText", "mark",
         [](auto& s) { return s.doubtfulText() == "mark"; }},
        {"language", [](auto& s) { s.setTranscriptionLanguage("de"); }, "transcription.language",
         "de", [](auto& s) { return s.transcriptionLanguage() == "de"; }},
        {"model", [](auto& s) { s.setWhisperModel("base"); }, "transcription.whisperModel", "base",
         [](auto& s) { return s.whisperModel() == "base"; }},
        {"no model", [](auto& s) { s.setWhisperModel(std::nullopt); }, "transcription.whisperModel",
         "", [](auto& s) { return !s.whisperModel(); }},
        {"GPU off", [](auto& s) { s.setUsesGPU(false); }, "transcription.useGPU", "false",
         [](auto& s) { return !s.usesGPU(); }},
        {"GPU on", [](auto& s) { s.setUsesGPU(true); }, "transcription.useGPU", "true",
         [](auto& s) { return s.usesGPU(); }},
        {"microphone", [](auto& s) { s.setInputDeviceUID("usb"); }, "recording.inputDeviceUID",
         "usb", [](auto& s) { return s.inputDeviceUID() == "usb"; }},
        {"default microphone", [](auto& s) { s.setInputDeviceUID(std::nullopt); },
         "recording.inputDeviceUID", "", [](auto& s) { return !s.inputDeviceUID(); }},
        {"system audio", [](auto& s) { s.setRecordsSystemAudio(true); }, "recordSystemAudio",
         "true", [](auto& s) { return s.recordsSystemAudio(); }},
    };
    for (const auto& example : cases) {
        MemoryUserDefaults store;
        const AppSettings settings(&store);
        example.write(settings);
        EXPECT_EQ(store.values, (std::map<std::string, std::string>{{example.key, example.value}}))
            << example.name;
        EXPECT_TRUE(example.readsBack(settings)) << example.name;
    }
    // Nothing stored, or no store at all, gives the defaults; without a store nothing is kept.
    MemoryUserDefaults empty;
    for (const AppSettings settings : {AppSettings(&empty), AppSettings(nullptr)}) {
        EXPECT_TRUE(settings.usesGPU());
        EXPECT_FALSE(settings.recordsSystemAudio());
        EXPECT_FALSE(settings.playbackRate());
        EXPECT_FALSE(settings.inputDeviceUID());
    }
    AppSettings(nullptr).setRecordsSystemAudio(true);
    EXPECT_FALSE(AppSettings(nullptr).recordsSystemAudio());
}

} // namespace
} // namespace bw

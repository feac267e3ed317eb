// Which stored work a new job carries on from: the checkpoint goes to disk and back through the
// store, is changed as a case says, and must be taken up exactly when nothing the work depends
// on has changed.
#include "service/transcription_checkpoint_store.h"

#include "fakes/scripted_transcription_engine.h"
#include "library/library_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace bw {
namespace {

struct MatchCase {
    const char* name;
    // Makes the file's text from the stored checkpoint's JSON.
    std::function<std::string(nlohmann::json)> stored;
    bool resumes;
};

std::string changed(nlohmann::json root, const nlohmann::json::json_pointer& at,
                    nlohmann::json value) {
    root[at] = std::move(value);
    return root.dump();
}

class TranscriptionCheckpointMatchTest : public testing::TestWithParam<MatchCase> {};

TEST_P(TranscriptionCheckpointMatchTest, CarriesOnOnlyFromWorkOnTheSameBasis) {
    test::TemporaryFolder folder;
    const LibraryStore library(folder.path());
    const TranscriptionCheckpointStore store(library);
    const Uuid id = Uuid::random();
    std::filesystem::create_directories(library.itemFolderURL(id));
    const auto audio = library.itemFolderURL(id) / "audio.wav";
    test::writeWav(audio, 4);
    const test::ScriptedTranscriptionEngine engine;
    const auto current = TranscriptionCheckpoint::Basis::of(
        engine, TranscriptionOptions::standard(TranscriptionLanguage::german), audio, 4);

    TranscriptionCheckpoint checkpoint;
    checkpoint.basis = current;
    checkpoint.work.position = 2.5;
    checkpoint.work.segments = {{0, 1.25, " Guten Tag", {SegmentDoubt::littleSpeech}},
                                {1.5, 2.25, "zusammen", {}, Speaker::me}};
    checkpoint.work.unrecognizedSpeech = {{2.25, 2.5}};
    checkpoint.interrupted = true;
    store.save(id, checkpoint);
    const auto written = nlohmann::json::parse(test::readText(store.fileURL(id)));
    test::writeText(store.fileURL(id), GetParam().stored(written));

    const auto loaded = store.load(id);
    EXPECT_EQ(loaded && loaded->resumes(current), GetParam().resumes);
    if (GetParam().resumes) {
        EXPECT_EQ(*loaded, checkpoint);
        EXPECT_EQ(loaded->language(), TranscriptionLanguage::german);
    }
}

using Pointer = nlohmann::json::json_pointer;

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscriptionCheckpointMatchTest,
    testing::Values(
        MatchCase{"AsWritten", [](nlohmann::json root) { return root.dump(); }, true},
        MatchCase{"OtherModel",
                  [](nlohmann::json root) { return changed(root, Pointer("/model"), "base"); },
                  false},
        MatchCase{
            "OtherEngine",
            [](nlohmann::json root) { return changed(root, Pointer("/engine"), "scripted 2.0"); },
            false},
        MatchCase{
            "OtherLanguage",
            [](nlohmann::json root) { return changed(root, Pointer("/options/language"), "en"); },
            false},
        MatchCase{"WithoutDetection",
                  [](nlohmann::json root) {
                      return changed(root, Pointer("/options/voiceActivityDetection"), false);
                  },
                  false},
        MatchCase{"OtherChunks",
                  [](nlohmann::json root) {
                      return changed(root, Pointer("/options/chunking/targetDuration"), 60.0);
                  },
                  false},
        MatchCase{"AudioOfAnotherSize",
                  [](nlohmann::json root) {
                      return changed(root, Pointer("/audio/size"),
                                     root["audio"]["size"].get<std::int64_t>() + 2);
                  },
                  false},
        MatchCase{
            "AudioOfAnotherLength",
            [](nlohmann::json root) { return changed(root, Pointer("/audio/duration"), 4.0625); },
            false},
        MatchCase{
            "AnotherAudioFile",
            [](nlohmann::json root) { return changed(root, Pointer("/audio/file"), "audio.caf"); },
            false},
        MatchCase{"NamingASecondTrack",
                  [](nlohmann::json root) {
                      root["audio"]["systemFile"] = "system.caf";
                      root["audio"]["systemSize"] = 4096;
                      return root.dump();
                  },
                  false},
        MatchCase{"AtTheBeginning",
                  [](nlohmann::json root) { return changed(root, Pointer("/position"), 0); },
                  false},
        MatchCase{"AtTheEnd",
                  [](nlohmann::json root) { return changed(root, Pointer("/position"), 4.0); },
                  false},
        MatchCase{"PositionNotANumber",
                  [](nlohmann::json root) { return changed(root, Pointer("/position"), "2.5"); },
                  false},
        MatchCase{"LaterVersion",
                  [](nlohmann::json root) { return changed(root, Pointer("/version"), 2); }, false},
        MatchCase{"SegmentWithoutText",
                  [](nlohmann::json root) {
                      root["segments"][1].erase("text");
                      return root.dump();
                  },
                  false},
        MatchCase{"CutOff",
                  [](nlohmann::json root) {
                      const auto text = root.dump();
                      return text.substr(0, text.size() / 2);
                  },
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw

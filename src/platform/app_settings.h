// Every setting the window and the commands keep, typed, over the user's defaults store: the one
// place that knows the keys they are stored under and how each value is written there. The keys
// and values are those settings files have always had, so older files keep working.
//
// Values the lower layers cannot name (a language, a model, the doubtful-text choice, a sidebar
// filter) are the stored codes; the modules that own those types read and write them. Made over
// no store, every getter gives the default and every setter does nothing. The store must outlive
// it; as thread-safe as the store.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace bw {

class UserDefaults;

class AppSettings {
public:
    static constexpr std::string_view sidebarSelectionKey = "library.sidebarSelection";
    static constexpr std::string_view playbackRateKey = "playback.rate";
    static constexpr std::string_view importFolderKey = "dialogs.importFolder";
    static constexpr std::string_view exportFolderKey = "dialogs.exportFolder";
    static constexpr std::string_view doubtfulTextKey = "export.doubtfulText";
    static constexpr std::string_view transcriptionLanguageKey = "transcription.language";
    static constexpr std::string_view whisperModelKey = "transcription.whisperModel";
    static constexpr std::string_view useGPUKey = "transcription.useGPU";
    static constexpr std::string_view inputDeviceKey = "recording.inputDeviceUID";
    static constexpr std::string_view recordSystemAudioKey = "recordSystemAudio";

    explicit AppSettings(UserDefaults* store) : m_store(store) {}

    // The sidebar's filter, as LibraryFilter stores it.
    std::optional<std::string> sidebarSelection() const;
    void setSidebarSelection(const std::string& storedFilter) const;
    // None when unset or not a number.
    std::optional<double> playbackRate() const;
    void setPlaybackRate(double rate) const;
    // The folder the file dialogs for importing and for exporting last chose in, as stored.
    std::optional<std::filesystem::path> importFolder() const;
    void setImportFolder(const std::filesystem::path& folder) const;
    std::optional<std::filesystem::path> exportFolder() const;
    void setExportFolder(const std::filesystem::path& folder) const;
    // The raw value of the doubtful-text choice of exports.
    std::optional<std::string> doubtfulText() const;
    void setDoubtfulText(std::string_view rawValue) const;
    // The code of the language last chosen for a transcription.
    std::optional<std::string> transcriptionLanguage() const;
    void setTranscriptionLanguage(std::string_view code) const;
    // The name of the model chosen; none stands for the bundled one.
    std::optional<std::string> whisperModel() const;
    void setWhisperModel(const std::optional<std::string>& name) const;
    // True unless turned off.
    bool usesGPU() const;
    void setUsesGPU(bool use) const;
    // The microphone chosen by its uid; none follows the system's default input.
    std::optional<std::string> inputDeviceUID() const;
    void setInputDeviceUID(const std::optional<std::string>& uid) const;
    // False unless turned on.
    bool recordsSystemAudio() const;
    void setRecordsSystemAudio(bool on) const;

private:
    std::optional<std::string> get(std::string_view key) const;
    void set(std::string_view key, const std::string& value) const;

    UserDefaults* m_store;
};

} // namespace bw

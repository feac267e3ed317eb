#include "platform/app_settings.h"

#include "platform/user_defaults.h"

#include <cstdio>
#include <cstdlib>

namespace bw {

namespace {

// The store keeps strings only: an empty one stands for no choice, flags are "true" and "false".
std::optional<std::string> nonEmpty(std::optional<std::string> value) {
    return value && !value->empty() ? value : std::nullopt;
}

const char* flag(bool on) {
    return on ? "true" : "false";
}

} // namespace

std::optional<std::string> AppSettings::get(std::string_view key) const {
    return m_store ? m_store->string(std::string(key)) : std::nullopt;
}

void AppSettings::set(std::string_view key, const std::string& value) const {
    if (m_store) {
        m_store->setString(std::string(key), value);
    }
}

std::optional<std::string> AppSettings::sidebarSelection() const {
    return get(sidebarSelectionKey);
}

void AppSettings::setSidebarSelection(const std::string& storedFilter) const {
    set(sidebarSelectionKey, storedFilter);
}

std::optional<double> AppSettings::playbackRate() const {
    const auto stored = get(playbackRateKey);
    if (!stored) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(stored->c_str(), &end);
    if (end == stored->c_str() || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

void AppSettings::setPlaybackRate(double rate) const {
    char text[16];
    std::snprintf(text, sizeof text, "%g", rate);
    set(playbackRateKey, text);
}

std::optional<std::filesystem::path> AppSettings::importFolder() const {
    return get(importFolderKey);
}

void AppSettings::setImportFolder(const std::filesystem::path& folder) const {
    set(importFolderKey, folder.string());
}

std::optional<std::filesystem::path> AppSettings::exportFolder() const {
    return get(exportFolderKey);
}

void AppSettings::setExportFolder(const std::filesystem::path& folder) const {
    set(exportFolderKey, folder.string());
}

std::optional<std::string> AppSettings::doubtfulText() const {
    return get(doubtfulTextKey);
}

void AppSettings::setDoubtfulText(std::string_view rawValue) const {
    set(doubtfulTextKey, std::string(rawValue));
}

std::optional<std::string> AppSettings::transcriptionLanguage() const {
    return get(transcriptionLanguageKey);
}

void AppSettings::setTranscriptionLanguage(std::string_view code) const {
    set(transcriptionLanguageKey, std::string(code));
}

std::optional<std::string> AppSettings::whisperModel() const {
    return nonEmpty(get(whisperModelKey));
}

void AppSettings::setWhisperModel(const std::optional<std::string>& name) const {
    set(whisperModelKey, name.value_or(""));
}

bool AppSettings::usesGPU() const {
    return get(useGPUKey) != "false";
}

void AppSettings::setUsesGPU(bool use) const {
    set(useGPUKey, flag(use));
}

std::optional<std::string> AppSettings::inputDeviceUID() const {
    return nonEmpty(get(inputDeviceKey));
}

void AppSettings::setInputDeviceUID(const std::optional<std::string>& uid) const {
    set(inputDeviceKey, uid.value_or(""));
}

bool AppSettings::recordsSystemAudio() const {
    return get(recordSystemAudioKey) == "true";
}

void AppSettings::setRecordsSystemAudio(bool on) const {
    set(recordSystemAudioKey, flag(on));
}

} // namespace bw

#include "ui/acknowledgements.h"
#include "platform/file_error.h"
#include "platform/file_reading.h"

#include <QStringDecoder>

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>

namespace bw::ui::Acknowledgements {

namespace {

std::optional<std::string> readFileIfPresent(const std::filesystem::path& file) {
    try {
        return readFile(file);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

std::string field(const nlohmann::json& object, const char* key) {
    const auto value = object.find(key);
    return value != object.end() && value->is_string() ? value->get<std::string>() : "";
}

bool isShipped(const Acknowledgement& entry, const std::filesystem::path& models) {
    bool onlyModels = !entry.bundledFiles.empty();
    for (const auto& file : entry.bundledFiles) {
        const bool isModel = file.ends_with(".bin");
        std::error_code error;
        if (isModel && std::filesystem::exists(models / file, error)) {
            return true;
        }
        onlyModels = onlyModels && isModel;
    }
    return !onlyModels;
}

} // namespace

std::vector<Acknowledgement> all(const ResourceBundle& bundle) {
    if (!bundle.resourceDirectory()) {
        return {};
    }
    const auto folder = *bundle.resourceDirectory();
    const auto text = readFileIfPresent(folder / "Acknowledgements.json");
    const auto json = nlohmann::json::parse(text.value_or(""), nullptr, false);
    if (!json.is_object() || !json.contains("components") || !json["components"].is_array()) {
        return {};
    }
    std::vector<Acknowledgement> entries;
    for (const auto& component : json["components"]) {
        if (!component.is_object()) {
            continue;
        }
        Acknowledgement entry{field(component, "id"),
                              field(component, "name"),
                              field(component, "role"),
                              field(component, "version"),
                              field(component, "source"),
                              field(component, "licence"),
                              field(component, "copyright"),
                              field(component, "licenceFile"),
                              {}};
        if (const auto files = component.find("bundledFiles");
            files != component.end() && files->is_array()) {
            for (const auto& file : *files) {
                if (file.is_string()) {
                    entry.bundledFiles.push_back(file.get<std::string>());
                }
            }
        }
        if (isShipped(entry, folder / "Models")) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::optional<std::string> licenceText(const Acknowledgement& entry, const ResourceBundle& bundle) {
    if (!bundle.resourceDirectory() || entry.licenceFile.empty()) {
        return std::nullopt;
    }
    const auto bytes =
        readFileIfPresent(*bundle.resourceDirectory() / (entry.licenceFile + ".txt"));
    if (!bytes) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(QByteArrayView(bytes->data(), bytes->size()));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text.toStdString();
}

} // namespace bw::ui::Acknowledgements

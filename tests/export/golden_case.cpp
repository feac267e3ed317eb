#include "golden_case.h"

#include <cstdlib>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "external_tool.h"

namespace bw::test {

namespace {

// JSON has no NaN or infinities; the inputs write them as strings.
double seconds(const nlohmann::json& value) {
    if (value.is_number()) {
        return value.get<double>();
    }
    const auto text = value.get<std::string>();
    if (text == "nan") {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (text == "inf") {
        return std::numeric_limits<double>::infinity();
    }
    if (text == "-inf") {
        return -std::numeric_limits<double>::infinity();
    }
    throw std::runtime_error("not a time: " + text);
}

ExportLanguage language(const std::string& name) {
    if (name == "slovak") {
        return ExportLanguage::slovak();
    }
    if (name == "czech") {
        return ExportLanguage::czech();
    }
    if (name == "german") {
        return ExportLanguage::german();
    }
    return ExportLanguage::english();
}

} // namespace

GoldenCase GoldenCase::load(const std::string& name) {
    GoldenCase golden;
    golden.folder = std::filesystem::path(BW_SOURCE_DIR) / "tests" / "data" / name;
    const auto input = nlohmann::json::parse(readFile(golden.folder / "input.json"));
    golden.transcript.title = input.at("title").get<std::string>();
    golden.transcript.date =
        std::chrono::sys_seconds(std::chrono::seconds(input.at("date").get<std::int64_t>()));
    golden.transcript.language = language(input.at("language").get<std::string>());
    for (const auto& segment : input.at("segments")) {
        golden.transcript.segments.push_back(
            {seconds(segment.at("start")), seconds(segment.at("end")),
             segment.at("text").get<std::string>(), false, segment.value("speaker", "")});
    }
    golden.options = {{input.at("timeZone").get<std::string>()}, ExportLabels::english()};
    return golden;
}

std::string GoldenCase::expected(const std::string& fileName, const std::string& actual) const {
    if (std::getenv("BW_UPDATE_GOLDEN") != nullptr) {
        writeFile(folder / fileName, actual);
    }
    return readFile(folder / fileName);
}

} // namespace bw::test

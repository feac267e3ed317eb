#include "transcripts/export_preferences.h"

#include <string>

namespace bw::ExportPreferences {

namespace {

const std::string doubtfulTextKey = "export.doubtfulText";

} // namespace

DoubtfulText doubtfulText(const UserDefaults* defaults) {
    const auto stored = defaults ? defaults->string(doubtfulTextKey) : std::nullopt;
    return stored ? doubtfulTextFromRawValue(*stored).value_or(DoubtfulText::keep)
                  : DoubtfulText::keep;
}

void setDoubtfulText(UserDefaults* defaults, DoubtfulText choice) {
    if (defaults) {
        defaults->setString(doubtfulTextKey, std::string(rawValue(choice)));
    }
}

} // namespace bw::ExportPreferences

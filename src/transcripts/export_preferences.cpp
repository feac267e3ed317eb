#include "transcripts/export_preferences.h"

#include "platform/app_settings.h"

namespace bw::ExportPreferences {

DoubtfulText doubtfulText(UserDefaults* defaults) {
    const auto stored = AppSettings(defaults).doubtfulText();
    return stored ? doubtfulTextFromRawValue(*stored).value_or(DoubtfulText::keep)
                  : DoubtfulText::keep;
}

void setDoubtfulText(UserDefaults* defaults, DoubtfulText choice) {
    AppSettings(defaults).setDoubtfulText(rawValue(choice));
}

} // namespace bw::ExportPreferences

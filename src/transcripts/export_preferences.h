// The export choices the window remembers from one export to the next, kept in the user's
// defaults. Without defaults (null) nothing is remembered and the choices are the defaults.
#pragma once

#include "export/doubtful_text.h"
#include "platform/user_defaults.h"

namespace bw::ExportPreferences {

// Keep when nothing, or nothing known, was stored.
DoubtfulText doubtfulText(UserDefaults* defaults);
void setDoubtfulText(UserDefaults* defaults, DoubtfulText choice);

} // namespace bw::ExportPreferences

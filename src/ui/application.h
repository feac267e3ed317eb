// The desktop application: builds the application model over the user's library, shows the
// main window and runs the event loop until the user quits.
#pragma once

namespace bw::ui {

// Runs the window front end; returns the process exit status.
int runApplication(int argc, char** argv);

} // namespace bw::ui

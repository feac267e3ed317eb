#include "cli/cli.h"
#include "ui/application.h"

#include <csignal>

int main(int argc, char** argv) {
    // Under a file-size limit a write past it then fails, and is reported like a full disk,
    // instead of the signal killing the process half-way through a recording or a save.
    std::signal(SIGXFSZ, SIG_IGN);
    // No arguments opens the window; a command runs headless.
    if (argc <= 1) {
        return bw::ui::runApplication(argc, argv);
    }
    return bw::cli::runCli(argc, argv);
}

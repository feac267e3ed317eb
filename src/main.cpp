#include "cli/cli.h"
#include "ui/application.h"

int main(int argc, char** argv) {
    // No arguments opens the window; a command runs headless.
    if (argc <= 1) {
        return bw::ui::runApplication(argc, argv);
    }
    return bw::cli::runCli(argc, argv);
}

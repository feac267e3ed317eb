#include "cli/cli.h"
#include "ui/application.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    // OpenMP's threads spin at a barrier after every step of the model until the slowest one
    // arrives, and burn their core doing so while the one they wait for is descheduled. libgomp's
    // default spin made a transcription beside other busy programs several times slower. A spin
    // about as long as a sleep and wake-up costs (1,000 rounds, some tens of microseconds) keeps
    // an idle machine's speed and sleeps as soon as a wait is long. The runtime reads the count
    // when it is loaded, before main, so the program starts itself once more with it set; a
    // user's own setting is kept, and a failed start goes on as it is.
    if (std::getenv("OMP_WAIT_POLICY") == nullptr && std::getenv("GOMP_SPINCOUNT") == nullptr &&
        setenv("GOMP_SPINCOUNT", "1000", 1) == 0) {
        execv("/proc/self/exe", argv);
    }
    // Under a file-size limit a write past it then fails, and is reported like a full disk,
    // instead of the signal killing the process half-way through a recording or a save.
    std::signal(SIGXFSZ, SIG_IGN);
    // No arguments opens the window; a command runs headless.
    if (argc <= 1) {
        return bw::ui::runApplication(argc, argv);
    }
    return bw::cli::runCli(argc, argv);
}

#include "cli/cli.h"

int main(int argc, char** argv) {
    return bw::cli::runCli(argc, argv);
}

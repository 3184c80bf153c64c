#include <cstdio>

#include "cli/cli_commands.h"

int RunMagellanCommand(int, char**) {
    std::fputs("quorvex-cli: the Magellan download is not part of this build yet\n", stderr);
    return kExitUsage;
}

int RunIdentifyMagellan(int, char**) {
    std::fputs("quorvex-cli: Magellan identification is not part of this build yet\n", stderr);
    return kExitUsage;
}

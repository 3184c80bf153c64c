#include <cstdio>

#include "cli/cli_commands.h"

int RunGarminCommand(int, char**) {
    std::fputs("quorvex-cli: the Garmin download is not part of this build yet\n", stderr);
    return kExitUsage;
}

int RunIdentifyGarmin(int, char**) {
    std::fputs("quorvex-cli: Garmin identification is not part of this build yet\n", stderr);
    return kExitUsage;
}

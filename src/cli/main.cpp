// quorvex-cli: the receiver downloads of the desktop program, without a window.

#include <cstdio>
#include <cstring>

#include "cli/cli_commands.h"
#include "cli/cli_feedback.h"

const char* CliUsageText() {
    return "Usage:\n"
           "  quorvex-cli garmin --port DEV --out DIR [options]\n"
           "  quorvex-cli magellan --port DEV --out DIR [options]\n"
           "  quorvex-cli gpx --out DIR [options] PATH...\n"
           "  quorvex-cli identify garmin|magellan --port DEV [serial options]\n"
           "  quorvex-cli --help | --version\n"
           "\n"
           "Everywhere: --quiet (messages only), --verbose (every progress text on a\n"
           "line of its own). Progress is otherwise one updating line per transfer on a\n"
           "terminal, and one line per finished transfer when standard error is not one.\n"
           "\n"
           "DEV is a device path (/dev/ttyUSB0) or Com1..Com4; Comn is the device named by\n"
           "the environment variable QUORVEX_COMn when set, else /dev/ttyS0../dev/ttyS3.\n"
           "\n"
           "Exit status: 0 receiver reached and every file written; 1 port not opened,\n"
           "receiver not identified, or no GPX file read; 2 usage error; 3 a file could\n"
           "not be written.\n";
}

int main(int argc, char** argv) {
    bool versionWanted = false;
    const CliFeedback::Level level = TakeOutputOptions(argc, argv, &versionWanted);
    if (versionWanted) {
        std::printf("quorvex-cli %s\n", QUORVEX_VERSION);
        return kExitOk;
    }
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(CliUsageText(), argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    CliFeedback feedback(level);
    const char* command = argv[1];
    if (std::strcmp(command, "garmin") == 0) return RunGarminCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "magellan") == 0) return RunMagellanCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "gpx") == 0) return RunGpxCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "identify") == 0 && argc >= 3) {
        if (std::strcmp(argv[2], "garmin") == 0) return RunIdentifyGarmin(argc - 3, argv + 3);
        if (std::strcmp(argv[2], "magellan") == 0) return RunIdentifyMagellan(argc - 3, argv + 3);
    }
    std::fprintf(stderr, "quorvex-cli: unknown command '%s'\n\n%s", command, CliUsageText());
    return kExitUsage;
}

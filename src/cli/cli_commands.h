#pragma once
// The subcommands of quorvex-cli. Each takes the arguments after its own name and
// returns the program's exit status.

#include <string>

enum CliExitStatus {
    kExitOk = 0,           // receiver reached, every file written
    kExitNoReceiver = 1,   // port not opened, receiver not identified, no GPX file read
    kExitUsage = 2,        // bad command line
    kExitWriteFailed = 3,  // a file could not be written
};

int RunGarminCommand(int argc, char** argv);
int RunMagellanCommand(int argc, char** argv);
int RunGpxCommand(int argc, char** argv);
int RunIdentifyGarmin(int argc, char** argv);
int RunIdentifyMagellan(int argc, char** argv);

class GeometryStore;
class AttributeStore;

// --gpx FILE of the download commands: after the save (whose exit status is
// `status`), also writes the document as GPX into `file` when one was given.
// kExitWriteFailed when that fails, `status` otherwise.
int WriteGpxOutput(const GeometryStore& geometry, const AttributeStore& attributes,
                   const std::string& file, int status);

// The whole --help text.
const char* CliUsageText();

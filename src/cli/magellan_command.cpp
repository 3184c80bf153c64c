// quorvex-cli magellan and quorvex-cli identify magellan: the Magellan import of
// the desktop program without its dialogs. The options carry the values of the
// "Communication Port Properties" and "GPS Interface" dialogs, with their defaults.

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_feedback.h"
#include "cli/cli_options.h"
#include "cli/cli_save.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "magellan/magellan_device.h"
#include "magellan/magellan_transfers.h"
#include "magellan/port_settings.h"

namespace {

const char kMagellanUsage[] =
    "Usage: quorvex-cli magellan --port DEV --out DIR [options]\n"
    "\n"
    "Connects to a Magellan receiver (2 seconds after the port opens, then NMEA\n"
    "sentences in hand-shaking mode), downloads its waypoints, routes and track\n"
    "log and writes them as shapefiles into DIR. Routes need the waypoints:\n"
    "whenever routes are wanted, waypoints are downloaded first.\n"
    "\n"
    "Options:\n"
    "  --out DIR             directory the shapefiles are written into (required);\n"
    "                        made when missing; files of the same names are replaced\n"
    "  --waypoints-file NAME file name of the waypoints (default Waypoints)\n"
    "  --routes-file NAME    file name of the routes (default Routes)\n"
    "  --tracks-file NAME    file name of the track log (default Tracks)\n"
    "  --no-waypoints        no waypoints (unless routes are wanted)\n"
    "  --no-routes           no routes\n"
    "  --track-lines         download the track log as a line layer\n"
    "  --gpx FILE            also write the document as GPX 1.1 into FILE\n"
    "\n"
    "Exit status: 0 port opened and every file written (a transfer that ended early\n"
    "still gives 0 and says so); 1 port not opened; 2 usage error; 3 a file could not\n"
    "be written (or DIR is not a directory).\n"
    "\n"
    "Serial options:\n";

const char kIdentifyMagellanUsage[] =
    "Usage: quorvex-cli identify magellan --port DEV [serial options]\n"
    "\n"
    "Connects to a Magellan receiver as the download does and prints its product\n"
    "ID, its description and the sentences of its waypoints, routes and track log.\n"
    "\n"
    "Options:\n";

struct DownloadOptions {
    std::string out;
    std::string gpxFile;
    MagellanTransferChoice transfers;
};

// Parses the serial options (and, with `download`, those of the download) and
// makes the settings text of the "Communication Port Properties" dialog from
// them; kExitOk, kExitUsage after saying what is wrong, or -1 when help was printed.
int ParseOptions(int argc, char** argv, SerialOptions& serial,
                 char (&settings)[PortSettings::kSettingsSize], DownloadOptions* download) {
    CliOptions options(download ? "magellan" : "identify magellan");
    AddSerialOptions(options, &serial, true);
    if (download) {
        options.AddText("--out", &download->out);
        options.AddText("--waypoints-file", &download->transfers.waypointsFile);
        options.AddText("--routes-file", &download->transfers.routesFile);
        options.AddText("--tracks-file", &download->transfers.tracksFile);
        options.AddSwitch("--no-waypoints", &download->transfers.waypoints, false);
        options.AddSwitch("--no-routes", &download->transfers.routes, false);
        options.AddSwitch("--track-lines", &download->transfers.trackLines);
        options.AddText("--gpx", &download->gpxFile);
    }
    if (!options.Parse(argc, argv)) return kExitUsage;
    if (options.HelpWanted()) {
        std::fputs(download ? kMagellanUsage : kIdentifyMagellanUsage, stdout);
        std::fputs(SerialOptionsHelp(true), stdout);
        return -1;
    }
    if (serial.port.empty()) return options.Fail("--port is required"), kExitUsage;
    if (download && download->out.empty()) return options.Fail("--out is required"), kExitUsage;

    PortSettings port;
    if (!port.SetBaudText(serial.baud.c_str())) return kExitUsage;
    port.dataBits = serial.dataBits;
    port.parity = serial.parity;
    port.stopBits = serial.stopBits;
    if (!port.BuildSettingsText(settings)) return options.Fail("bad serial settings"), kExitUsage;
    return kExitOk;
}

// A receiver that answered the version request has a product ID or a description.
bool Answered(const MagellanDevice& gps) {
    return gps.productId != 0 || gps.description[0] != '\0';
}

}  // namespace

int RunMagellanCommand(int argc, char** argv) {
    SerialOptions serial;
    DownloadOptions options;
    char settings[PortSettings::kSettingsSize];
    const int parsed = ParseOptions(argc, argv, serial, settings, &options);
    if (parsed != kExitOk) return parsed < 0 ? kExitOk : parsed;
    if (!CheckOutputDirectory(options.out)) return kExitWriteFailed;

    // A new document: empty stores, positions merged only when equal.
    GeometryStore geometry;
    AttributeStore attributes;
    geometry.Clear();
    attributes.Clear();
    int transferMessages = 0;
    {
        MagellanDevice gps;
        if (!StartTraceOf(serial)) return kExitWriteFailed;
        if (!gps.Connect(serial.port.c_str(), settings)) return kExitNoReceiver;
        if (Answered(gps)) {
            std::fprintf(stderr, "Magellan receiver: product ID %d, %s\n", gps.productId,
                         gps.description);
        } else {
            std::fputs("quorvex-cli: the receiver did not answer the version request\n", stderr);
        }
        MessageCounter counter;
        RunMagellanTransfers(gps, geometry, attributes, options.transfers);
        transferMessages = counter.Count();
        if (gps.sentencesReceived == 0) {
            // A silent cable, not an empty receiver: nothing is written.
            std::fputs("quorvex-cli: nothing came from the receiver\n", stderr);
            return kExitNoReceiver;
        }
    }  // the port closes here
    return WriteGpxOutput(geometry, attributes, options.gpxFile,
                          FinishDownload(geometry, attributes, options.out, transferMessages));
}

int RunIdentifyMagellan(int argc, char** argv) {
    SerialOptions serial;
    char settings[PortSettings::kSettingsSize];
    const int parsed = ParseOptions(argc, argv, serial, settings, nullptr);
    if (parsed != kExitOk) return parsed < 0 ? kExitOk : parsed;

    MagellanDevice gps;
    if (!StartTraceOf(serial)) return kExitWriteFailed;
    if (!gps.Connect(serial.port.c_str(), settings)) return kExitNoReceiver;
    std::printf("Product ID: %d\nDescription: %s\n", gps.productId, gps.description);
    std::printf(
        "Waypoints protocol: PMGNWPL\nRoutes protocol: PMGNRTE\nTracks protocol: PMGNTRK\n");
    if (!Answered(gps)) {
        std::fputs("quorvex-cli: the receiver did not answer the version request\n", stderr);
        return kExitNoReceiver;
    }
    return kExitOk;
}

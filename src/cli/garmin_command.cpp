// quorvex-cli garmin: the Garmin import of the desktop program without its
// dialogs, then the save into a directory. quorvex-cli identify garmin: its
// identification step, printing what the "GPS Interface" dialog shows.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_feedback.h"
#include "cli/cli_options.h"
#include "cli/cli_save.h"
#include "cli/picture_options.h"
#include "garmin/garmin_device.h"
#include "garmin/garmin_transfers.h"
#include "garmin/protocol_table.h"
#include "garmin/record_layouts.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pictures/picture_set.h"

namespace {

const char kGarminUsage[] =
    "Usage: quorvex-cli garmin --port DEV --out DIR [options]\n"
    "\n"
    "Opens the port at 9600,N,8,1, identifies the Garmin receiver, downloads what\n"
    "is chosen in this order: waypoints (matched to pictures when --pictures is\n"
    "given), routes, the track log as lines, the track log as points; then writes\n"
    "every layer as a shapefile set (.SHP, .SHX, .DBF) into DIR, which must exist.\n"
    "Choosing both track layers downloads the track log twice.\n"
    "\n"
    "Options:\n"
    "  --port DEV                 device path or Com1..Com4 (required)\n"
    "  --trace FILE               write every byte of the line, both ways, with times\n"
    "  --speed N                  ask the receiver for N baud (19200, 38400, 57600,\n"
    "                             115200) before the transfers; it is back at 9600\n"
    "                             afterwards (default 9600)\n"
    "  --out DIR                  directory the shapefiles are written into (required);\n"
    "                             made when missing; files of the same names are replaced\n"
    "  --waypoints-file NAME      file name of the waypoints (default Waypoints)\n"
    "  --routes-file NAME         file name of the routes (default Routes)\n"
    "  --tracks-file NAME         file name of the track log (default Tracks; the\n"
    "                             point layer adds Pts: TracksPts)\n"
    "  --no-waypoints             no waypoints\n"
    "  --no-routes                no routes\n"
    "  --track-lines              the track log as a line layer, one line per track\n"
    "  --track-points             the track log as a point layer, one point per fix\n"
    "  --gpx FILE                 also write the document as GPX 1.1 into FILE\n"
    "\n"
    "Picture matching (pictures are dated by the camera's date text in the file,\n"
    "else by the file's creation time, and given to the waypoint nearest in time\n"
    "on the same day, read from its comment: \"17-MAY-03 14:22\"):\n";

// After the picture options.
const char kGarminUsageEnd[] =
    "\n"
    "Exit status: 0 receiver reached and every file written (a transfer that ended\n"
    "early still gives 0 and says so); 1 port not opened, receiver not identified, or\n"
    "none of the chosen transfers could be run with this receiver; 2 usage error;\n"
    "3 a file could not be written (or DIR is not a directory).\n";

struct GarminDownloadOptions {
    std::string out;
    GarminTransferChoice transfers;
    PictureOptions pictures;
    std::string gpxFile;
};

const char kIdentifyGarminUsage[] =
    "Usage: quorvex-cli identify garmin --port DEV\n"
    "\n"
    "Opens the port at 9600,N,8,1, identifies the Garmin receiver and prints its\n"
    "product ID, its description and the protocols of its waypoints, routes and\n"
    "track log (from its capability list, or from QUORVEX.XRF beside the program\n"
    "for receivers that send none).\n"
    "\n"
    "Options:\n";

}  // namespace

int RunGarminCommand(int argc, char** argv) {
    CliOptions options("garmin");
    SerialOptions serial;
    GarminDownloadOptions download;
    // The picture options go straight into the set, which starts with the
    // defaults of the picture matching dialog.
    PictureSet pictures;
    AddSerialOptions(options, &serial, false);
    options.AddText("--out", &download.out);
    options.AddText("--waypoints-file", &download.transfers.waypointsFile);
    options.AddText("--routes-file", &download.transfers.routesFile);
    options.AddText("--tracks-file", &download.transfers.tracksFile);
    options.AddSwitch("--no-waypoints", &download.transfers.waypoints, false);
    options.AddSwitch("--no-routes", &download.transfers.routes, false);
    options.AddSwitch("--track-lines", &download.transfers.trackLines);
    options.AddSwitch("--track-points", &download.transfers.trackPoints);
    options.AddText("--gpx", &download.gpxFile);
    AddPictureOptions(options, &download.pictures, &pictures);
    if (!options.Parse(argc, argv)) return kExitUsage;
    if (options.HelpWanted()) {
        std::fputs(kGarminUsage, stdout);
        std::fputs(kPictureOptionsHelp, stdout);
        std::fputs(kGarminUsageEnd, stdout);
        return kExitOk;
    }
    if (serial.port.empty()) return options.Fail("--port is required"), kExitUsage;
    if (!CheckSpeed(options, serial)) return kExitUsage;
    if (download.out.empty()) return options.Fail("--out is required"), kExitUsage;
    if (!CheckPictureOptions(options, download.pictures, &pictures)) return kExitUsage;
    if (!CheckOutputDirectory(download.out)) return kExitWriteFailed;

    // A new document: empty stores, positions merged only when equal.
    GeometryStore geometry;
    AttributeStore attributes;
    geometry.Clear();
    attributes.Clear();
    int transferMessages = 0;
    {
        GarminDevice gps;
        if (!StartTraceOf(serial)) return kExitWriteFailed;
        if (!gps.Connect(serial.port.c_str())) return kExitNoReceiver;
        const ProtocolTable& protocols = gps.Protocols();
        std::fprintf(stderr, "Garmin receiver: product ID %d, %s\nProtocols: %s; %s; %s\n",
                     gps.ProductId(), gps.Description(), WaypointProtocolText(protocols).c_str(),
                     RouteProtocolText(protocols).c_str(), TrackProtocolText(protocols).c_str());

        // The picture field names, against the waypoint table's own fields.
        const std::string badName = download.pictures.files.empty()
                                        ? std::string()
                                        : pictures.CheckFieldNames(
                                              PointFieldNames(protocols.waypointType));
        if (!badName.empty()) return options.Fail(badName), kExitUsage;

        // What the picture matching dialog does with its selection and options.
        SelectPictureFiles(options, download.pictures, &pictures);

        gps.ChangeSpeed(serial.speed);
        MessageCounter counter;
        const int run =
            RunGarminTransfers(gps, geometry, attributes, &pictures, download.transfers);
        transferMessages = counter.Count();
        if (run == 0 && ChosenTransfers(download.transfers) > 0) {
            // The receiver answered, but what it holds cannot be asked for or read.
            std::fputs("quorvex-cli: none of the chosen transfers could be run with this "
                       "receiver (see above); nothing was written\n",
                       stderr);
            return kExitNoReceiver;
        }
    }  // the port closes here
    return WriteGpxOutput(geometry, attributes, download.gpxFile,
                          FinishDownload(geometry, attributes, download.out, transferMessages));
}

int RunIdentifyGarmin(int argc, char** argv) {
    CliOptions options("identify garmin");
    SerialOptions serial;
    AddSerialOptions(options, &serial, false);
    if (!options.Parse(argc, argv)) return kExitUsage;
    if (options.HelpWanted()) {
        std::fputs(kIdentifyGarminUsage, stdout);
        std::fputs(SerialOptionsHelp(false), stdout);
        return kExitOk;
    }
    if (serial.port.empty()) {
        options.Fail("--port is required");
        return kExitUsage;
    }
    if (!CheckSpeed(options, serial)) return kExitUsage;

    GarminDevice gps;
    if (!StartTraceOf(serial)) return kExitWriteFailed;
    if (!gps.Connect(serial.port.c_str())) return kExitNoReceiver;
    const ProtocolTable& protocols = gps.Protocols();
    std::printf("Product ID: %d\nDescription: %s\n", gps.ProductId(), gps.Description());
    for (const std::string& text : gps.ExtendedProductStrings())
        std::printf("Extended product data: %s\n", text.c_str());
    std::printf("Waypoints protocol: %s\nRoutes protocol: %s\nTracks protocol: %s\n",
                WaypointProtocolText(protocols).c_str(), RouteProtocolText(protocols).c_str(),
                TrackProtocolText(protocols).c_str());
    if (serial.speed != 9600 && gps.ChangeSpeed(serial.speed))
        std::printf("Speed: %d baud\n", gps.Speed());
    return kExitOk;
}

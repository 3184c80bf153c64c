// quorvex-cli gpx: the GPX import of the desktop program without its dialogs (GPX
// files, or the folders of a receiver mounted as a drive), then the save into a
// directory.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_feedback.h"
#include "cli/cli_options.h"
#include "cli/cli_save.h"
#include "cli/picture_options.h"
#include "gpx/gpx_import.h"
#include "gpx/gpx_writer.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pictures/picture_set.h"

namespace {

const char kGpxUsage[] =
    "Usage: quorvex-cli gpx --out DIR [options] PATH...\n"
    "\n"
    "Reads GPX files (1.0 and 1.1): each PATH is a .gpx file or a folder searched\n"
    "for them, with its subfolders (a receiver mounted as a drive keeps its files\n"
    "under Garmin/GPX). All files go into one set of layers: waypoints (matched to\n"
    "pictures when --pictures is given), routes, tracks as lines, track points;\n"
    "then every layer is written as a shapefile set (.SHP, .SHX, .DBF) into DIR.\n"
    "A file that is cut short or not well-formed gives a message with its line and\n"
    "column, keeps what was read before, and the other files are still read.\n"
    "\n"
    "Options:\n"
    "  --out DIR                  directory the shapefiles are written into (required)\n"
    "  --waypoints-file NAME      file name of the waypoints (default Waypoints)\n"
    "  --routes-file NAME         file name of the routes (default Routes)\n"
    "  --tracks-file NAME         file name of the tracks (default Tracks; the point\n"
    "                             layer adds Pts: TracksPts)\n"
    "  --no-waypoints             no waypoints\n"
    "  --no-routes                no routes\n"
    "  --no-track-lines           no track lines (one line per track, a part per\n"
    "                             track segment)\n"
    "  --track-points             the track points as a point layer\n"
    "  --gpx FILE                 also write the document as GPX 1.1 into FILE\n"
    "PATHs go before --pictures, whose list runs to the next option.\n"
    "\n"
    "Picture matching (pictures are dated by the camera's date text in the file,\n"
    "else by the file's creation time, and given to the waypoint nearest in time\n"
    "on the same day, by the waypoint's time in this computer's time zone):\n";

const char kGpxUsageEnd[] =
    "\n"
    "Exit status: 0 every file written (a file read in part still gives 0 and says\n"
    "so); 1 no PATH gave a readable GPX file; 2 usage error; 3 a file could not be\n"
    "written (or DIR is not a directory).\n";

}  // namespace

int WriteGpxOutput(const GeometryStore& geometry, const AttributeStore& attributes,
                   const std::string& file, int status) {
    if (file.empty()) return status;
    return WriteGpxDocument(geometry, attributes, file) ? status : kExitWriteFailed;
}

int RunGpxCommand(int argc, char** argv) {
    CliOptions options("gpx");
    std::string out;
    GpxImportChoice choice;
    PictureOptions pictureOptions;
    PictureSet pictures;
    std::vector<std::string> paths;
    std::string gpxFile;
    options.AddText("--out", &out);
    options.AddText("--waypoints-file", &choice.waypointsFile);
    options.AddText("--routes-file", &choice.routesFile);
    options.AddText("--tracks-file", &choice.tracksFile);
    options.AddSwitch("--no-waypoints", &choice.waypoints, false);
    options.AddSwitch("--no-routes", &choice.routes, false);
    options.AddSwitch("--no-track-lines", &choice.trackLines, false);
    options.AddSwitch("--track-points", &choice.trackPoints);
    options.AddText("--gpx", &gpxFile);
    AddPictureOptions(options, &pictureOptions, &pictures);
    options.AddOperands(&paths);
    if (!options.Parse(argc, argv)) return kExitUsage;
    if (options.HelpWanted()) {
        std::fputs(kGpxUsage, stdout);
        std::fputs(kPictureOptionsHelp, stdout);
        std::fputs(kGpxUsageEnd, stdout);
        return kExitOk;
    }
    if (out.empty()) return options.Fail("--out is required"), kExitUsage;
    if (paths.empty()) return options.Fail("no GPX file or folder given"), kExitUsage;
    if (!CheckPictureOptions(options, pictureOptions, &pictures)) return kExitUsage;
    if (!CheckOutputDirectory(out)) return kExitWriteFailed;

    GeometryStore geometry;
    AttributeStore attributes;
    geometry.Clear();
    attributes.Clear();
    SelectPictureFiles(options, pictureOptions, &pictures);
    MessageCounter counter;
    const std::vector<std::string> files = FindGpxFiles(paths);
    if (files.empty()) {
        std::fputs("quorvex-cli: no GPX file found\n", stderr);
        return kExitNoReceiver;
    }
    GpxImport import(choice);
    import.ReadFiles(files);
    if (import.FilesRead() == 0) return kExitNoReceiver;
    import.BuildLayers(geometry, attributes, &pictures);
    return WriteGpxOutput(geometry, attributes, gpxFile,
                          FinishDownload(geometry, attributes, out, counter.Count()));
}

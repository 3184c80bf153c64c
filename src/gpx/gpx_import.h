#pragma once
// The GPX import: GPX files (a receiver mounted as a drive keeps its waypoints,
// routes and track logs as such files) into the layers a receiver import makes.
//
// Usage (File > Import > GPX Files..., quorvex-cli gpx):
//     GpxImportChoice choice;                       // from the dialog or options
//     std::vector<std::string> files = FindGpxFiles(paths);
//     GpxImport import(choice);
//     import.ReadFiles(files);                      // messages shown as they occur
//     import.BuildLayers(geometry, attributes, &pictures);
//
// The layers, in this order, each only when chosen and not empty:
//  - "GPX Waypoints" (file choice.waypointsFile): one point and record per
//    <wpt>, also for two at one position. Fields "Ident" (name), "Longitude",
//    "Latitude", "Comment" (cmt, else desc), "Altitude" (ele), "Time" (UTC, as the
//    track points' time), "Symbol" (sym, only when some waypoint has one), then
//    the picture fields; the pictures are matched by "Time".
//  - "GPX Routes" (choice.routesFile): one line record per <rte>, "Ident" its name.
//  - "GPX Tracks" (choice.tracksFile): one line record per <trk>, "Ident" its
//    name, each <trkseg> of two or more points a part of it.
//  - "GPX Tracks(Pts)" (choice.tracksFile + "Pts"): one point and record per
//    <trkpt>, with the fields of the Garmin track points ("Longitude",
//    "Latitude", "Time", "Altitude", "Depth").
// A text field is as wide as its longest value in bytes, at least 12 ("Ident"
// of waypoints) or 40 (the others) and at most 254. A line of fewer than two
// points keeps its record and has no edges (written as a Null shape). Edges
// carry their line's record number + 1 as their segment number.

#include <string>
#include <vector>

#include "gpx/gpx_reader.h"

class GeometryStore;
class AttributeStore;
class PictureSet;

struct GpxImportChoice {
    bool waypoints = true;
    bool routes = true;
    bool trackLines = true;
    bool trackPoints = false;
    std::string waypointsFile = "Waypoints";
    std::string routesFile = "Routes";
    std::string tracksFile = "Tracks";
};

// The .gpx files (any case of the extension) among `paths`: a file is taken as
// it is, a folder is searched recursively; each folder's files in name order.
// A path that does not exist gives a message.
std::vector<std::string> FindGpxFiles(const std::vector<std::string>& paths);

// The drives of receivers mounted on this computer: the volumes under
// /media/$USER and /run/media/$USER (or under $QUORVEX_MEDIA_ROOT when it is
// set) that hold a folder Garmin/GPX or .gpx files within three folder levels.
std::vector<std::string> FindMountedReceivers();

class GpxImport {
  public:
    explicit GpxImport(const GpxImportChoice& choice);

    // Reads one file into the import (see gpx_reader.h for its failures).
    GpxReadResult ReadFile(const std::string& path);
    // Reads the files in order; a stop asked for by the user ends the reading,
    // keeping what was read.
    void ReadFiles(const std::vector<std::string>& paths);
    // Reads a document held in memory; `name` stands for the file in messages.
    GpxReadResult ReadBuffer(const char* bytes, size_t size, const std::string& name);
    // Files that gave something (read whole or in part).
    int FilesRead() const { return filesRead_; }

    // Makes the layers of what was read, computes their extents and matches
    // `pictures` (may be null) to the waypoints. Frees what was read.
    void BuildLayers(GeometryStore& geometry, AttributeStore& attributes, PictureSet* pictures);

    const GpxData& Data() const { return data_; }

  private:
    GpxReadResult Counted(GpxReadResult result);

    GpxImportChoice choice_;
    GpxData data_;
    int filesRead_ = 0;
};

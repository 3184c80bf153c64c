#pragma once
// Reading GPX files (1.0 and 1.1) as a stream: the XML parser is fed the file in
// blocks and the reader keeps only what the layers will need, so a file of a
// million track points costs the size of its points, not of its text.
//
// Usage (the GPX import):
//     GpxData data;
//     data.wantTracks = true;             // what to keep; the rest is skipped
//     GpxReadResult r = ReadGpxFile(path, &data);
//     ... ReadGpxFile again for more files: each adds to `data` ...
//
// What is kept: each <wpt> (name, cmt or else desc, ele, time, sym), each <rte>
// with the positions of its <rtept>, each <trk> with its <trkseg>s and the
// position, ele, time and depth (a Garmin extension) of each <trkpt>. Elements
// the reader does not know, and everything of other name spaces outside
// <extensions>, are skipped with their content.
//
// Failures are shown to the user (one message each) and reported by the result:
//  - a file that cannot be opened or read;
//  - XML that is not well-formed, or ends early (a drive unplugged while the file
//    was written): the message names the file, line and column; everything read
//    before the fault stays in `data`, the route or track being read included;
//  - well-formed XML whose root is not <gpx>: refused, nothing is kept from it.
// Points without a valid position (lat/lon missing, not numbers, or out of range)
// are left out and counted in `data.pointsWithoutPosition`.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gpx/gpx_time.h"

struct GpxWaypoint {
    double longitude;
    double latitude;
    double elevation;  // NaN when absent
    int64_t time;      // seconds since 1970-01-01 00:00:00 UTC, or kNoGpxTime
    std::string name;
    std::string comment;  // <cmt>, else <desc>
    std::string symbol;
};

// A point of a route or track: 32 bytes, as a million of them may be held.
struct GpxTrackPoint {
    double longitude;
    double latitude;
    int64_t time;     // as GpxWaypoint::time
    float elevation;  // NaN when absent
    float depth;      // NaN when absent
};

// A route or track: its name and its points points[first .. first + count - 1] of
// the data's routePoints or trackPoints. `segmentStarts` holds the index (into
// the same array) of the first point of each segment (<trkseg>); a route has one.
struct GpxLine {
    std::string name;
    size_t first = 0;
    size_t count = 0;
    std::vector<size_t> segmentStarts;
};

struct GpxData {
    // What to keep.
    bool wantWaypoints = true;
    bool wantRoutes = true;
    bool wantTracks = true;

    std::vector<GpxWaypoint> waypoints;
    std::vector<GpxLine> routes;
    std::vector<GpxTrackPoint> routePoints;
    std::vector<GpxLine> tracks;
    std::vector<GpxTrackPoint> trackPoints;
    bool anySymbol = false;  // some waypoint has a <sym>
    long pointsWithoutPosition = 0;
};

enum class GpxReadResult {
    kRead,        // the whole file was read
    kBroken,      // malformed or cut short: what came before the fault was kept
    kNotGpx,      // XML, but not GPX: refused
    kUnreadable,  // could not be opened or read
};

// Reads the file at `path` into `data`. Between blocks it stops (keeping what it
// read, and reporting kRead) when the user asked to cancel.
GpxReadResult ReadGpxFile(const std::string& path, GpxData* data);

// Reads a whole GPX document held in memory; `name` stands for the file in
// messages.
GpxReadResult ReadGpxBuffer(const char* bytes, size_t size, const std::string& name, GpxData* data);

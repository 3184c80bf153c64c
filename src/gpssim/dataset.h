#pragma once
// The data a simulated receiver holds: waypoints, routes and a track log, kept
// in plain units (degrees, metres, UTC seconds) and encoded for the wire only
// when a host asks for them.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// Seconds from 1970-01-01 to the receivers' epoch, 1989-12-31 00:00:00 UTC.
constexpr int64_t kGarminEpochUnix = 631065600;
// Time value that receivers send for "no time".
constexpr uint32_t kNoTime = 0xFFFFFFFFu;

inline double NotAvailable() {
    return std::nan("");
}

struct SimWaypoint {
    std::string ident;
    std::string comment;
    double lat = 0;
    double lon = 0;
    double alt = NotAvailable();    // metres; NaN when the receiver has none
    double depth = NotAvailable();  // metres; NaN when the receiver has none
    int symbol = 0;
};

struct SimRoute {
    int number = 0;       // the receiver's route number
    std::string name;     // route identifier (D202), comment of D201 when no comment
    std::string comment;  // route comment (D201, Magellan "m" sentence)
    std::vector<SimWaypoint> points;
};

struct SimTrackPoint {
    double lat = 0;
    double lon = 0;
    int64_t time = -1;  // Unix seconds, UTC; -1 when the point has no time
    double alt = NotAvailable();
    double depth = NotAvailable();
    bool valid = true;  // false: a fix the receiver flags as void ("V")
    // The first point of a new segment of its track (a Garmin new-track flag).
    bool newSegment = false;
    // false: a point logged without a fix; Garmin sends 0x7FFFFFFF for both
    // halves of its position, a Magellan receiver does not send it.
    bool hasPosition = true;
};

struct SimTrack {
    std::string name;
    std::vector<SimTrackPoint> points;
};

// What a Magellan receiver says about itself in its version sentence.
struct MagellanIdentity {
    int productId = 19;
    std::string version = "3.06";
    std::string description = "QUORVEX SIMULATED RECEIVER";
};

struct SimDataset {
    std::string name;
    MagellanIdentity magellan;
    std::vector<SimWaypoint> waypoints;
    std::vector<SimRoute> routes;
    std::vector<SimTrack> tracks;
};

// Built-in datasets: "builtin" (a small town), "examples" (the Magellan sample
// sentences: HOME, SHOP, PARK, unnamed tracks, void fixes), "oddities" (lines of
// one point, track segments, points without position or time, a long track,
// shared positions, non-ASCII names) and "generated:W,R,T" (W waypoints, R
// routes, T track points, for load tests).
// Returns false with `error` set for an unknown name.
bool BuiltinDataset(const std::string& name, SimDataset& out, std::string& error);

// Reads a dataset from a JSON file (format in docs/gpssim.md and --help).
bool LoadDatasetFile(const std::string& path, SimDataset& out, std::string& error);

// A dataset text (UTF-8) as the receivers' 8-bit characters: Latin-1, which
// Windows-1252 extends; a character beyond it becomes '?'.
std::string ToReceiverText(const std::string& utf8);

// The dataset as JSON, in the same format LoadDatasetFile reads.
std::string DatasetToJson(const SimDataset& data);

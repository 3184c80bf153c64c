#pragma once
// What one Magellan import downloads, and the downloads in their fixed order. The
// desktop program fills the choice from the "GPS Interface" dialog, the
// command-line tool from its options.

#include <string>

class MagellanDevice;
class GeometryStore;
class AttributeStore;

struct MagellanTransferChoice {
    bool waypoints = true;
    bool routes = true;
    bool trackLines = false;
    std::string waypointsFile = "Waypoints";
    std::string routesFile = "Routes";
    std::string tracksFile = "Tracks";
};

// Runs the chosen downloads one after the other on the connection of `gps`:
// waypoints whenever waypoints or routes are wanted, then routes, then the track
// log as lines. Route nodes are looked up by name in the waypoint table made just
// before, so routes never come without a waypoint download of their own.
void RunMagellanTransfers(MagellanDevice& gps, GeometryStore& geometry, AttributeStore& attributes,
                          const MagellanTransferChoice& choice);

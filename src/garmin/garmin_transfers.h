#pragma once
// What one Garmin import downloads, and the downloads in their fixed order. The
// desktop program fills the choice from the "GPS Interface" dialog, the
// command-line tool from its options.

#include <string>

class GarminDevice;
class GeometryStore;
class AttributeStore;
class PictureSet;

struct GarminTransferChoice {
    bool waypoints = true;
    bool routes = true;
    bool trackLines = false;
    bool trackPoints = false;
    std::string waypointsFile = "Waypoints";
    std::string routesFile = "Routes";
    std::string tracksFile = "Tracks";
};

// Runs the chosen transfers one after the other on the connection of `gps`, each
// with its own command: waypoints (matched to `pictures`, which may be null),
// routes, the track log as lines, the track log as points. A transfer that fails
// has shown its message and does not stop the later ones. Choosing both track
// layers downloads the track log twice, once for each layer. The number of
// transfers that ran (sent their command to the receiver).
int RunGarminTransfers(GarminDevice& gps, GeometryStore& geometry, AttributeStore& attributes,
                       PictureSet* pictures, const GarminTransferChoice& choice);
// How many transfers `choice` asks for.
int ChosenTransfers(const GarminTransferChoice& choice);

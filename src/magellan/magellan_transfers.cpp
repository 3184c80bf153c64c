#include "magellan/magellan_transfers.h"

#include "core/user_feedback.h"
#include "magellan/magellan_device.h"

void RunMagellanTransfers(MagellanDevice& gps, GeometryStore& geometry, AttributeStore& attributes,
                          const MagellanTransferChoice& choice) {
    if (choice.waypoints || choice.routes)
        gps.TransferWaypoints(geometry, attributes, choice.waypointsFile.c_str());
    // A stopped transfer ends the whole import.
    if (Feedback().CancelRequested()) return;
    if (choice.routes) gps.TransferRoutes(geometry, attributes, choice.routesFile.c_str());
    if (Feedback().CancelRequested()) return;
    if (choice.trackLines) gps.TransferTracks(geometry, attributes, choice.tracksFile.c_str());
}

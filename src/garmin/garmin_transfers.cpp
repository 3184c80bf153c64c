#include "garmin/garmin_transfers.h"

#include "core/user_feedback.h"
#include "garmin/garmin_device.h"

void RunGarminTransfers(GarminDevice& gps, GeometryStore& geometry, AttributeStore& attributes,
                        PictureSet* pictures, const GarminTransferChoice& choice) {
    if (choice.waypoints)
        gps.TransferWaypoints(geometry, attributes, pictures, choice.waypointsFile.c_str());
    // A stopped transfer ends the whole import.
    if (Feedback().CancelRequested()) return;
    if (choice.routes) gps.TransferRoutes(geometry, attributes, choice.routesFile.c_str());
    if (Feedback().CancelRequested()) return;
    if (choice.trackLines) gps.TransferTrackLines(geometry, attributes, choice.tracksFile.c_str());
    if (Feedback().CancelRequested()) return;
    if (choice.trackPoints)
        gps.TransferTrackPoints(geometry, attributes, choice.tracksFile.c_str());
}

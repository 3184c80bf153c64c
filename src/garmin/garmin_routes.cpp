// Line layers (one line per route or track, named by its header record) and the
// route transfer.

#include "core/user_feedback.h"
#include "garmin/garmin_device.h"
#include "garmin/record_layouts.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

// Edges a new line layer starts with; they grow as needed.
constexpr int kInitialEdges = 500;
// Width of a line's name.
constexpr int kLineNameWidth = 40;

void ShowPositionTypeMessage(int pointType) {
    ShowMessage(FormatText(
        "Waypoint Data Type(D%d) not defined at this time. \nUnable to process Waypoints.",
        pointType));
}

}  // namespace

bool GarminDevice::NewLineLayer(GeometryStore& geometry, AttributeStore& attributes,
                                const char* fileName, const char* layerName, int /*dataType*/) {
    if (!AddLayerAndTable(geometry, attributes, fileName, layerName, kInitialEdges)) return false;
    attributes.AddField(table, "Ident", 'C', kLineNameWidth, 0);
    previousPoint = -1;
    return true;
}

void GarminDevice::NameLine(AttributeStore& attributes, int headerType, const unsigned char* record,
                            int size, int lineNumber) {
    // Each header starts a new line, named or not.
    previousPoint = -1;
    std::string name;
    bool readable = true;
    switch (headerType) {
        case 200:  // route number only
            name = FormatText("Route #%d", lineNumber);
            break;
        case 201:  // route number, then a 20-character comment
            readable = readable && size >= 21;
            if (readable) name = RecordText(record, size, 1, 20);
            break;
        case 202:  // NUL-terminated route identifier
            name = RecordText(record, size, 0, size);
            break;
        case 310:  // display flag, colour, NUL-terminated track identifier
            readable = readable && size >= 2;
            if (readable) name = RecordText(record, size, 2, size);
            break;
        default:
            readable = false;
            break;
    }
    if (!readable) {
        ShowMessage(
            FormatText("Route/Track Data Type(D%d) not defined at this time. \nUnable "
                       "to process Routes.",
                       headerType));
        return;
    }
    attributes.SetText(table, lineNumber, 0, name.c_str());
}

bool GarminDevice::AddLinePoint(GeometryStore& geometry, int pointType, const unsigned char* record,
                                int size, int lineNumber) {
    const PointLayout* layout = FindPointLayout(pointType);
    if (layout == nullptr || record == nullptr || size < layout->PositionSize()) {
        ShowPositionTypeMessage(pointType);
        return false;
    }
    const int point =
        geometry.FindOrAddPoint(layer, SemicirclesToDegrees(record + layout->longitude),
                                SemicirclesToDegrees(record + layout->latitude));
    if (point < 0) return false;
    if (previousPoint >= 0) geometry.AddVertex(layer, lineNumber, previousPoint, point);
    previousPoint = point;
    return true;
}

int GarminDevice::TransferRoutes(GeometryStore& geometry, AttributeStore& attributes,
                                 const char* fileName) {
    if (protocols.routeProtocol != 200 && protocols.routeProtocol != 201) {
        ShowMessage(
            FormatText("Route Protocol(A%d) not defined at this time. \nUnable to process Routes.",
                       protocols.routeProtocol));
        return 0;
    }
    if (!NewLineLayer(geometry, attributes, fileName, "Garmin GPS Routes",
                      protocols.routeHeaderType))
        return 0;

    int lineNumber = -1;
    int routeWaypoints = 0;
    const int recordCount =
        DownloadRecords(kCmdTransferRoutes, "Routes", [&](const DownloadPacket& packet) {
            if (packet.id == kPidRouteHeader) {
                ++lineNumber;
                NameLine(attributes, protocols.routeHeaderType, packet.data, packet.size,
                         lineNumber);
            } else if (packet.id == kPidRouteWaypoint) {
                ++routeWaypoints;
                // Links and waypoints alternate, so half the records are waypoints.
                ShowProgress(FormatText(" Transfering Routes %d of %d", routeWaypoints,
                                        packet.recordCount / 2));
                if (lineNumber < 0) {
                    // A waypoint before any header: an unnamed first line, with
                    // its record, rather than edges of no line at all.
                    lineNumber = 0;
                    attributes.SetText(table, 0, 0, "");
                }
                AddLinePoint(geometry, protocols.routeWaypointType, packet.data, packet.size,
                             lineNumber);
            }
            return true;  // route links and anything else: skipped
        });
    geometry.ComputeExtent(layer);
    return recordCount;
}

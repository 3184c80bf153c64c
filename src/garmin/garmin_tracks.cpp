// The track log transfers: as a line layer (one line per track) and as a point
// layer (one point and record per track point).

#include <string>

#include "core/fixed_text.h"
#include "core/user_feedback.h"
#include "garmin/garmin_device.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

// The track protocol check of both track transfers: true when the log can be
// read. A receiver without a track log (protocol 0) is passed over silently.
bool TrackProtocolKnown(int trackProtocol) {
    if (trackProtocol == 0) return false;
    if (trackProtocol == 300 || trackProtocol == 301) return true;
    ShowMessage(
        FormatText("Track Protocol(A%d) not defined at this time. \nUnable to process Tracks.",
                   trackProtocol));
    return false;
}

// A300 logs are all points of track type 1; A301 logs have headers of type 1
// and points of type 2.
int TrackPointType(const ProtocolTable& protocols) {
    return protocols.trackProtocol == 300 ? protocols.trackType1 : protocols.trackType2;
}

}  // namespace

int GarminDevice::TransferTrackLines(GeometryStore& geometry, AttributeStore& attributes,
                                     const char* fileName) {
    if (!TrackProtocolKnown(protocols.trackProtocol)) return 0;
    if (!NewLineLayer(geometry, attributes, fileName, "Garmin GPS Tracks", protocols.trackType1))
        return 0;

    const int pointType = TrackPointType(protocols);
    int lineNumber = -1;
    int trackPoints = 0;
    const int recordCount = DownloadRecords(
        kCmdTransferTrackLog, "Track Log as Lines", [&](const DownloadPacket& packet) {
            if (packet.id == kPidTrackHeader) {
                ++lineNumber;
                NameLine(attributes, protocols.trackType1, packet.data, packet.size, lineNumber);
            } else if (packet.id == kPidTrackPoint) {
                // A log without headers is one line.
                if (lineNumber == -1) {
                    attributes.SetText(table, 0, 0, "Track #1");
                    lineNumber = 0;
                }
                ++trackPoints;
                ShowProgress(FormatText(" Transfering Track Log as Lines %d of %d", trackPoints,
                                        packet.recordCount));
                AddLinePoint(geometry, pointType, packet.data, packet.size, lineNumber);
            }
            return true;
        });
    geometry.ComputeExtent(layer);
    return recordCount;
}

int GarminDevice::TransferTrackPoints(GeometryStore& geometry, AttributeStore& attributes,
                                      const char* fileName) {
    if (!TrackProtocolKnown(protocols.trackProtocol)) return 0;
    // "Tracks" gives "TracksPts", cut to the layer's file name field.
    char pointsFileName[sizeof(GeometryLayer::fileName)];
    CopyFixedText(pointsFileName, (std::string(fileName ? fileName : "") + "Pts").c_str());
    const int pointType = TrackPointType(protocols);
    if (!NewPointLayer(geometry, attributes, nullptr, pointsFileName, "Garmin GPS Tracks(Pts)",
                       pointType))
        return 0;

    int trackPoints = 0;
    const int recordCount = DownloadRecords(
        kCmdTransferTrackLog, "Track Log as Points", [&](const DownloadPacket& packet) {
            if (packet.id == kPidTrackPoint) {
                ++trackPoints;
                ShowProgress(FormatText(" Transfering Track Log as Points %d of %d", trackPoints,
                                        packet.recordCount));
                AddPoint(geometry, attributes, pointType, packet.data, packet.size);
            }
            return true;  // headers and anything else: skipped
        });
    geometry.ComputeExtent(layer);
    return recordCount;
}

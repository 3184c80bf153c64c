// The waypoint transfer and the point layers it (and the track log as points)
// fills: one point and one attribute record per waypoint packet.

#include "core/byte_order.h"
#include "core/user_feedback.h"
#include "garmin/garmin_device.h"
#include "garmin/garmin_time.h"
#include "garmin/record_layouts.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pictures/picture_set.h"

namespace {

// The waypoint table's "Comment", which the picture matching reads as a time.
constexpr int kCommentField = 3;
// Records a new point table starts with; it grows as needed.
constexpr int kInitialRecords = 500;

}  // namespace

bool GarminDevice::NewPointLayer(GeometryStore& geometry, AttributeStore& attributes,
                                 PictureSet* pictures, const char* fileName, const char* layerName,
                                 int dataType) {
    const PointLayout* layout = FindPointLayout(dataType);
    if (layout == nullptr) {
        ShowMessage(
            FormatText("NewPointLayer(): Waypoint Data Type(D%d) not defined at this "
                       "time. \nUnable to process Waypoints.",
                       dataType));
        return false;
    }
    if (!AddLayerAndTable(geometry, attributes, fileName, layerName, 0)) return false;
    for (int i = 0; i < layout->columnCount; ++i) {
        const ColumnField field = FieldOfColumn(layout->Column(i));
        attributes.AddField(table, field.name, field.type, field.width, field.decimals);
    }
    if (pictures != nullptr) pictures->AddPictureFields(attributes, table);
    attributes.ReserveRecords(table, kInitialRecords);
    return true;
}

int GarminDevice::AddPoint(GeometryStore& geometry, AttributeStore& attributes, int dataType,
                           const unsigned char* record, int size) {
    const PointLayout* layout = FindPointLayout(dataType);
    // A record too short for its layout (from a receiver that lies about it)
    // is refused like a layout we cannot read: its fields are not there.
    if (layout == nullptr || record == nullptr || size < layout->minimumSize) {
        ShowMessage(
            FormatText("AddPoint(): Waypoint Data Type(D%d) not defined at this time. "
                       "\nUnable to process Waypoints.",
                       dataType));
        return -1;
    }
    const double latitude = SemicirclesToDegrees(record + layout->latitude);
    const double longitude = SemicirclesToDegrees(record + layout->longitude);
    // The record has the point's index: a waypoint at the position of an
    // earlier one overwrites that one's record.
    const int point = geometry.FindOrAddPoint(layer, longitude, latitude);
    if (point < 0) return -1;

    for (int field = 0; field < layout->columnCount; ++field) {
        switch (layout->Column(field)) {
            case PointColumn::kIdent: {
                const int length = layout->identLength > 0 ? layout->identLength : size;
                attributes.SetText(table, point, field,
                                   RecordText(record, size, layout->ident, length).c_str());
                break;
            }
            case PointColumn::kLongitude:
                attributes.SetNumber(table, point, field, longitude);
                break;
            case PointColumn::kLatitude:
                attributes.SetNumber(table, point, field, latitude);
                break;
            case PointColumn::kComment: {
                std::string comment;
                if (layout->comment == PointLayout::kAfterIdent) {
                    const unsigned char* ident = record + layout->ident;
                    const int rest = size - layout->ident;
                    const char* after = NthStringAfter(1, ident, rest);
                    if (after != nullptr) {
                        const int offset = static_cast<int>(
                            reinterpret_cast<const unsigned char*>(after) - record);
                        comment = RecordText(record, size, offset, size);
                    }
                } else {
                    comment = RecordText(record, size, layout->comment, 40);
                }
                attributes.SetText(table, point, field, comment.c_str());
                break;
            }
            case PointColumn::kAltitude:
                if (layout->altitude == PointLayout::kNone) {
                    // D101 has the field but no altitude: blank, dBASE's "no value".
                    attributes.SetText(table, point, field, "");
                } else if (layout->altitudeIsFloat) {
                    attributes.SetNumber(table, point, field,
                                         GetLEFloat(record + layout->altitude));
                } else {
                    attributes.SetNumber(table, point, field,
                                         static_cast<int16_t>(GetLE16(record + layout->altitude)));
                }
                break;
            case PointColumn::kTime:
                attributes.SetText(
                    table, point, field,
                    FormatGarminTime(kGarminEpochJulianDay, 0, GetLE32(record + layout->time))
                        .c_str());
                break;
            case PointColumn::kDepth:
                attributes.SetNumber(table, point, field, GetLEFloat(record + layout->depth));
                break;
        }
    }
    return point;
}

int GarminDevice::TransferWaypoints(GeometryStore& geometry, AttributeStore& attributes,
                                    PictureSet* pictures, const char* fileName) {
    if (protocols.waypointProtocol != 100) {
        ShowMessage(
            FormatText("Waypoint Protocol(A%d) not defined at this time. \nUnable to "
                       "process Waypoints.",
                       protocols.waypointProtocol));
        return 0;
    }
    const int type = protocols.waypointType;
    if (!NewPointLayer(geometry, attributes, pictures, fileName, "Garmin GPS Waypoints", type))
        return 0;

    int waypoints = 0;
    const int recordCount =
        DownloadRecords(kCmdTransferWaypoints, "Waypoints", [&](const DownloadPacket& packet) {
            if (packet.id != kPidWaypoint) {
                ShowMessage(
                    FormatText("Waypoint Protocol Packet ID(%d) not defined at this "
                               "time. \nUnable to complete Waypoints.",
                               packet.id));
                return false;
            }
            ++waypoints;
            ShowProgress(
                FormatText(" Transfering Waypoints %d of %d", waypoints, packet.recordCount));
            AddPoint(geometry, attributes, type, packet.data, packet.size);
            return true;
        });
    geometry.ComputeExtent(layer);
    if (pictures != nullptr) pictures->MatchPictures(attributes, table, kCommentField);
    return recordCount;
}

#include "garmin/garmin_download.h"

#include <string>

#include "core/byte_order.h"
#include "core/fixed_text.h"
#include "core/text_encoding.h"
#include "core/user_feedback.h"
#include "garmin/garmin_time.h"
#include "garmin/record_layouts.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pictures/picture_set.h"

namespace {

// The waypoint table's "Comment", which the picture matching reads as a time.
constexpr int kCommentField = 3;
// Points, edges and records a new layer starts with; they grow as needed.
constexpr int kInitialPoints = 500;
constexpr int kInitialEdges = 500;
constexpr int kInitialRecords = 500;
// Width of a line's name.
constexpr int kLineNameWidth = 40;

// clang-format off
//                                     cmd rec rHdr rWpt link tHdr tPt wpt done abort rte trk wpt
constexpr GarminLinkIds kLinkL001 = {10, 27, 29,  30,  98,  99,  34, 35, 12,  0,    4,  6,  7};
// No track log and no route links on L002/A011.
constexpr GarminLinkIds kLinkL002 = {11, 35, 37,  39,  -1,  -1,  -1, 43, 12,  0,    8,  -1, 21};
// clang-format on

// Receivers keep their texts in Windows-1252; the stores hold UTF-8.
std::string ReceiverText(const std::string& bytes) {
    return Windows1252ToUtf8(bytes.data(), bytes.size());
}

void ShowPointTypeMessage(const char* prefix, int dataType) {
    ShowMessage(
        FormatText("%sWaypoint Data Type(D%d) not defined at this time. \nUnable to "
                   "process Waypoints.",
                   prefix, dataType));
}

void ShowHeaderTypeMessage(int headerType) {
    ShowMessage(FormatText(
        "Route/Track Data Type(D%d) not defined at this time. \nUnable to process Routes.",
        headerType));
}

bool IsTrackProtocol(int protocol) {
    return protocol == 300 || protocol == 301 || protocol == 302;
}

}  // namespace

const char kNoTrackLogMessage[] = "This GPS keeps no track log: the track log was not transferred.";

const GarminLinkIds& GarminLink(const ProtocolTable& protocols) {
    return protocols.linkProtocol == 2 ? kLinkL002 : kLinkL001;
}

GarminDownload::GarminDownload(Kind kind, const ProtocolTable& protocols, GeometryStore& geometry,
                               AttributeStore& attributes)
    : kind_(kind),
      protocols_(protocols),
      link_(GarminLink(protocols)),
      geometry_(geometry),
      attributes_(attributes) {}

const char* GarminDownload::What() const {
    switch (kind_) {
        case kWaypoints:
            return "Waypoints";
        case kRoutes:
            return "Routes";
        case kTrackLines:
            return "Track Log as Lines";
        case kTrackPoints:
            break;
    }
    return "Track Log as Points";
}

int GarminDownload::Command() const {
    switch (kind_) {
        case kWaypoints:
            return link_.commandWaypoints;
        case kRoutes:
            return link_.commandRoutes;
        default:
            return link_.commandTracks;
    }
}

int GarminDownload::PointType() const {
    switch (kind_) {
        case kWaypoints:
            return protocols_.waypointType;
        case kRoutes:
            return protocols_.routeWaypointType;
        default:
            // A300 logs are all points of track type 1; A301 and A302 logs have
            // headers of type 1 and points of type 2.
            return protocols_.trackProtocol == 300 ? protocols_.trackType1 : protocols_.trackType2;
    }
}

bool GarminDownload::Begin(const char* fileName, PictureSet* pictures) {
    pictures_ = pictures;
    switch (kind_) {
        case kWaypoints:
            if (protocols_.waypointProtocol != 100) {
                ShowMessage(
                    FormatText("Waypoint Protocol(A%d) not defined at this time. \nUnable "
                               "to process Waypoints.",
                               protocols_.waypointProtocol));
                return false;
            }
            return NewPointLayer(pictures, fileName, "Garmin GPS Waypoints", PointType());
        case kRoutes:
            if (protocols_.routeProtocol != 200 && protocols_.routeProtocol != 201) {
                ShowMessage(FormatText(
                    "Route Protocol(A%d) not defined at this time. \nUnable to process Routes.",
                    protocols_.routeProtocol));
                return false;
            }
            // Layouts we cannot read are found before the receiver is asked.
            if (FindHeaderLayout(protocols_.routeHeaderType) == nullptr) {
                ShowHeaderTypeMessage(protocols_.routeHeaderType);
                return false;
            }
            if (FindPointLayout(PointType()) == nullptr) {
                ShowPointTypeMessage("", PointType());
                return false;
            }
            return NewLineLayer(fileName, "Garmin GPS Routes");
        case kTrackLines:
        case kTrackPoints:
            break;
    }
    if (link_.commandTracks < 0) {
        ShowMessage(kNoTrackLogMessage);
        return false;
    }
    // A receiver without a track log is passed over silently.
    if (protocols_.trackProtocol == 0) return false;
    if (!IsTrackProtocol(protocols_.trackProtocol)) {
        ShowMessage(
            FormatText("Track Protocol(A%d) not defined at this time. \nUnable to process Tracks.",
                       protocols_.trackProtocol));
        return false;
    }
    if (kind_ == kTrackPoints) {
        // "Tracks" gives "TracksPts", cut to the layer's file name field.
        char pointsFileName[sizeof(GeometryLayer::fileName)];
        CopyFixedText(pointsFileName, (std::string(fileName ? fileName : "") + "Pts").c_str());
        return NewPointLayer(nullptr, pointsFileName, "Garmin GPS Tracks(Pts)", PointType());
    }
    if (protocols_.trackProtocol != 300 && FindHeaderLayout(protocols_.trackType1) == nullptr) {
        ShowHeaderTypeMessage(protocols_.trackType1);
        return false;
    }
    if (FindPointLayout(PointType()) == nullptr) {
        ShowPointTypeMessage("", PointType());
        return false;
    }
    return NewLineLayer(fileName, "Garmin GPS Tracks");
}

bool GarminDownload::MakeLayerAndTable(const char* fileName, const char* layerName,
                                       int edgeCapacity) {
    layer = geometry_.AddLayer(layerName, fileName, kInitialPoints, edgeCapacity, 0);
    if (layer < 0) return false;
    table = attributes_.AddTable(layerName, fileName);
    if (table < 0) {
        // A layer without its table would be saved without attributes.
        geometry_.DeleteLayer(layer);
        layer = -1;
        return false;
    }
    geometry_.Layer(layer).attributeTable = table;
    return true;
}

bool GarminDownload::NewPointLayer(PictureSet* pictures, const char* fileName,
                                   const char* layerName, int dataType) {
    const PointLayout* layout = FindPointLayout(dataType);
    if (layout == nullptr) {
        ShowPointTypeMessage("NewPointLayer(): ", dataType);
        return false;
    }
    if (!MakeLayerAndTable(fileName, layerName, 0)) return false;
    for (int i = 0; i < layout->columnCount; ++i) {
        const ColumnField field = FieldOfColumn(layout->Column(i));
        attributes_.AddField(table, field.name, field.type, field.width, field.decimals);
    }
    if (pictures != nullptr) pictures->AddPictureFields(attributes_, table);
    attributes_.ReserveRecords(table, kInitialRecords);
    return true;
}

bool GarminDownload::NewLineLayer(const char* fileName, const char* layerName) {
    if (!MakeLayerAndTable(fileName, layerName, kInitialEdges)) return false;
    attributes_.AddField(table, "Ident", 'C', kLineNameWidth, 0);
    previousPoint = -1;
    lineNumber = -1;
    return true;
}

int GarminDownload::AddPoint(int dataType, const unsigned char* record, int size) {
    const PointLayout* layout = FindPointLayout(dataType);
    // A record too short for its layout (from a receiver that lies about it)
    // is refused like a layout we cannot read: its fields are not there.
    if (layout == nullptr || record == nullptr || size < layout->minimumSize) {
        ShowPointTypeMessage("AddPoint(): ", dataType);
        return -1;
    }
    if (IsNoPosition(record + layout->latitude, record + layout->longitude)) {
        ++leftOut_;
        return -2;
    }
    const double latitude = SemicirclesToDegrees(record + layout->latitude);
    const double longitude = SemicirclesToDegrees(record + layout->longitude);
    // Every record is its own point, also two at one position.
    const int point = geometry_.AppendPoint(layer, longitude, latitude);
    if (point < 0) return -1;

    auto setFloat = [&](int field, int offset) {
        const float value = GetLEFloat(record + offset);
        if (IsNotAvailable(value))
            attributes_.SetText(table, point, field, "");
        else
            attributes_.SetNumber(table, point, field, value);
    };
    for (int field = 0; field < layout->columnCount; ++field) {
        switch (layout->Column(field)) {
            case PointColumn::kIdent: {
                const int length = layout->identLength > 0 ? layout->identLength : size;
                attributes_.SetText(
                    table, point, field,
                    ReceiverText(RecordText(record, size, layout->ident, length)).c_str());
                break;
            }
            case PointColumn::kLongitude:
                attributes_.SetNumber(table, point, field, longitude);
                break;
            case PointColumn::kLatitude:
                attributes_.SetNumber(table, point, field, latitude);
                break;
            case PointColumn::kComment: {
                std::string comment;
                if (layout->comment == PointLayout::kAfterIdent) {
                    const unsigned char* ident = record + layout->ident;
                    const char* after = NthStringAfter(1, ident, size - layout->ident);
                    if (after != nullptr) {
                        const int offset = static_cast<int>(
                            reinterpret_cast<const unsigned char*>(after) - record);
                        comment = RecordText(record, size, offset, size);
                    }
                } else {
                    comment = RecordText(record, size, layout->comment, 40);
                }
                attributes_.SetText(table, point, field, ReceiverText(comment).c_str());
                break;
            }
            case PointColumn::kAltitude:
                if (layout->altitudeKind == NumberKind::kFloat)
                    setFloat(field, layout->altitude);
                else if (layout->altitudeKind == NumberKind::kInt16)
                    attributes_.SetNumber(table, point, field,
                                          static_cast<int16_t>(GetLE16(record + layout->altitude)));
                else  // D101 has the field but no altitude: blank, dBASE's "no value".
                    attributes_.SetText(table, point, field, "");
                break;
            case PointColumn::kTime: {
                const uint32_t seconds = GetLE32(record + layout->time);
                attributes_.SetText(
                    table, point, field,
                    IsNoTime(seconds)
                        ? ""
                        : FormatGarminTime(kGarminEpochJulianDay, 0, seconds).c_str());
                break;
            }
            case PointColumn::kDepth:
                if (layout->depth == PointLayout::kNone)
                    attributes_.SetText(table, point, field, "");
                else
                    setFloat(field, layout->depth);
                break;
            case PointColumn::kTemperature:
                setFloat(field, layout->temperature);
                break;
            case PointColumn::kHeartRate: {
                const int rate = record[layout->heartRate];
                if (rate == 0)
                    attributes_.SetText(table, point, field, "");
                else
                    attributes_.SetNumber(table, point, field, rate);
                break;
            }
        }
    }
    return point;
}

bool GarminDownload::NameLine(int headerType, const unsigned char* record, int size) {
    const HeaderLayout* header = FindHeaderLayout(headerType);
    if (header == nullptr || size < header->minimumSize || (record == nullptr && size > 0)) {
        ShowHeaderTypeMessage(headerType);
        return false;
    }
    // Each header starts a line of its own, with its own record, even when it
    // repeats the one before or no position follows.
    ++lineNumber;
    previousPoint = -1;
    pendingNewSegment_ = false;
    std::string name;
    switch (header->name) {
        case HeaderLayout::kNumbered:
            name = FormatText("Route #%d", lineNumber);
            break;
        case HeaderLayout::kFixedText:
            name = ReceiverText(RecordText(record, size, header->offset, header->textLength));
            break;
        case HeaderLayout::kNulText:
            name = ReceiverText(RecordText(record, size, header->offset, size));
            break;
        case HeaderLayout::kIndex:
            name = FormatText("%u", static_cast<unsigned>(GetLE16(record + header->offset)));
            break;
    }
    attributes_.SetText(table, lineNumber, 0, name.c_str());
    return true;
}

bool GarminDownload::AddLinePoint(int pointType, const unsigned char* record, int size) {
    const PointLayout* layout = FindPointLayout(pointType);
    if (layout == nullptr || record == nullptr || size < layout->PositionSize()) {
        ShowPointTypeMessage("", pointType);
        return false;
    }
    const bool newSegment = layout->newTrack != PointLayout::kNone && size > layout->newTrack &&
                            record[layout->newTrack] != 0;
    if (IsNoPosition(record + layout->latitude, record + layout->longitude)) {
        // Left out, but a segment it began begins at the next point with a position.
        ++leftOut_;
        pendingNewSegment_ = pendingNewSegment_ || newSegment;
        return true;
    }
    if (lineNumber < 0) {
        // Positions before any header: an unnamed first line ("Track #1" for a
        // track log, which may have no headers at all), with its record.
        lineNumber = 0;
        attributes_.SetText(table, 0, 0, kind_ == kRoutes ? "" : "Track #1");
    }
    if (newSegment || pendingNewSegment_) previousPoint = -1;
    pendingNewSegment_ = false;
    const double x = SemicirclesToDegrees(record + layout->longitude);
    const double y = SemicirclesToDegrees(record + layout->latitude);
    // A segment's first point is a point of its own, so that the segment stays
    // a part of its own even where it begins at the end of the one before.
    const int point = previousPoint < 0 ? geometry_.AppendPoint(layer, x, y)
                                        : geometry_.FindOrAddPoint(layer, x, y);
    if (point < 0) return false;
    // The segment number is the line's record number + 1, so that the writer
    // pairs the shape with its record however the edges join.
    if (previousPoint >= 0) geometry_.AddVertex(layer, lineNumber + 1, previousPoint, point);
    previousPoint = point;
    return true;
}

GarminDownload::Step GarminDownload::Unexpected(int id) {
    switch (kind_) {
        case kWaypoints:
            ShowMessage(
                FormatText("Waypoint Protocol Packet ID(%d) not defined at this time. "
                           "\nUnable to complete Waypoints.",
                           id));
            break;
        case kRoutes:
            ShowMessage(
                FormatText("Route Protocol Packet ID(%d) not defined at this time. "
                           "\nUnable to complete Routes.",
                           id));
            break;
        default:
            ShowMessage(
                FormatText("Track Protocol Packet ID(%d) not defined at this time. "
                           "\nUnable to complete Tracks.",
                           id));
            break;
    }
    return kStop;
}

GarminDownload::Step GarminDownload::HandlePacket(int id, const unsigned char* data, int size) {
    if (id == link_.transferComplete) return kComplete;
    if (!recordsSeen_) {
        recordsSeen_ = true;
        if (id == link_.records) {
            // The number of packets that follow (signed 16-bit).
            recordCount_ = size >= 2 ? static_cast<int16_t>(GetLE16(data)) : 0;
            return kGoOn;
        }
    }
    return HandleRecord(id, data, size);
}

GarminDownload::Step GarminDownload::HandleRecord(int id, const unsigned char* data, int size) {
    const bool headers = protocols_.trackProtocol != 300;
    switch (kind_) {
        case kWaypoints:
            if (id != link_.waypoint) return Unexpected(id);
            ++received_;
            ShowProgress(FormatText(" Transfering Waypoints %d of %d", received_, recordCount_));
            return AddPoint(PointType(), data, size) == -1 ? kStop : kGoOn;
        case kRoutes:
            ++received_;
            if (id == link_.routeHeader)
                return NameLine(protocols_.routeHeaderType, data, size) ? kGoOn : kStop;
            if (id == link_.routeLink) return kGoOn;
            if (id != link_.routeWaypoint) return Unexpected(id);
            ++routeWaypoints_;
            // Links and waypoints alternate, so half the records are waypoints.
            ShowProgress(
                FormatText(" Transfering Routes %d of %d", routeWaypoints_, recordCount_ / 2));
            return AddLinePoint(PointType(), data, size) ? kGoOn : kStop;
        case kTrackLines:
            ++received_;
            if (headers && id == link_.trackHeader)
                return NameLine(protocols_.trackType1, data, size) ? kGoOn : kStop;
            if (id != link_.trackPoint) return Unexpected(id);
            ++trackPoints_;
            ShowProgress(
                FormatText(" Transfering Track Log as Lines %d of %d", trackPoints_, recordCount_));
            return AddLinePoint(PointType(), data, size) ? kGoOn : kStop;
        case kTrackPoints:
            ++received_;
            if (headers && id == link_.trackHeader) return kGoOn;
            if (id != link_.trackPoint) return Unexpected(id);
            ++trackPoints_;
            ShowProgress(FormatText(" Transfering Track Log as Points %d of %d", trackPoints_,
                                    recordCount_));
            return AddPoint(PointType(), data, size) == -1 ? kStop : kGoOn;
    }
    return kStop;
}

void GarminDownload::Finish() {
    if (layer < 0) return;
    geometry_.ComputeExtent(layer);
    if (kind_ == kWaypoints && pictures_ != nullptr) {
        // Layouts with a time of their own (D110) fall back on it.
        const PointLayout* layout = FindPointLayout(PointType());
        pictures_->MatchPictures(attributes_, table, kCommentField,
                                 layout ? layout->FieldOf(PointColumn::kTime) : -1);
    }
    if (leftOut_ > 0)
        ShowMessage(FormatText("%s: %d record%s without a position %s left out.", What(), leftOut_,
                               leftOut_ == 1 ? "" : "s", leftOut_ == 1 ? "was" : "were"));
}

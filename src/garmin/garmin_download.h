#pragma once
// What one Garmin download does with each packet it receives: the record
// decoding and the storing into a new layer and its table. GarminDevice's
// transfers send the command and feed every received packet to HandlePacket
// until it says the download is over; nothing here touches the port, so the
// decoding is tested from byte tables.
//
//   GarminDownload download(GarminDownload::kRoutes, protocols, geometry, attributes);
//   if (download.Begin("Routes")) {            // layouts readable, layer made
//       send download.CommandPacketId() with download.Command();
//       while (download.HandlePacket(id, data, size) == GarminDownload::kGoOn) ...
//   }
//   download.Finish();                          // extent, pictures, left-out count
//
// Point layers (waypoints, track points) get one point and one record per
// record that has a position, appended in arrival order. Line layers (routes,
// tracks) get one record per line; each edge carries its line's record number
// + 1 as segment number, and a track segment that begins inside a line is an
// edge that does not join the one before, so the line stays one record.

#include <cstdint>

#include "garmin/protocol_table.h"

class GeometryStore;
class AttributeStore;
class PictureSet;

// Packet IDs and command numbers of one link: L001 with A010, or L002 with
// A011 (older aviation units, which have no track log and no route links).
struct GarminLinkIds {
    int command;
    int records;
    int routeHeader;
    int routeWaypoint;
    int routeLink;  // -1: none on this link
    int trackHeader;
    int trackPoint;
    int waypoint;
    int transferComplete;
    int commandAbort;
    int commandRoutes;
    int commandTracks;  // -1: no track log
    int commandWaypoints;
};
const GarminLinkIds& GarminLink(const ProtocolTable& protocols);
// What a track transfer says on a link without a track log.
extern const char kNoTrackLogMessage[];

class GarminDownload {
  public:
    enum Kind { kWaypoints, kRoutes, kTrackLines, kTrackPoints };
    // HandlePacket results.
    enum Step {
        kGoOn,      // more packets to come
        kComplete,  // the transfer-complete packet came
        kStop,      // a packet of another ID or an unreadable record: its message is shown
    };

    GarminDownload(Kind kind, const ProtocolTable& protocols, GeometryStore& geometry,
                   AttributeStore& attributes);

    // Checks that the receiver's protocol and record layouts can be read and makes
    // the layer and its table. False when no command should be sent: a message has
    // been shown, except for a receiver without a track log, which is passed over.
    // `pictures` (may be null) gets its fields added to a waypoint table.
    bool Begin(const char* fileName, PictureSet* pictures = nullptr);

    int CommandPacketId() const { return link_.command; }
    int Command() const;
    int AbortCommand() const { return link_.commandAbort; }
    // "Waypoints", "Routes", "Track Log as Lines", "Track Log as Points".
    const char* What() const;

    // Handles one received packet: the records packet first, then the records,
    // then the transfer-complete packet.
    Step HandlePacket(int id, const unsigned char* data, int size);

    // Ends the download: the layer's extent, the picture matching of a waypoint
    // layer, and one message when records without a position were left out.
    void Finish();

    int RecordCount() const { return recordCount_; }  // as the records packet announced
    int Received() const { return received_; }        // records handled so far
    int LeftOut() const { return leftOut_; }

    // Record decoding, also for tests and the fuzz harness. `record` holds `size`
    // bytes of packet data; nothing is read beyond them.
    bool NewPointLayer(PictureSet* pictures, const char* fileName, const char* layerName,
                       int dataType);
    // Appends the point and its record: its index, -2 when the record has no
    // position (left out and counted), or -1 after a message (too short).
    int AddPoint(int dataType, const unsigned char* record, int size);
    bool NewLineLayer(const char* fileName, const char* layerName);
    // Starts the next line, named after its header record; false after a message.
    bool NameLine(int headerType, const unsigned char* record, int size);
    // Adds a position to the current line (starting an unnamed one when there is
    // none yet); false after a message.
    bool AddLinePoint(int pointType, const unsigned char* record, int size);

    std::int32_t layer = -1;
    std::int32_t table = -1;
    std::int32_t previousPoint = -1;  // last point of the current segment, -1 to start one
    std::int32_t lineNumber = -1;     // record of the current line, -1 before the first

  private:
    bool MakeLayerAndTable(const char* fileName, const char* layerName, int edgeCapacity);
    bool CheckLayouts() const;
    int PointType() const;
    Step Unexpected(int id);
    Step HandleRecord(int id, const unsigned char* data, int size);

    Kind kind_;
    ProtocolTable protocols_;
    const GarminLinkIds& link_;
    GeometryStore& geometry_;
    AttributeStore& attributes_;
    PictureSet* pictures_ = nullptr;
    bool recordsSeen_ = false;
    int recordCount_ = 0;
    int received_ = 0;
    int leftOut_ = 0;
    int routeWaypoints_ = 0;  // progress counters
    int trackPoints_ = 0;
    // A point without a position that began a segment hands that on.
    bool pendingNewSegment_ = false;
};

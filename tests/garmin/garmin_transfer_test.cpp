// Whole transfers against a scripted receiver on a pseudo-terminal: what each
// download makes of the packets, its progress texts, and how it ends when the
// receiver falls silent or sends what it should not.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "garmin/garmin_device.h"
#include "garmin/protocol_table_file.h"
#include "garmin_frames.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pty_pair.h"
#include "recording_feedback.h"
#include "test_files.h"

namespace {

using Packet = std::pair<int, Bytes>;

// What the receiver sends after the host's command.
struct Script {
    std::vector<Packet> packets;  // between the records packet and transfer complete
    int announced = -1;           // the records packet's count; -1: packets.size()
    int silentAfter = -1;         // falls silent after this many of `packets`
    bool complete = true;         // ends with the transfer-complete packet
};

Bytes D108(double lat, double lon, const std::string& ident) {
    return RecordBuilder(48).Position(24, 28, lat, lon).Then(ident + std::string(2, '\0'));
}
Bytes D100(double lat, double lon) {
    return RecordBuilder(58, ' ').Position(6, 10, lat, lon).bytes;
}
// Position, time, altitude, no depth, new-track flag.
Bytes D301(double lat, double lon, uint32_t time) {
    return RecordBuilder(21)
        .Position(0, 4, lat, lon)
        .U32(8, time)
        .Float(12, 250)
        .Float(16, 1e25f)
        .bytes;
}
Bytes D310(const std::string& name) {
    return RecordBuilder(2, 1).Then(name + '\0');
}

ProtocolTable Protocols(const std::vector<std::string>& capabilities) {
    Bytes data = CapabilityData(capabilities);
    ProtocolTable table;
    ParseCapabilityList(data.data(), static_cast<int>(data.size()), &table);
    return table;
}
ProtocolTable Current() {
    return Protocols({"A100", "D108", "A201", "D202", "D108", "D210", "A301", "D310", "D301"});
}
ProtocolTable Old() {
    return Protocols({"A100", "D100", "A200", "D200", "D100", "A300", "D300"});
}

// Sends one packet until the host acknowledges it (a NAK asks again).
bool SendAcknowledged(PtyPair& peer, int id, const Bytes& data) {
    for (int tries = 0; tries < 6; ++tries) {
        peer.Send(GarminFrame(id, data));
        HostFrame answer;
        if (!ReadHostFrame(peer, &answer, 1000)) return false;
        if (answer.id == kPidAck) return true;
    }
    return false;
}

// The receiver's side of one download; keeps the frames the host sent first.
void ServeDownload(PtyPair& peer, const Script& script, std::vector<HostFrame>* commands) {
    HostFrame command;
    if (!ReadHostFrame(peer, &command, 3000)) return;
    commands->push_back(command);
    peer.Send(GarminFrame(kPidAck, {static_cast<unsigned char>(command.id), 0}));
    Bytes count(2);
    PutLE16(count.data(), static_cast<uint16_t>(script.announced >= 0 ? script.announced
                                                                      : script.packets.size()));
    if (!SendAcknowledged(peer, kPidRecords, count)) return;
    for (size_t i = 0; i < script.packets.size(); ++i) {
        if (static_cast<int>(i) == script.silentAfter) return;
        if (!SendAcknowledged(peer, script.packets[i].first, script.packets[i].second)) return;
    }
    if (script.complete) SendAcknowledged(peer, kPidTransferComplete, command.data);
}

class GarminTransfer : public ::testing::Test {
  protected:
    GarminTransfer() {
        geometry.Clear();
        attributes.Clear();
        EXPECT_TRUE(gps.Port().Open(pty.SlavePath().c_str(), "9600,N,8,1"));
        gps.SetLinkTimeouts(200, 100);
    }

    // Runs `transfer` while the scripted receiver serves `script`.
    template <typename Transfer>
    int Run(const Script& script, Transfer transfer) {
        pty.StartPeer([this, script](PtyPair& peer) { ServeDownload(peer, script, &commands); });
        int result = transfer();
        pty.JoinPeer();
        return result;
    }
    int Waypoints(const Script& s) {
        return Run(
            s, [&] { return gps.TransferWaypoints(geometry, attributes, nullptr, "Waypoints"); });
    }
    int Routes(const Script& s) {
        return Run(s, [&] { return gps.TransferRoutes(geometry, attributes, "Routes"); });
    }
    int TrackLines(const Script& s) {
        return Run(s, [&] { return gps.TransferTrackLines(geometry, attributes, "Tracks"); });
    }
    int TrackPoints(const Script& s, const char* file = "Tracks") {
        return Run(s, [&] { return gps.TransferTrackPoints(geometry, attributes, file); });
    }

    // A field without the blanks that pad it.
    std::string Text(int record, int field) {
        char text[AttributeStore::kMaxFieldWidth + 1];
        attributes.GetText(gps.TableIndex(), record, field, text);
        std::string s = text;
        s.erase(0, s.find_first_not_of(' '));
        return s.erase(s.find_last_not_of(' ') + 1);
    }
    const GeometryLayer& Layer() { return geometry.Layer(gps.LayerIndex()); }
    std::vector<int> Segments() {
        std::vector<int> segments;
        for (int i = 0; i < Layer().vertexCount; ++i)
            segments.push_back(Layer().vertices[i].segment);
        return segments;
    }

    RecordingFeedback feedback;
    PtyPair pty;
    GarminDevice gps;
    GeometryStore geometry;
    AttributeStore attributes;
    std::vector<HostFrame> commands;
};

std::string Incomplete(const char* what, int received, int announced) {
    return FormatText(
        "%s transfer incomplete: no further packet came from the GPS after %d of %d "
        "records.\nThe records received are kept.",
        what, received, announced);
}

}  // namespace

TEST_F(GarminTransfer, RoutesBecomeOneNamedLineEach) {
    // Two D200 routes of three waypoints; the second passes the first's start.
    gps.SetProtocols(Old());
    Script script;
    script.packets = {{kPidRouteHeader, {0}},          {kPidRouteWaypoint, D100(1, 1)},
                      {kPidRouteWaypoint, D100(1, 2)}, {kPidRouteWaypoint, D100(1, 3)},
                      {kPidRouteHeader, {1}},          {kPidRouteWaypoint, D100(2, 1)},
                      {kPidRouteWaypoint, D100(1, 1)}, {kPidRouteWaypoint, D100(2, 3)}};
    script.announced = 10;
    EXPECT_EQ(Routes(script), 10);
    EXPECT_EQ(commands[0].data, Bytes({kCmdTransferRoutes, 0}));
    EXPECT_EQ(Layer().pointCount, 5);
    EXPECT_EQ(Segments(), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(Layer().vertices[2].toPoint, 0) << "the second route reuses the shared point";
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 2);
    EXPECT_EQ(Text(1, 0), "Route #1");
    // Against half the announced count.
    ASSERT_EQ(feedback.progress.size(), 6u);
    EXPECT_EQ(feedback.progress[5], " Transfering Routes 6 of 5");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminTransfer, TrackPointsFileNameLeavesNoRoomForPts) {
    gps.SetProtocols(Old());
    Script script;
    for (int i = 0; i < 3; ++i) script.packets.push_back({kPidTrackPoint, Bytes(13, i)});
    const std::string longName(128, 'T');
    TrackPoints(script, longName.c_str());
    EXPECT_EQ(commands[0].data, Bytes({kCmdTransferTrackLog, 0}));
    EXPECT_EQ(std::string(Layer().fileName), longName);
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 3);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminTransfer, AnA301RowOfTheTableFileHasNoTrackPointType) {
    // An A301 row of the table file names no track point type: the points are
    // skipped with a message each, and as points the download stops before its command.
    TempDir dir;
    std::ofstream(dir.File("QUORVEX.XRF"), std::ios::binary)
        << "500 NEWER UNIT        A100  D108 A201  D202  D108 A301  D310\n";
    ProtocolTable fromFile;
    ASSERT_TRUE(ReadProtocolTableFile(dir.File("QUORVEX.XRF"), 500, &fromFile));
    gps.SetProtocols(fromFile);
    Script script;
    script.packets = {{kPidTrackHeader, D310("HIKE")},
                      {kPidTrackPoint, D301(1, 1, 0)},
                      {kPidTrackPoint, D301(1, 2, 0)}};
    TrackLines(script);
    const std::string noType =
        "Waypoint Data Type(D0) not defined at this time. \nUnable to process Waypoints.";
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{noType, noType}));
    EXPECT_EQ(Text(0, 0), "HIKE");
    EXPECT_EQ(Layer().pointCount, 0);
    EXPECT_EQ(gps.TransferTrackPoints(geometry, attributes, "Tracks"), 0);
    EXPECT_EQ(feedback.messages.back(), "NewPointLayer(): " + noType);
    EXPECT_TRUE(pty.ReceiveUntilQuiet(100).empty());
}

TEST_F(GarminTransfer, ASilentReceiverEndsTheDownloadAndKeepsWhatCame) {
    gps.SetProtocols(Current());
    Script script;
    for (int i = 0; i < 20; ++i)
        script.packets.push_back({kPidWaypoint, D108(10 + i, 20, "W" + std::to_string(i))});
    script.silentAfter = 5;
    EXPECT_EQ(Waypoints(script), 20);
    EXPECT_EQ(commands[0].data, Bytes({kCmdTransferWaypoints, 0}));
    EXPECT_EQ(feedback.progress.size(), 5u);
    EXPECT_EQ(feedback.progress.back(), " Transfering Waypoints 5 of 20");
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{Incomplete("Waypoints", 5, 20)}));
    EXPECT_EQ(Layer().pointCount, 5);
    EXPECT_EQ(Text(4, 0), "W4");
    // The extent covers what arrived.
    EXPECT_NEAR(Layer().yMin, 10.0, 1e-7);
    EXPECT_NEAR(Layer().yMax, 14.0, 1e-7);
    EXPECT_NEAR(Layer().xMax, 20.0, 1e-7);

    // The same for routes (every record counts, headers too) and track points.
    feedback.messages.clear();
    script.packets = {{kPidRouteHeader, {'R', 0}},
                      {kPidRouteWaypoint, D108(1, 1, "A")},
                      {kPidRouteWaypoint, D108(1, 2, "B")},
                      {kPidRouteWaypoint, D108(1, 3, "C")}};
    script.silentAfter = 3;
    Routes(script);
    EXPECT_EQ(Layer().vertexCount, 1);
    EXPECT_NEAR(Layer().xMax, 2.0, 1e-7);
    script.packets = {{kPidTrackHeader, D310("T")}, {kPidTrackPoint, D301(1, 1, 0)}};
    script.silentAfter = 0;
    TrackPoints(script);
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{Incomplete("Routes", 3, 4),
                                        Incomplete("Track Log as Points", 0, 2)}));
}

TEST_F(GarminTransfer, StrayPacketsAndShortRecords) {
    gps.SetProtocols(Current());
    // A record cut short by the receiver is refused and the download goes on;
    // a packet that is not a waypoint ends it, keeping what came.
    Bytes cut = D108(2, 2, "CUT");
    cut.resize(40);
    Script script;
    script.packets = {{kPidWaypoint, D108(1, 1, "ONE")},
                      {kPidWaypoint, cut},
                      {kPidWaypoint, D108(3, 3, "THREE")},
                      {kPidTrackPoint, D301(4, 4, 0)}};
    script.complete = false;
    Waypoints(script);
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{
                  "AddPoint(): Waypoint Data Type(D108) not defined at this time. \nUnable to "
                  "process Waypoints.",
                  "Waypoint Protocol Packet ID(34) not defined at this time. \nUnable to complete "
                  "Waypoints."}));
    EXPECT_EQ(Layer().pointCount, 2);
    EXPECT_EQ(Text(1, 0), "THREE");
    EXPECT_NEAR(Layer().xMax, 3.0, 1e-7);
}

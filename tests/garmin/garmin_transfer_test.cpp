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
#include "pictures/picture_set.h"
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

void PutSemicircles(Bytes* record, int at, double degrees) {
    PutLE32(
        record->data() + at,
        static_cast<uint32_t>(static_cast<int32_t>(std::llround(degrees * 2147483648.0 / 180.0))));
}

// D108: the fixed part, then ident and comment with their NULs.
Bytes D108(double lat, double lon, const std::string& ident, const std::string& comment) {
    Bytes r(48, 0);
    PutSemicircles(&r, 24, lat);
    PutSemicircles(&r, 28, lon);
    PutLEFloat(r.data() + 32, 100.0f);
    r.insert(r.end(), ident.begin(), ident.end());
    r.push_back(0);
    r.insert(r.end(), comment.begin(), comment.end());
    r.push_back(0);
    return r;
}

// D100: six-character ident, position at 6, 40-character comment.
Bytes D100(double lat, double lon) {
    Bytes r(58, ' ');
    PutSemicircles(&r, 6, lat);
    PutSemicircles(&r, 10, lon);
    return r;
}

// D300/D301 track points: position, time, (altitude, depth), new-track flag.
Bytes TrackPoint(int type, double lat, double lon, uint32_t time) {
    Bytes r(type == 300 ? 13 : 21, 0);
    PutSemicircles(&r, 0, lat);
    PutSemicircles(&r, 4, lon);
    PutLE32(r.data() + 8, time);
    if (type == 301) {
        PutLEFloat(r.data() + 12, 250.0f);
        PutLEFloat(r.data() + 16, 1.0e25f);
    }
    return r;
}

Bytes D310(const std::string& name) {
    Bytes r = {1, 0xFF};
    r.insert(r.end(), name.begin(), name.end());
    r.push_back(0);
    return r;
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
    const int announced =
        script.announced >= 0 ? script.announced : static_cast<int>(script.packets.size());
    Bytes count(2);
    PutLE16(count.data(), static_cast<uint16_t>(announced));
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

    std::string Text(int record, int field) {
        char text[AttributeStore::kMaxFieldWidth + 1];
        attributes.GetText(gps.TableIndex(), record, field, text);
        // Without the blanks that pad the field.
        std::string s = text;
        const size_t first = s.find_first_not_of(' ');
        if (first == std::string::npos) return std::string();
        return s.substr(first, s.find_last_not_of(' ') + 1 - first);
    }
    const GeometryLayer& Layer() { return geometry.Layer(gps.LayerIndex()); }
    std::vector<int> Segments() {
        std::vector<int> segments;
        for (int i = 0; i < Layer().vertexCount; ++i)
            segments.push_back(Layer().vertices[i].segment);
        return segments;
    }
    // True when the host sent nothing for a while: no command went out.
    bool LineStaysQuiet() { return pty.ReceiveUntilQuiet(100).empty(); }

    RecordingFeedback feedback;
    PtyPair pty;
    GarminDevice gps;
    GeometryStore geometry;
    AttributeStore attributes;
    std::vector<HostFrame> commands;
};

ProtocolTable CurrentProtocols() {
    ProtocolTable p;
    p.waypointProtocol = 100;
    p.waypointType = 108;
    p.routeProtocol = 201;
    p.routeHeaderType = 202;
    p.routeWaypointType = 108;
    p.routeLinkType = 210;
    p.trackProtocol = 301;
    p.trackType1 = 310;
    p.trackType2 = 301;
    return p;
}

ProtocolTable OldProtocols() {
    ProtocolTable p;
    p.waypointProtocol = 100;
    p.waypointType = 100;
    p.routeProtocol = 200;
    p.routeHeaderType = 200;
    p.routeWaypointType = 100;
    p.trackProtocol = 300;
    p.trackType1 = 300;
    return p;
}

std::string Incomplete(const char* what, int received, int announced) {
    return FormatText(
        "%s transfer incomplete: no further packet came from the GPS after %d of %d "
        "records.\nThe records received are kept.",
        what, received, announced);
}

}  // namespace

TEST_F(GarminTransfer, WaypointsWithProgressExtentAndPictures) {
    gps.SetProtocols(CurrentProtocols());
    TempDir dir;
    // A camera's date text three minutes after the second waypoint.
    std::ofstream(dir.File("IMG_0001.JPG"), std::ios::binary) << "xxExif 2003:05:17 14:25:00 xx";
    PictureSet pictures;
    pictures.SelectPictures({dir.File("IMG_0001.JPG")});
    pictures.ComputeFieldWidth();

    Script script;
    script.packets = {{kPidWaypoint, D108(47.5, -122.25, "HOME", "17-MAY-03 08:00")},
                      {kPidWaypoint, D108(47.6, -122.5, "PARK", "17-MAY-03 14:22")},
                      {kPidWaypoint, D108(47.4, -122.0, "SHOP", "")}};
    int announced = Run(script, [&] {
        return gps.TransferWaypoints(geometry, attributes, &pictures, "Waypoints");
    });
    EXPECT_EQ(announced, 3);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, kPidCommand);
    EXPECT_EQ(commands[0].data, Bytes({kCmdTransferWaypoints, 0}));
    EXPECT_EQ(feedback.progress, (std::vector<std::string>{" Transfering Waypoints 1 of 3",
                                                           " Transfering Waypoints 2 of 3",
                                                           " Transfering Waypoints 3 of 3"}));
    EXPECT_TRUE(feedback.messages.empty());

    EXPECT_STREQ(Layer().name, "Garmin GPS Waypoints");
    EXPECT_STREQ(Layer().fileName, "Waypoints");
    EXPECT_EQ(Layer().pointCount, 3);
    EXPECT_NEAR(Layer().xMin, -122.5, 1e-7);
    EXPECT_NEAR(Layer().xMax, -122.0, 1e-7);
    EXPECT_NEAR(Layer().yMin, 47.4, 1e-7);
    EXPECT_NEAR(Layer().yMax, 47.6, 1e-7);
    EXPECT_EQ(Text(1, 0), "PARK");
    EXPECT_EQ(Text(2, 3), "");
    // The picture went to PARK's first picture field, after the five own fields.
    EXPECT_EQ(pictures.firstPictureField, 5);
    EXPECT_EQ(Text(1, 5), dir.File("IMG_0001.JPG"));
    EXPECT_EQ(Text(0, 5), "");
}

TEST_F(GarminTransfer, RoutesBecomeOneNamedLineEach) {
    // Two D200 routes of three waypoints; the second passes the first's start.
    gps.SetProtocols(OldProtocols());
    Script script;
    script.packets = {{kPidRouteHeader, {0}},          {kPidRouteWaypoint, D100(1, 1)},
                      {kPidRouteWaypoint, D100(1, 2)}, {kPidRouteWaypoint, D100(1, 3)},
                      {kPidRouteHeader, {1}},          {kPidRouteWaypoint, D100(2, 1)},
                      {kPidRouteWaypoint, D100(1, 1)}, {kPidRouteWaypoint, D100(2, 3)}};
    script.announced = 10;
    EXPECT_EQ(Run(script, [&] { return gps.TransferRoutes(geometry, attributes, "Routes"); }), 10);
    EXPECT_EQ(commands[0].data, Bytes({kCmdTransferRoutes, 0}));
    EXPECT_STREQ(Layer().name, "Garmin GPS Routes");
    EXPECT_EQ(Layer().pointCount, 5);
    EXPECT_EQ(Segments(), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(Layer().vertices[2].toPoint, 0) << "the second route reuses the shared point";
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 2);
    EXPECT_EQ(Text(0, 0), "Route #0");
    EXPECT_EQ(Text(1, 0), "Route #1");
    // Against half the announced count.
    ASSERT_EQ(feedback.progress.size(), 6u);
    EXPECT_EQ(feedback.progress[0], " Transfering Routes 1 of 5");
    EXPECT_EQ(feedback.progress[5], " Transfering Routes 6 of 5");
    EXPECT_NEAR(Layer().xMax, 3.0, 1e-7);

    // A201 with D202 names (cut to 40) and route links between the waypoints.
    gps.SetProtocols(CurrentProtocols());
    const std::string longName = "A ROUTE NAME THAT IS LONGER THAN FORTY CHARACTERS";
    Bytes header(longName.begin(), longName.end());
    header.push_back(0);
    const Bytes link(21, 0);
    script.packets = {{kPidRouteHeader, header},
                      {kPidRouteWaypoint, D108(5, 5, "A", "")},
                      {kPidRouteLink, link},
                      {kPidRouteWaypoint, D108(5, 6, "B", "")}};
    script.announced = -1;
    Run(script, [&] { return gps.TransferRoutes(geometry, attributes, "Routes2"); });
    EXPECT_EQ(Text(0, 0), longName.substr(0, 40));
    EXPECT_EQ(Layer().pointCount, 2);
    EXPECT_EQ(Layer().vertexCount, 1);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminTransfer, TrackLogsAsLinesAndAsPoints) {
    // An A300 log has no headers: one line "Track #1".
    gps.SetProtocols(OldProtocols());
    Script script;
    for (int i = 0; i < 100; ++i)
        script.packets.push_back({kPidTrackPoint, TrackPoint(300, 48 + i * 0.001, 11, 100 + i)});
    Run(script, [&] { return gps.TransferTrackLines(geometry, attributes, "Tracks"); });
    EXPECT_EQ(commands[0].data, Bytes({kCmdTransferTrackLog, 0}));
    EXPECT_STREQ(Layer().name, "Garmin GPS Tracks");
    EXPECT_EQ(Layer().vertexCount, 99);
    EXPECT_EQ(Segments(), std::vector<int>(99, 0));
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 1);
    EXPECT_EQ(Text(0, 0), "Track #1");
    EXPECT_EQ(feedback.progress.back(), " Transfering Track Log as Lines 100 of 100");

    // An A301 log of two tracks: two named lines with no edge between them.
    gps.SetProtocols(CurrentProtocols());
    script.packets = {
        {kPidTrackHeader, D310("MORNING")},          {kPidTrackPoint, TrackPoint(301, 1, 1, 0)},
        {kPidTrackPoint, TrackPoint(301, 1, 2, 60)}, {kPidTrackPoint, TrackPoint(301, 1, 3, 120)},
        {kPidTrackHeader, D310("EVENING")},          {kPidTrackPoint, TrackPoint(301, 2, 1, 600)},
        {kPidTrackPoint, TrackPoint(301, 2, 2, 660)}};
    Run(script, [&] { return gps.TransferTrackLines(geometry, attributes, "Tracks"); });
    EXPECT_EQ(Segments(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(Layer().vertices[2].fromPoint, 3);
    EXPECT_EQ(Text(0, 0), "MORNING");
    EXPECT_EQ(Text(1, 0), "EVENING");

    // As points: headers skipped, one record per point, "Pts" after the name.
    feedback.progress.clear();
    Run(script, [&] { return gps.TransferTrackPoints(geometry, attributes, "Tracks"); });
    EXPECT_STREQ(Layer().name, "Garmin GPS Tracks(Pts)");
    EXPECT_STREQ(Layer().fileName, "TracksPts");
    EXPECT_STREQ(attributes.Table(gps.TableIndex()).fileName, "TracksPts");
    EXPECT_EQ(Layer().pointCount, 5);
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 5);
    EXPECT_EQ(Text(1, 2), "12/31/1989  00:01:00");
    EXPECT_EQ(Text(1, 3), "250.0");
    EXPECT_EQ(feedback.progress.front(), " Transfering Track Log as Points 1 of 7");
    EXPECT_EQ(feedback.progress.size(), 5u);

    // A file name of 128 characters has no room left for "Pts".
    const std::string longName(128, 'T');
    Run(script, [&] { return gps.TransferTrackPoints(geometry, attributes, longName.c_str()); });
    EXPECT_EQ(std::string(Layer().fileName), longName);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminTransfer, AnA301RowOfTheTableFileHasNoTrackPointType) {
    TempDir dir;
    std::ofstream(dir.File("QUORVEX.XRF"), std::ios::binary)
        << "500 NEWER UNIT        A100  D108 A201  D202  D108 A301  D310\n";
    ProtocolTable fromFile;
    ASSERT_TRUE(ReadProtocolTableFile(dir.File("QUORVEX.XRF"), 500, &fromFile));
    EXPECT_EQ(fromFile.trackType2, 0);
    gps.SetProtocols(fromFile);

    Script script;
    script.packets = {{kPidTrackHeader, D310("HIKE")},
                      {kPidTrackPoint, TrackPoint(301, 1, 1, 0)},
                      {kPidTrackPoint, TrackPoint(301, 1, 2, 0)}};
    Run(script, [&] { return gps.TransferTrackLines(geometry, attributes, "Tracks"); });
    const std::string noType =
        "Waypoint Data Type(D0) not defined at this time. \nUnable to process Waypoints.";
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{noType, noType}));
    EXPECT_EQ(Text(0, 0), "HIKE");
    EXPECT_EQ(Layer().pointCount, 0);

    // As points the download stops before its command.
    feedback.messages.clear();
    EXPECT_EQ(gps.TransferTrackPoints(geometry, attributes, "Tracks"), 0);
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{"NewPointLayer(): Waypoint Data Type(D0) not defined at "
                                        "this time. \nUnable to process Waypoints."}));
    EXPECT_TRUE(LineStaysQuiet());
}

TEST_F(GarminTransfer, UnreadableProtocolsSendNoCommand) {
    const int layers = geometry.layerCount;
    ProtocolTable none;
    gps.SetProtocols(none);
    EXPECT_EQ(gps.TransferWaypoints(geometry, attributes, nullptr, "Waypoints"), 0);
    EXPECT_EQ(gps.TransferRoutes(geometry, attributes, "Routes"), 0);
    EXPECT_EQ(gps.TransferTrackLines(geometry, attributes, "Tracks"), 0);
    EXPECT_EQ(gps.TransferTrackPoints(geometry, attributes, "Tracks"), 0);
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{
                  "Waypoint Protocol(A0) not defined at this time. \nUnable to process "
                  "Waypoints.",
                  "Route Protocol(A0) not defined at this time. \nUnable to process Routes."}));

    ProtocolTable newer = CurrentProtocols();
    newer.waypointType = 110;
    newer.routeProtocol = 202;
    newer.trackProtocol = 302;
    gps.SetProtocols(newer);
    feedback.messages.clear();
    gps.TransferWaypoints(geometry, attributes, nullptr, "Waypoints");
    gps.TransferRoutes(geometry, attributes, "Routes");
    gps.TransferTrackLines(geometry, attributes, "Tracks");
    gps.TransferTrackPoints(geometry, attributes, "Tracks");
    const std::string track302 =
        "Track Protocol(A302) not defined at this time. \nUnable to process Tracks.";
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{
                  "NewPointLayer(): Waypoint Data Type(D110) not defined at this time. \nUnable "
                  "to process Waypoints.",
                  "Route Protocol(A202) not defined at this time. \nUnable to process Routes.",
                  track302, track302}));
    EXPECT_EQ(geometry.layerCount, layers);
    EXPECT_EQ(attributes.tableCount, 0);
    EXPECT_TRUE(LineStaysQuiet());
}

TEST_F(GarminTransfer, ASilentReceiverEndsTheDownloadAndKeepsWhatCame) {
    gps.SetProtocols(CurrentProtocols());
    Script script;
    for (int i = 0; i < 20; ++i)
        script.packets.push_back({kPidWaypoint, D108(10 + i, 20, "W" + std::to_string(i), "")});
    script.silentAfter = 5;
    EXPECT_EQ(
        Run(script,
            [&] { return gps.TransferWaypoints(geometry, attributes, nullptr, "Waypoints"); }),
        20);
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{Incomplete("Waypoints", 5, 20)}));
    EXPECT_EQ(Layer().pointCount, 5);
    EXPECT_EQ(Text(4, 0), "W4");
    EXPECT_NEAR(Layer().yMax, 14.0, 1e-7) << "the extent covers what arrived";

    // The same for routes (every record counts, headers too) and track points.
    feedback.messages.clear();
    script.packets = {{kPidRouteHeader, {'R', 0}},
                      {kPidRouteWaypoint, D108(1, 1, "A", "")},
                      {kPidRouteWaypoint, D108(1, 2, "B", "")},
                      {kPidRouteWaypoint, D108(1, 3, "C", "")}};
    script.silentAfter = 3;
    Run(script, [&] { return gps.TransferRoutes(geometry, attributes, "Routes"); });
    EXPECT_EQ(Layer().vertexCount, 1);
    EXPECT_NEAR(Layer().xMax, 2.0, 1e-7);
    script.packets = {{kPidTrackHeader, D310("T")}, {kPidTrackPoint, TrackPoint(301, 1, 1, 0)}};
    script.silentAfter = 0;
    Run(script, [&] { return gps.TransferTrackPoints(geometry, attributes, "Tracks"); });
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{Incomplete("Routes", 3, 4),
                                        Incomplete("Track Log as Points", 0, 2)}));
}

TEST_F(GarminTransfer, StrayPacketsAndShortRecords) {
    gps.SetProtocols(CurrentProtocols());
    // A record cut short by the receiver is refused and the download goes on;
    // a packet that is not a waypoint ends it, keeping what came.
    Bytes cut = D108(2, 2, "CUT", "");
    cut.resize(40);
    Script script;
    script.packets = {{kPidWaypoint, D108(1, 1, "ONE", "")},
                      {kPidWaypoint, cut},
                      {kPidWaypoint, D108(3, 3, "THREE", "")},
                      {kPidTrackPoint, TrackPoint(301, 4, 4, 0)}};
    script.complete = false;
    Run(script, [&] { return gps.TransferWaypoints(geometry, attributes, nullptr, "Waypoints"); });
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

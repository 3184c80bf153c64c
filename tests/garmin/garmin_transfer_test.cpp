// Whole transfers against a scripted receiver on a pseudo-terminal: what each
// download makes of the packets, and how it ends when the receiver falls
// silent or sends what it should not.

#include "quorvex_test.h"

#include "garmin/protocol_table_file.h"
#include "garmin_on_pty.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

using Packet = std::pair<int, Bytes>;

Bytes D108(double lat, double lon, const std::string& ident) {
    return RecordBuilder(48).Position(24, 28, lat, lon).Then(ident + std::string(2, '\0'));
}
Bytes D100(double lat, double lon) {
    return RecordBuilder(58, ' ').Position(6, 10, lat, lon).bytes;
}
// Position, time, altitude, no depth, no new-track flag.
Bytes D301(double lat, double lon) {
    return RecordBuilder(21).Position(0, 4, lat, lon).Float(12, 250).Float(16, 1e25f).bytes;
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

// The receiver's side of a download after the command: its ACK, the records
// packet announcing `announced` (-1: as many as given), the packets, and the
// transfer-complete packet unless the receiver falls silent before it.
std::vector<Bytes> Download(int command, const std::vector<Packet>& packets, int announced = -1,
                            bool complete = true) {
    if (announced < 0) announced = static_cast<int>(packets.size());
    std::vector<Bytes> frames = {
        GarminFrame(kPidAck, {kPidCommand, 0}),
        GarminFrame(kPidRecords, {static_cast<unsigned char>(announced),
                                  static_cast<unsigned char>(announced >> 8)})};
    for (const Packet& p : packets) frames.push_back(GarminFrame(p.first, p.second));
    if (complete)
        frames.push_back(
            GarminFrame(kPidTransferComplete, {static_cast<unsigned char>(command), 0}));
    return frames;
}

class GarminTransfer : public GarminOnPty {
  protected:
    GarminTransfer() {
        geometry.Clear();
        attributes.Clear();
    }
    int Waypoints(const std::vector<Bytes>& frames) {
        device.SetProtocols(
            Protocols({"A100", "D108", "A201", "D202", "D108", "D210", "A301", "D310", "D301"}));
        return Answered(frames, [&] {
            return device.TransferWaypoints(geometry, attributes, nullptr, "Waypoints");
        });
    }
    // A field without the blanks that pad it.
    std::string Text(int record, int field) {
        char text[AttributeStore::kMaxFieldWidth + 1];
        attributes.GetText(device.TableIndex(), record, field, text);
        std::string s = text;
        s.erase(0, s.find_first_not_of(' '));
        return s.erase(s.find_last_not_of(' ') + 1);
    }
    const GeometryLayer& Layer() { return geometry.Layer(device.LayerIndex()); }

    GeometryStore geometry;
    AttributeStore attributes;
};

std::string Incomplete(const char* what, int received, int announced) {
    return FormatText(
        "%s transfer incomplete: no further packet came from the GPS after %d of %d "
        "records.\nThe records received are kept.",
        what, received, announced);
}

}  // namespace

TEST_F(GarminTransfer, ASilentReceiverEndsTheDownloadAndKeepsWhatCame) {
    std::vector<Packet> five;
    for (int i = 0; i < 5; ++i)
        five.push_back({kPidWaypoint, D108(10 + i, 20, "W" + std::to_string(i))});
    EXPECT_EQ(Waypoints(Download(kCmdTransferWaypoints, five, 20, false)), 20);
    EXPECT_EQ(request.id, kPidCommand);
    EXPECT_EQ(request.data, Bytes({kCmdTransferWaypoints, 0}));
    EXPECT_EQ(feedback.progress.size(), 5u);
    EXPECT_EQ(feedback.progress.back(), " Transfering Waypoints 5 of 20");
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{Incomplete("Waypoints", 5, 20)}));
    EXPECT_EQ(Layer().pointCount, 5);
    EXPECT_EQ(Text(4, 0), "W4");
    // The extent covers what arrived.
    EXPECT_NEAR(Layer().yMin, 10.0, 1e-7);
    EXPECT_NEAR(Layer().yMax, 14.0, 1e-7);
    EXPECT_NEAR(Layer().xMax, 20.0, 1e-7);

    // The same for routes, where every record counts, headers too.
    feedback.messages.clear();
    device.SetProtocols(Protocols({"A100", "D100", "A200", "D200", "D100"}));
    Answered(Download(kCmdTransferRoutes,
                      {{kPidRouteHeader, {0}},
                       {kPidRouteWaypoint, D100(1, 1)},
                       {kPidRouteWaypoint, D100(1, 2)}},
                      4, false),
             [&] { return device.TransferRoutes(geometry, attributes, "Routes"); });
    EXPECT_EQ(request.data, Bytes({kCmdTransferRoutes, 0}));
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{Incomplete("Routes", 3, 4)}));
    EXPECT_EQ(Layer().vertexCount, 1);
    EXPECT_NEAR(Layer().xMax, 2.0, 1e-7);
}

TEST_F(GarminTransfer, AShortRecordOrTheUserStopsTheTransferOnTheReceiver) {
    // A record cut short by the receiver cannot be read, or the user stops after
    // the first record: one message, the transfer is aborted (command 0), what
    // came after is acknowledged and dropped.
    Bytes cut = D108(2, 2, "CUT");
    cut.resize(40);
    const std::vector<Packet> packets = {{kPidWaypoint, D108(1, 1, "ONE")},
                                         {kPidWaypoint, cut},
                                         {kPidWaypoint, D108(3, 3, "THREE")},
                                         {kPidTrackPoint, D301(4, 4)}};
    const std::string stopped =
        "Waypoints transfer stopped after 1 of 4 records.\nThe records received are kept.";
    for (const std::string& message :
         {std::string("AddPoint(): Waypoint Data Type(D108) not defined at this time. \nUnable "
                      "to process Waypoints."),
          stopped}) {
        feedback.messages.clear();
        feedback.progress.clear();
        feedback.cancelAfterProgress = message == stopped ? 1 : -1;
        Waypoints(Download(kCmdTransferWaypoints, packets, -1, false));
        EXPECT_EQ(feedback.messages, std::vector<std::string>{message});
        EXPECT_EQ(Layer().pointCount, 1);
        EXPECT_EQ(Text(0, 0), "ONE");
        std::vector<std::string> sent;
        for (const WirePacket& p : answers) sent.push_back(FormatText("%d:%d", p.id, p.data[0]));
        EXPECT_EQ(sent,
                  (std::vector<std::string>{"6:27", "6:35", message == stopped ? "10:0" : "6:35",
                                            message == stopped ? "6:35" : "10:0", "6:35", "6:34"}));
    }
}

TEST_F(GarminTransfer, TrackLogsFromATableRowAndLongFileNames) {
    // An A301 row of the table file names no track point type: the points are
    // skipped with a message each, and as points the download stops before its command.
    TempDir dir;
    std::ofstream(dir.File("QUORVEX.XRF"), std::ios::binary)
        << "500 NEWER UNIT        A100  D108 A201  D202  D108 A301  D310\n";
    ProtocolTable fromFile;
    ASSERT_TRUE(ReadProtocolTableFile(dir.File("QUORVEX.XRF"), 500, &fromFile));
    device.SetProtocols(fromFile);
    const std::vector<Packet> log = {{kPidTrackHeader, D310("HIKE")},
                                     {kPidTrackPoint, D301(1, 1)},
                                     {kPidTrackPoint, D301(1, 2)}};
    EXPECT_EQ(device.TransferTrackLines(geometry, attributes, "Tracks"), 0);
    const std::string noType =
        "Waypoint Data Type(D0) not defined at this time. \nUnable to process Waypoints.";
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{noType}));
    EXPECT_EQ(device.TransferTrackPoints(geometry, attributes, "Tracks"), 0);
    EXPECT_EQ(feedback.messages.back(), "NewPointLayer(): " + noType);
    EXPECT_TRUE(pty.ReceiveUntilQuiet(100).empty());

    // As points "Pts" follows the file name, but one of 128 characters has no room for it.
    device.SetProtocols(Protocols({"A100", "D108", "A301", "D310", "D301"}));
    const std::string longName(128, 'T');
    Answered(Download(kCmdTransferTrackLog, log),
             [&] { return device.TransferTrackPoints(geometry, attributes, longName.c_str()); });
    EXPECT_EQ(std::string(Layer().fileName), longName);
    EXPECT_EQ(attributes.RecordCount(device.TableIndex()), 2);
}

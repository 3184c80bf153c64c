#include <gtest/gtest.h>

#include <fstream>

#include "garmin/garmin_device.h"
#include "garmin/protocol_table_file.h"
#include "garmin_frames.h"
#include "pty_pair.h"
#include "recording_feedback.h"
#include "test_files.h"

namespace {

const char kNotFound[] =
    "Can not find a Garmin GPS unit. Make sure unit is turned ON.\n The Serial Data Format must "
    "be set to 'GARMIN'.\n The default Serial port parameters are: 9600 baud, 8 bits, no "
    "parity, 1 stop.\n Check communication cable/port.";

// What the scripted receiver answers to the product request.
struct Receiver {
    Bytes productData;
    bool sendsCapabilities = true;
    Bytes capabilities;
    int badProductChecksums = 0;
};

// Plays the receiver's side of the identification and keeps every frame the
// host sent.
void ServeIdentification(PtyPair& peer, const Receiver& r, std::vector<HostFrame>* sent) {
    // The host answers each packet at once; the waits only end a dead exchange.
    const int kAnswerMs = 500;
    HostFrame frame;
    if (!ReadHostFrame(peer, &frame, 3000)) return;
    sent->push_back(frame);
    peer.Send(GarminFrame(kPidAck, {kPidProductRequest, 0}));
    for (int i = 0;; ++i) {
        peer.Send(GarminFrame(kPidProductData, r.productData, i < r.badProductChecksums ? 7 : 0));
        if (!ReadHostFrame(peer, &frame, kAnswerMs)) return;
        sent->push_back(frame);
        if (frame.id == kPidAck) break;
    }
    if (!r.sendsCapabilities) return;
    peer.Send(GarminFrame(kPidCapabilities, r.capabilities));
    if (ReadHostFrame(peer, &frame, kAnswerMs)) sent->push_back(frame);
}

class GarminIdentify : public ::testing::Test {
  protected:
    void TearDown() override { SetProtocolTableDirectory(""); }

    // Identifies over a pseudo-terminal with short link time-outs.
    bool Identify(const Receiver& r) {
        pty.StartPeer([this, r](PtyPair& peer) { ServeIdentification(peer, r, &sent); });
        EXPECT_TRUE(device.Port().Open(pty.SlavePath().c_str(), "9600,N,8,1"));
        device.SetLinkTimeouts(200, 100);
        bool identified = device.Identify();
        pty.JoinPeer();
        return identified;
    }

    void WriteTable(const std::string& content) {
        std::ofstream(dir.File("QUORVEX.XRF"), std::ios::binary) << content;
        SetProtocolTableDirectory(dir.path());
    }

    RecordingFeedback feedback;
    TempDir dir;
    PtyPair pty;
    GarminDevice device;
    std::vector<HostFrame> sent;
};

}  // namespace

TEST_F(GarminIdentify, ACurrentReceiverSendsItsCapabilityList) {
    Receiver r;
    r.productData = ProductData(110, std::string("eTrex Vista Software Version 2.30\0more", 39));
    r.capabilities = CapabilityData({"P000", "L001", "A010", "A100", "D108", "A201", "D202", "D108",
                                     "D210", "A301", "D310", "D301"});
    r.badProductChecksums = 2;
    // Connect opens the port itself, with the link's own time-outs.
    pty.StartPeer([this, r](PtyPair& peer) { ServeIdentification(peer, r, &sent); });
    ASSERT_TRUE(device.Connect(pty.SlavePath().c_str()));
    pty.JoinPeer();

    EXPECT_EQ(device.ProductId(), 110);
    EXPECT_STREQ(device.Description(), "eTrex Vista Software Version 2.30");
    EXPECT_EQ(WaypointProtocolText(device.Protocols()), "A100, D108");
    EXPECT_EQ(RouteProtocolText(device.Protocols()), "A201, D202, D108, D210");
    EXPECT_EQ(TrackProtocolText(device.Protocols()), "A301, D310, D301");
    EXPECT_TRUE(feedback.messages.empty());

    // Request, two refusals of the damaged product data, its ACK, the list's ACK.
    std::vector<std::pair<int, Bytes>> expected = {{kPidProductRequest, {}},
                                                   {kPidNak, {kPidProductData, 0}},
                                                   {kPidNak, {kPidProductData, 0}},
                                                   {kPidAck, {kPidProductData, 0}},
                                                   {kPidAck, {kPidCapabilities, 0}}};
    std::vector<std::pair<int, Bytes>> answers;
    for (const auto& frame : sent) answers.emplace_back(frame.id, frame.data);
    EXPECT_EQ(answers, expected);
}

TEST_F(GarminIdentify, WithoutACapabilityListTheTableFileDecides) {
    // The first line of product 13 wins; a capability packet of 2 bytes counts as none.
    WriteTable(
        "13  GPS 75            A100  D100 A200  D200  D100 A300  D300\n"
        "13  GPS 75 later      A100  D103 A201  D201  D103 A300  D300\n");
    Receiver r;
    r.productData = ProductData(13, std::string("GPS 75\0", 7));
    r.capabilities = {'A', 100};
    ASSERT_TRUE(Identify(r));
    EXPECT_EQ(WaypointProtocolText(device.Protocols()), "A100, D100");
    EXPECT_EQ(RouteProtocolText(device.Protocols()), "A200, D200, D100, D0");
    EXPECT_EQ(TrackProtocolText(device.Protocols()), "A300, D300, D0");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminIdentify, UnlistedProductsMissingTablesAndOddProductData) {
    WriteTable("7   GPS 50            A100  D100 A200  D200  D100\n");
    Receiver r;
    r.productData = ProductData(-2, "Unknown");
    r.sendsCapabilities = false;
    EXPECT_FALSE(Identify(r));
    EXPECT_EQ(device.ProductId(), -2) << "the product ID is a signed 16-bit number";
    SetProtocolTableDirectory(dir.File("nowhere"));
    EXPECT_FALSE(Identify(r));
    ASSERT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(feedback.messages[0].substr(0, 18), "Product ID (-2) is");
    EXPECT_EQ(feedback.messages[1].substr(0, 30), "Can't open 'QUORVEX.XRF' file.");

    // 255 data bytes: ID, version and 251 characters without a NUL.
    r.productData = ProductData(110, std::string(251, 'V'));
    r.sendsCapabilities = true;
    r.capabilities = CapabilityData({"A100", "D109"});
    ASSERT_TRUE(Identify(r));
    EXPECT_EQ(std::string(device.Description()), std::string(251, 'V'));
    EXPECT_EQ(device.Protocols().waypointType, 109);
    // Product data too short to hold a description.
    r.productData = {0x6E, 0x00};
    ASSERT_TRUE(Identify(r));
    EXPECT_EQ(device.ProductId(), 110);
    EXPECT_STREQ(device.Description(), "");
}

TEST(GarminConnect, NothingOnTheLineMeansNoReceiver) {
    RecordingFeedback feedback;
    PtyPair pty;
    GarminDevice device;
    // The link's real time-outs: one second for the ACK, one for the product data.
    EXPECT_FALSE(device.Connect(pty.SlavePath().c_str()));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0], kNotFound);

    EXPECT_FALSE(device.Connect("/dev/quorvex-no-such-port"));
    EXPECT_EQ(feedback.messages.back(),
              "Could not open Serial port /dev/quorvex-no-such-port\nErr = 2");
}

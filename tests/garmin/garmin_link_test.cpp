// The Garmin link layer and identification over a pseudo-terminal: framing and
// DLE stuffing, acknowledgements and resends, frames that break off or lie, and
// the product data and capability list as receivers send them.

#include "quorvex_test.h"

#include <chrono>

#include "garmin/garmin_device.h"
#include "garmin/protocol_table_file.h"
#include "garmin_on_pty.h"

namespace {

Bytes Sequence(int count, int first) {
    Bytes data;
    for (int i = 0; i < count; ++i) data.push_back(static_cast<unsigned char>(first + i));
    return data;
}

// The first data byte adjusted so that the packet's checksum is 0x10.
Bytes WithChecksumDle(int id, Bytes data) {
    data[0] = static_cast<unsigned char>(data[0] + FrameChecksum(id, data) - 0x10);
    return data;
}

class GarminLink : public GarminOnPty {
  protected:
    // Sends `frames` to the host, then lets it receive one packet.
    int Receive(const std::vector<Bytes>& frames) {
        for (const auto& f : frames) pty.Send(f);
        std::memset(buffer, 0xEE, sizeof(buffer));
        return device.ReceivePacket(buffer);
    }
    // A receiver answering the product request with `copies` of the product
    // data, then `capabilities` (none when empty).
    bool IdentifyFrom(const std::vector<Bytes>& copies, const Bytes& capabilities) {
        std::vector<Bytes> frames = {GarminFrame(kPidAck, {kPidProductRequest, 0})};
        frames.insert(frames.end(), copies.begin(), copies.end());
        if (!capabilities.empty()) frames.push_back(GarminFrame(kPidCapabilities, capabilities));
        return Answered(frames, [this] { return device.Identify(); });
    }
    bool Identify(const Bytes& product, const Bytes& capabilities) {
        return IdentifyFrom({GarminFrame(kPidProductData, product)}, capabilities);
    }

    unsigned char buffer[GarminDevice::kPacketBufferSize];
};

}  // namespace

TEST_F(GarminLink, SendPacketFramesAndStuffs) {
    unsigned char command[2] = {7, 0};
    EXPECT_EQ(device.SendPacket(10, command, 2), 8);
    EXPECT_EQ(pty.Receive(8, 1000), Bytes({0x10, 0x0A, 0x02, 0x07, 0x00, 0xED, 0x10, 0x03}));

    // 0x10 as the size (16 bytes), in the data and as the checksum; the longest packet.
    Bytes data = Sequence(16, 8);
    data[15] = 0x10;
    for (const Bytes& d : {WithChecksumDle(35, data), Bytes(255, 0x10)}) {
        Bytes expected = GarminFrame(35, d);
        EXPECT_EQ(device.SendPacket(35, d.data(), static_cast<int>(d.size())),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(pty.Receive(expected.size(), 1000), expected);
    }
    // ACK and NAK carry the packet ID concerned and a 0.
    device.SendAck(35);
    device.SendNak(0x10);
    EXPECT_EQ(pty.Receive(8, 1000), Bytes({0x10, 0x06, 0x02, 0x23, 0x00, 0xD5, 0x10, 0x03}));
    EXPECT_EQ(pty.Receive(9, 1000), GarminFrame(kPidNak, {0x10, 0x00}));
}

TEST_F(GarminLink, ReceivePacketUnstuffs) {
    for (const Bytes& data : {Bytes(), Sequence(16, 2), Sequence(255, 0x10), Bytes(255, 0x10)}) {
        EXPECT_EQ(Receive({GarminFrame(35, data)}), static_cast<int>(data.size()));
        EXPECT_EQ(Bytes(buffer, buffer + data.size()), data);
    }
    // A checksum of 0x10: the final byte comes after the stuffed pair, and the
    // next packet starts where this one ended.
    EXPECT_EQ(Receive({GarminFrame(12, WithChecksumDle(12, {1, 2})), GarminFrame(27, {5, 0})}), 2);
    EXPECT_EQ(device.LastPacketId(), 12);
    EXPECT_EQ(Receive({}), 2);
    EXPECT_EQ(device.LastPacketId(), 27);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminLink, BrokenFramesAndNoiseAreNoPackets) {
    Bytes frame = GarminFrame(35, {1, 2, 3});
    frame.back() = 0x04;
    EXPECT_EQ(Receive({frame}), 0);
    EXPECT_EQ(feedback.messages, std::vector<std::string>{"Internal Error: GetPacketAck...ETX"});

    // A final byte lost on the line: the same after the time-out; the packet
    // after it is read as it was sent.
    frame.pop_back();
    EXPECT_EQ(Receive({frame}), 0);
    EXPECT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(Receive({GarminFrame(27, {9, 0})}), 2);
    EXPECT_EQ(device.LastPacketId(), 27);

    // Text, the end of a frame and a stuffed DLE cannot start a frame: skipped.
    Bytes noise = {'$', 'G', 'P', 0x10, 0x03, 0x10, 0x10, 0x10, 0x03, 'z', 0x03};
    EXPECT_EQ(Receive({noise, GarminFrame(35, {4, 5, 6})}), 3);
    EXPECT_EQ(Bytes(buffer, buffer + 3), Bytes({4, 5, 6}));
    EXPECT_EQ(Receive({Bytes(50, 'x')}), 0);
    EXPECT_EQ(feedback.messages.size(), 2u);
}

TEST_F(GarminLink, ASizeByteThatLiesNeitherOverrunsNorMisreadsLaterPackets) {
    // The size says 20, the frame carries 10 bytes; the next frame follows at once.
    Bytes lying = GarminFrame(35, Sequence(10, 1));
    lying[2] = 20;
    Bytes honest = GarminFrame(35, Sequence(3, 0x40));
    EXPECT_EQ(Receive({lying, honest}), 0);
    EXPECT_EQ(Receive({}), 3);
    EXPECT_EQ(Bytes(buffer, buffer + 3), Sequence(3, 0x40));

    // ReceiveData refuses the short frame with a NAK and takes the resent one.
    pty.Send(lying);
    pty.Send(honest);
    EXPECT_EQ(device.ReceiveData(buffer), 3);
    EXPECT_EQ(AnswerIds(), std::vector<int>({kPidNak, kPidAck}));

    // The largest lie, then silence: given up at the first missing byte, not
    // after one time-out for each of the 250 promised ones.
    Bytes big = GarminFrame(35, Sequence(5, 1));
    big[2] = 255;
    big.resize(big.size() - 3);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Receive({big}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminLink, ReceiveDataRefusesBadChecksumsSixTimesAtMost) {
    Bytes data = {1, 2, 3, 4};
    for (int i = 0; i < 5; ++i) pty.Send(GarminFrame(35, data, 1));
    pty.Send(GarminFrame(35, data));
    EXPECT_EQ(device.ReceiveData(buffer), 4);
    EXPECT_EQ(Bytes(buffer, buffer + 4), data);
    EXPECT_EQ(AnswerIds(),
              std::vector<int>({kPidNak, kPidNak, kPidNak, kPidNak, kPidNak, kPidAck}));

    // Six bad receptions: failure, six NAKs, and the seventh copy stays queued.
    for (int i = 0; i < 6; ++i) pty.Send(GarminFrame(35, data, -3));
    pty.Send(GarminFrame(27, {1, 0}));
    EXPECT_EQ(device.ReceiveData(buffer), 0);
    EXPECT_EQ(AnswerIds(), std::vector<int>(6, kPidNak));
    EXPECT_EQ(device.ReceiveData(buffer), 2);
    EXPECT_EQ(device.LastPacketId(), 27);
}

TEST_F(GarminLink, SendWithAckResendsButNotForEver) {
    // Two refusals, then an ACK; stale input is discarded before sending.
    int refusals = 2;
    int sends = 0;
    auto receiver = [&](PtyPair& peer) {
        for (WirePacket frame; (frame = ReadHostFrame(peer, 500)).id >= 0;) {
            int answer = ++sends > refusals ? kPidAck : kPidNak;
            peer.Send(GarminFrame(answer, {static_cast<unsigned char>(frame.id), 0}));
        }
    };
    pty.Send(std::string("old"));
    pty.StartPeer(receiver);
    unsigned char command[2] = {kCmdTransferWaypoints, 0};
    EXPECT_EQ(device.SendWithAck(kPidCommand, command, 2), GarminDevice::kAcknowledged);
    pty.JoinPeer();
    EXPECT_EQ(sends, 3);

    // A receiver that refuses everything: the resends end, as if no ACK had come.
    refusals = 1000;
    sends = 0;
    pty.StartPeer(receiver);
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    pty.JoinPeer();
    EXPECT_EQ(sends, 1 + GarminDevice::kMaxResends);

    // Silence: one send, no answer.
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    EXPECT_EQ(AnswerIds(), std::vector<int>{kPidProductRequest});
}

TEST_F(GarminLink, AnUnpluggedReceiverIsSilence) {
    pty.CloseSlave();
    pty.CloseMaster();
    EXPECT_EQ(device.ReceivePacket(buffer), 0);
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    EXPECT_EQ(device.ReceiveData(buffer), 0);
    EXPECT_FALSE(device.Identify());
    EXPECT_EQ(feedback.messages,
              std::vector<std::string>{
                  "Can not find a Garmin GPS unit. Make sure unit is turned ON.\n The Serial Data "
                  "Format must be set to 'GARMIN'.\n The default Serial port parameters are: 9600 "
                  "baud, 8 bits, no parity, 1 stop.\n Check communication cable/port."});
}

TEST_F(GarminLink, IdentifyTakesTheProductDataAsItComes) {
    // Two damaged copies of the product data, refused, before the intact one.
    const Bytes product = ProductData(110, std::string("eTrex Vista Software Version 2.30\0x", 36));
    ASSERT_TRUE(IdentifyFrom(
        {GarminFrame(kPidProductData, product, 1), GarminFrame(kPidProductData, product, 2),
         GarminFrame(kPidProductData, product)},
        CapabilityData({"P000", "L001", "A010", "A100", "D108", "A201", "D202", "D108", "D210",
                        "A301", "D310", "D301"})));
    EXPECT_EQ(device.ProductId(), 110);
    EXPECT_STREQ(device.Description(), "eTrex Vista Software Version 2.30");
    EXPECT_EQ(RouteProtocolText(device.Protocols()), "A201, D202, D108, D210");
    EXPECT_EQ(request.id, kPidProductRequest);
    std::vector<std::pair<int, Bytes>> sent;
    for (const auto& frame : answers) sent.emplace_back(frame.id, frame.data);
    EXPECT_EQ(sent, (std::vector<std::pair<int, Bytes>>{{kPidNak, {kPidProductData, 0}},
                                                        {kPidNak, {kPidProductData, 0}},
                                                        {kPidAck, {kPidProductData, 0}},
                                                        {kPidAck, {kPidCapabilities, 0}}}));

    // 255 data bytes: ID, version and 251 characters without a NUL; product
    // data too short to hold a description.
    ASSERT_TRUE(
        Identify(ProductData(110, std::string(251, 'V')), CapabilityData({"A100", "D109"})));
    EXPECT_EQ(std::string(device.Description()), std::string(251, 'V'));
    EXPECT_EQ(device.Protocols().waypointType, 109);
    ASSERT_TRUE(Identify({0x6E, 0x00}, CapabilityData({"A100", "D109"})));
    EXPECT_STREQ(device.Description(), "");

    // Without a list (a packet of 2 bytes counts as none) the table file decides.
    TempDir dir;
    std::ofstream(dir.File("QUORVEX.XRF"), std::ios::binary)
        << "13  GPS 75            A100  D100 A200  D200  D100 A300  D300\n";
    SetProtocolTableDirectory(dir.path());
    ASSERT_TRUE(Identify(ProductData(13, std::string("GPS 75\0", 7)), {'A', 100}));
    EXPECT_EQ(RouteProtocolText(device.Protocols()), "A200, D200, D100, D0");
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_FALSE(Identify(ProductData(-2, "Unknown"), {}));
    SetProtocolTableDirectory("");
    EXPECT_EQ(device.ProductId(), -2) << "the product ID is a signed 16-bit number";
    EXPECT_EQ(feedback.messages.size(), 1u);
}

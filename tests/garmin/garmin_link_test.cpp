// The Garmin link where the recorded sessions of tests/regressions cannot
// see: the lexer fed byte tables (framing, stuffing, frames that lie or break
// off, resynchronisation offsets), the host's own frames and resends, and odd
// product data.

#include "quorvex_test.h"

#include "garmin/garmin_device.h"
#include "garmin/garmin_lexer.h"
#include "garmin/protocol_table_file.h"
#include "garmin_on_pty.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

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
    // A receiver answering the product request with `product`, then
    // `capabilities` (none when empty).
    bool Identify(const Bytes& product, const Bytes& capabilities) {
        std::vector<Bytes> frames = {GarminFrame(kPidAck, {kPidProductRequest, 0}),
                                     GarminFrame(kPidProductData, product)};
        if (!capabilities.empty()) frames.push_back(GarminFrame(kPidCapabilities, capabilities));
        return Answered(frames, [this] { return device.Identify(); });
    }
};

// The host's frames with DLE as the size (16 bytes), in the data and as the
// checksum, and the longest packet. (Plain frames: the regression cases.)
TEST_F(GarminLink, SendPacketFramesAndStuffs) {
    Bytes data = Sequence(16, 8);
    data[15] = 0x10;
    for (const Bytes& d : {WithChecksumDle(35, data), Bytes(255, 0x10)}) {
        Bytes expected = GarminFrame(35, d);
        EXPECT_EQ(device.SendPacket(35, d.data(), static_cast<int>(d.size())),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(pty.Receive(expected.size(), 1000), expected);
    }
    device.SendNak(0x10);
    EXPECT_EQ(pty.Receive(9, 1000), GarminFrame(kPidNak, {0x10, 0x00}));
}

std::string Hex(const unsigned char* bytes, size_t count) {
    std::string hex;
    for (size_t i = 0; i < count; ++i) hex += FormatText("%02x", bytes[i]);
    return hex;
}
std::string Hex(const Bytes& bytes) {
    return Hex(bytes.data(), bytes.size());
}

// What the lexer hands out for a stretch of line bytes, fed in one piece or
// byte by byte: "P35@4:010203" is packet 35 with data 01 02 03 whose frame
// starts at offset 4, "B35@0" a bad frame of ID 35; the list ends where the
// lexer needs more bytes.
std::vector<std::string> Lex(const Bytes& wire, bool byteByByte) {
    GarminLexer lexer;
    std::vector<std::string> out;
    for (size_t at = 0; at < wire.size();) {
        const size_t count = byteByByte ? 1 : wire.size();
        lexer.Feed(wire.data() + at, count);
        at += count;
        for (GarminLexer::Result r; (r = lexer.Next()) != GarminLexer::kNeedMore;) {
            const bool packet = r == GarminLexer::kPacket;
            out.push_back((packet ? "P" : "B") + std::to_string(lexer.Id()) + "@" +
                          std::to_string(lexer.FrameOffset()) +
                          (packet ? ":" + Hex(lexer.Data(), lexer.Size()) : ""));
        }
    }
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace

TEST(GarminLexer, HandsOutOnlyIntactFramesAndResynchronisesAfterTheStartingDle) {
    const Bytes frame = GarminFrame(35, {1, 2, 3});
    Bytes lying = GarminFrame(35, Sequence(10, 1));
    lying[2] = 20;
    Bytes oneShort = GarminFrame(35, Sequence(10, 1));
    oneShort[2] = 9;
    Bytes noEtx = frame;
    noEtx.pop_back();
    Bytes overlong = {0x10, 0x23};
    overlong.resize(300, 0x41);
    Bytes stuffed = Sequence(16, 8);
    stuffed[15] = 0x10;
    stuffed = WithChecksumDle(35, stuffed);
    const Bytes ended = WithChecksumDle(12, {1, 2});
    struct Row {
        const char* what;
        Bytes wire;
        std::vector<std::string> expected;
    } rows[] = {
        {"plain", frame, {"P35@0:010203"}},
        {"no data", GarminFrame(12, {}), {"P12@0:"}},
        {"DLE as size, data and checksum", GarminFrame(35, stuffed), {"P35@0:" + Hex(stuffed)}},
        {"255 DLE bytes", GarminFrame(35, Bytes(255, 0x10)), {"P35@0:" + Hex(Bytes(255, 0x10))}},
        {"back to back",
         Join({GarminFrame(12, ended), GarminFrame(27, {5, 0})}),
         {"P12@0:" + Hex(ended), "P27@9:0500"}},
        {"noise with a DLE before a frame",
         Join({{0x10, 0x41, 0x05, 0x00}, frame}),
         {"P35@4:010203"}},
        {"text, DLE ETX, a stuffed pair",
         Join({{'$', 'G', 0x10, 0x03, 0x10, 0x10, 0x03}, frame}),
         {"P35@7:010203"}},
        {"longer than any frame", Join({overlong, frame}), {"P35@300:010203"}},
        {"size byte too large, then the resend", Join({lying, frame}), {"B35@0", "P35@16:010203"}},
        {"size byte one short", oneShort, {"B35@0"}},
        {"bad checksum", GarminFrame(35, {1, 2, 3}, 1), {"B35@0"}},
        {"ETX lost: the resend's DLE reads as stuffing",
         Join({noEtx, frame, frame}),
         {"B35@0", "P35@17:010203"}},
        // A line falling quiet then gets a NAK naming its ID: the rough-line case.
        {"a frame not yet ended", noEtx, {}},
    };
    for (const Row& row : rows)
        for (bool byteByByte : {false, true})
            EXPECT_EQ(Lex(row.wire, byteByByte), row.expected)
                << row.what << (byteByByte ? ", byte by byte" : "");
}

TEST_F(GarminLink, SendWithAckResendsButNotForEver) {
    // A receiver that refuses everything: the resends end, as if no ACK had
    // come. (Resends that end in an ACK are in the identify case.)
    int sends = 0;
    pty.StartPeer([&](PtyPair& peer) {
        for (WirePacket frame; (frame = ReadHostFrame(peer, 500)).id >= 0; ++sends)
            peer.Send(GarminFrame(kPidNak, {static_cast<unsigned char>(frame.id), 0}));
    });
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    pty.JoinPeer();
    EXPECT_EQ(sends, 1 + GarminDevice::kMaxResends);

    // Silence: one send, no answer.
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    const std::vector<WirePacket> sent = ReadHostFrames(pty, 100);
    EXPECT_TRUE(sent.size() == 1 && sent[0].id == kPidProductRequest);
}

TEST_F(GarminLink, AUserStopEndsTheTransferAndKeepsWhatCame) {
    ASSERT_TRUE(Identify(ProductData(110, "UNIT"), CapabilityData({"A100", "D108"})));
    std::vector<Bytes> frames = {GarminFrame(kPidAck, {kPidCommand, 0}),
                                 GarminFrame(kPidRecords, {3, 0})};
    for (int i = 1; i <= 3; ++i)
        frames.push_back(
            GarminFrame(kPidWaypoint, RecordBuilder(48).Position(24, 28, i, i).Then("W")));
    feedback.cancelAfterProgress = 1;
    GeometryStore geometry;
    AttributeStore attributes;
    Answered(frames, [&] { return device.TransferWaypoints(geometry, attributes, nullptr, "W"); });
    EXPECT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.HasMessage("Waypoints transfer stopped after 1 of 3 records."));
    EXPECT_EQ(geometry.Layer(device.LayerIndex()).pointCount, 1);
}

TEST_F(GarminLink, IdentifyTakesOddProductDataAndFallsBackOnTheTableFile) {
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

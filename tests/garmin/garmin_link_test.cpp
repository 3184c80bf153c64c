// The Garmin link: the lexer fed byte tables (framing, stuffing, frames that
// lie or break off, resynchronisation); over a pseudo-terminal the host's
// answers (NAKs, resends, acknowledgements) and the identification as
// receivers send it.

#include "quorvex_test.h"

#include <chrono>
#include <cstdio>

#include "garmin/garmin_device.h"
#include "garmin/garmin_lexer.h"
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

std::string Hex(const unsigned char* bytes, size_t count) {
    std::string hex;
    char digits[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        hex += digits;
    }
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
    auto drain = [&] {
        for (GarminLexer::Result r; (r = lexer.Next()) != GarminLexer::kNeedMore;) {
            const bool packet = r == GarminLexer::kPacket;
            out.push_back((packet ? "P" : "B") + std::to_string(lexer.Id()) + "@" +
                          std::to_string(lexer.FrameOffset()) +
                          (packet ? ":" + Hex(lexer.Data(), lexer.Size()) : ""));
        }
    };
    for (size_t at = 0; at < wire.size();) {
        const size_t count = byteByByte ? 1 : wire.size();
        lexer.Feed(wire.data() + at, count);
        at += count;
        drain();
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
        {"back to back", Join({GarminFrame(12, ended), GarminFrame(27, {5, 0})}),
         {"P12@0:" + Hex(ended), "P27@9:0500"}},
        {"noise with a DLE before a frame", Join({{0x10, 0x41, 0x05, 0x00}, frame}),
         {"P35@4:010203"}},
        {"text, DLE ETX, a stuffed pair", Join({{'$', 'G', 0x10, 0x03, 0x10, 0x10, 0x03}, frame}),
         {"P35@7:010203"}},
        {"longer than any frame", Join({overlong, frame}), {"P35@300:010203"}},
        {"size byte too large, then the resend", Join({lying, frame}), {"B35@0", "P35@16:010203"}},
        {"size byte one short", oneShort, {"B35@0"}},
        {"bad checksum", GarminFrame(35, {1, 2, 3}, 1), {"B35@0"}},
        {"ETX lost: the resend's DLE reads as stuffing", Join({noEtx, frame, frame}),
         {"B35@0", "P35@17:010203"}},
        {"a frame not yet ended", noEtx, {}},
    };
    for (const Row& row : rows)
        for (bool byteByByte : {false, true})
            EXPECT_EQ(Lex(row.wire, byteByByte), row.expected)
                << row.what << (byteByByte ? ", byte by byte" : "");

    // The line falls quiet inside a frame: the frame is dropped, its ID known
    // for the NAK, and what comes next is read afresh.
    GarminLexer lexer;
    lexer.Feed(noEtx.data(), noEtx.size());
    EXPECT_EQ(lexer.Next(), GarminLexer::kNeedMore);
    EXPECT_TRUE(lexer.InFrame());
    EXPECT_EQ(lexer.DropPartialFrame(), 35);
    EXPECT_FALSE(lexer.InFrame());
    lexer.Feed(frame.data(), frame.size());
    EXPECT_EQ(lexer.Next(), GarminLexer::kPacket);
    EXPECT_EQ(Bytes(lexer.Data(), lexer.Data() + lexer.Size()), Bytes({1, 2, 3}));
}

TEST_F(GarminLink, ReceiveDataRefusesDamagedFramesAndPassesOverResends) {
    Bytes data = {1, 2, 3, 4};
    for (int i = 0; i < 5; ++i) pty.Send(GarminFrame(35, data, 1));
    pty.Send(GarminFrame(35, data));
    EXPECT_EQ(device.ReceiveData(buffer), 4);
    EXPECT_EQ(Bytes(buffer, buffer + 4), data);
    EXPECT_EQ(AnswerIds(),
              std::vector<int>({kPidNak, kPidNak, kPidNak, kPidNak, kPidNak, kPidAck}));

    // The same packet again (our ACK was lost) is acknowledged and passed
    // over; a packet without data is a packet.
    pty.Send(GarminFrame(35, data));
    pty.Send(GarminFrame(kPidTransferComplete, {}));
    EXPECT_EQ(device.ReceiveData(buffer), 0);
    EXPECT_EQ(device.LastPacketId(), kPidTransferComplete);
    EXPECT_EQ(AnswerIds(), std::vector<int>({kPidAck, kPidAck}));
    // Our ACKs change nothing; after a request of ours the same bytes are new.
    device.SendAck(0);
    pty.Send(GarminFrame(kPidTransferComplete, {}));
    EXPECT_EQ(device.ReceiveData(buffer), -1);
    device.SendPacket(kPidCommand, data.data(), 2);
    pty.Send(GarminFrame(kPidTransferComplete, {}));
    EXPECT_EQ(device.ReceiveData(buffer), 0);
    EXPECT_EQ(AnswerIds(), std::vector<int>({kPidAck, kPidAck, kPidCommand, kPidAck}));

    // A frame whose end never comes: NAKed with its ID once the line is quiet,
    // and the resend taken.
    Bytes cut = GarminFrame(35, data);
    cut.pop_back();
    pty.StartPeer([&](PtyPair& peer) {
        peer.Send(cut);
        if (ReadHostFrame(peer, 1000).id == kPidNak) peer.Send(GarminFrame(35, {9}));
    });
    EXPECT_EQ(device.ReceiveData(buffer), 1);
    pty.JoinPeer();
    EXPECT_EQ(ReadHostFrame(pty, 100).data, Bytes({35, 0}));

    // Six bad receptions: failure, six NAKs, and the seventh copy stays queued.
    for (int i = 0; i < 6; ++i) pty.Send(GarminFrame(35, data, -3));
    pty.Send(GarminFrame(27, {1, 0}));
    EXPECT_EQ(device.ReceiveData(buffer), -1);
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
    EXPECT_EQ(device.ReceivePacket(buffer), -1);
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    EXPECT_EQ(device.ReceiveData(buffer), -1);
    EXPECT_FALSE(device.Identify());
    EXPECT_EQ(feedback.messages,
              std::vector<std::string>{
                  "Can not find a Garmin GPS unit. Make sure unit is turned ON.\n The Serial Data "
                  "Format must be set to 'GARMIN'.\n The default Serial port parameters are: 9600 "
                  "baud, 8 bits, no parity, 1 stop.\n Check communication cable/port."});
}

TEST_F(GarminLink, IdentifyTakesTheProductDataAsItComes) {
    // A damaged product data packet, the intact one twice (our ACK was lost),
    // extended product data, a damaged capability list and the intact one.
    const Bytes product = ProductData(110, std::string("eTrex Vista Software Version 2.30\0x", 36));
    const Bytes list = CapabilityData({"P000", "L001", "A010", "A100", "D108", "A201", "D202",
                                       "D108", "D210", "A301", "D310", "D301"});
    const std::string texts("VERGPROM None\0\0VERSMAP x\0", 25);
    const Bytes extended(texts.begin(), texts.end());
    ASSERT_TRUE(IdentifyFrom(
        {GarminFrame(kPidProductData, product, 1), GarminFrame(kPidProductData, product),
         GarminFrame(kPidProductData, product),
         GarminFrame(kPidExtendedProductData, extended),
         GarminFrame(kPidCapabilities, list, 2)},
        list));
    EXPECT_EQ(device.ProductId(), 110);
    EXPECT_STREQ(device.Description(), "eTrex Vista Software Version 2.30");
    EXPECT_EQ(device.ExtendedProductStrings(),
              std::vector<std::string>({"VERGPROM None", "VERSMAP x"}));
    EXPECT_EQ(RouteProtocolText(device.Protocols()), "A201, D202, D108, D210");
    EXPECT_EQ(request.id, kPidProductRequest);
    std::vector<std::pair<int, Bytes>> sent;
    for (const auto& frame : answers) sent.emplace_back(frame.id, frame.data);
    EXPECT_EQ(sent, (std::vector<std::pair<int, Bytes>>{{kPidNak, {kPidProductData, 0}},
                                                        {kPidAck, {kPidProductData, 0}},
                                                        {kPidAck, {kPidProductData, 0}},
                                                        {kPidAck, {kPidExtendedProductData, 0}},
                                                        {kPidNak, {kPidCapabilities, 0}},
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

TEST_F(GarminLink, SpeedChangeOnTheWireAndBackTo9600AtTheEnd) {
    // A receiver that takes rate requests, answering a rate 0.1 % below the one
    // asked for, or (with `refuse`) NAKs them; every host frame is kept.
    bool refuse = false;
    std::vector<std::pair<int, Bytes>> host;
    auto receiver = [&](PtyPair& peer) {
        for (WirePacket f; (f = ReadHostFrame(peer, 300)).id >= 0;) {
            host.emplace_back(f.id, f.data);
            if (f.id == kPidAck) continue;
            const bool rate = f.id == kPidBaudRequest && f.data.size() == 4;
            peer.Send(GarminFrame(refuse && rate ? kPidNak : kPidAck,
                                  {static_cast<unsigned char>(f.id), 0}));
            if (!rate || refuse) continue;
            Bytes offered(4);
            PutLE32(offered.data(), GetLE32(f.data.data()) * 999 / 1000);
            peer.Send(GarminFrame(kPidBaudAccept, offered));
        }
    };
    auto exchange = [](unsigned rate) {
        Bytes wanted(4);
        PutLE32(wanted.data(), rate);
        const Bytes ping = {kCmdAckPing, 0};
        return std::vector<std::pair<int, Bytes>>{{kPidRequestsOff, {0, 0}},
                                                  {kPidBaudRequest, wanted},
                                                  {kPidAck, {kPidBaudAccept, 0}},
                                                  {kPidCommand, ping},
                                                  {kPidCommand, ping}};
    };
    device.Port().Close();
    {
        GarminDevice gps;
        ASSERT_TRUE(gps.Port().Open(pty.SlavePath().c_str(), "9600,N,8,1"));
        gps.SetLinkTimeouts(200, 100);
        pty.StartPeer(receiver);
        EXPECT_TRUE(gps.ChangeSpeed(38400));
        pty.JoinPeer();
        EXPECT_EQ(gps.Speed(), 38400);
        EXPECT_EQ(host, exchange(38400));
        host.clear();
        pty.StartPeer(receiver);
    }  // the import ends here, failed or not: the receiver is brought back to 9600
    pty.JoinPeer();
    EXPECT_EQ(host, exchange(9600));

    // A unit that refuses: one message, no pings, the line stays at 9600.
    ASSERT_TRUE(device.Port().Open(pty.SlavePath().c_str(), "9600,N,8,1"));
    refuse = true;
    host.clear();
    pty.StartPeer(receiver);
    EXPECT_FALSE(device.ChangeSpeed(115200));
    pty.JoinPeer();
    EXPECT_EQ(device.Speed(), 9600);
    auto asked = exchange(115200);
    asked.resize(2);
    EXPECT_EQ(host, asked);
    EXPECT_EQ(feedback.messages, std::vector<std::string>{
                                     "The GPS did not agree to 115200 baud: the transfers run "
                                     "at 9600 baud."});
}

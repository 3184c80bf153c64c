// The simulator's Garmin side, spoken to over its pseudo-terminal with raw bytes
// and read with the framing in host_line.cpp, written apart from the simulator's.

#include "quorvex_test.h"

#include <chrono>

namespace {

struct GarminIdentity {
    WirePacket product;
    WirePacket capabilities;  // id -1 when none came
};

// Product request, product data acknowledged, capability list (if any) acknowledged.
GarminIdentity Identify(HostLine& line, int capabilityWaitMs = 1200) {
    GarminIdentity id;
    line.SendPacket(254, {});
    if (line.ReadPacket().id != 6) return id;
    id.product = line.ReceiveAndAck();
    id.capabilities = line.ReadPacket(capabilityWaitMs);
    if (id.capabilities.id >= 0) line.SendAck(static_cast<uint8_t>(id.capabilities.id));
    return id;
}

struct GarminTransfer {
    WirePacket commandAck;
    int announced = -1;
    std::vector<WirePacket> records;
    WirePacket complete;
    bool allIntact = true;  // every packet framed and with a good checksum
};

// Sends a command and acknowledges everything up to the transfer-complete packet.
GarminTransfer Transfer(HostLine& line, uint16_t command) {
    GarminTransfer t;
    line.SendCommand(command);
    t.commandAck = line.ReadPacket();
    WirePacket records = line.ReceiveAndAck();
    if (records.id == 27 && records.data.size() >= 2) t.announced = U16At(records.data, 0);
    t.allIntact = records.framed && records.checksumOk;
    for (;;) {
        WirePacket p = line.ReceiveAndAck();
        t.allIntact = t.allIntact && p.framed && p.checksumOk;
        if (p.id < 0 || p.id == 12) {
            t.complete = p;
            return t;
        }
        t.records.push_back(p);
    }
}

std::string Ids(const std::vector<WirePacket>& packets, size_t count) {
    std::string ids;
    for (size_t i = 0; i < count && i < packets.size(); ++i)
        ids += std::to_string(packets[i].id) + " ";
    return ids;
}

}  // namespace

TEST(GarminSim, IdentificationExactlyAsOnTheWire) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    ASSERT_TRUE(line.IsOpen());
    line.SendPacket(254, {});
    std::vector<uint8_t> ack;
    for (int i = 0; i < 8; ++i) ack.push_back(static_cast<uint8_t>(line.ReadByte(1000)));
    EXPECT_EQ(ack, (std::vector<uint8_t>{0x10, 0x06, 0x02, 0xFE, 0x00, 0xFA, 0x10, 0x03}));
    WirePacket product = line.ReadPacket();
    ASSERT_EQ(product.id, 255);
    EXPECT_TRUE(product.framed && product.checksumOk);
    // Nothing more until the host has acknowledged the product data.
    EXPECT_TRUE(line.QuietFor(300));
    line.SendAck(255);
    ASSERT_EQ(line.ReceiveAndAck().id, 253);

    // A command whose checksum is wrong is refused with a NAK naming its ID.
    line.Write(GarminFrame(10, {7, 0}, 0x55));
    WirePacket nak = line.ReadPacket();
    EXPECT_EQ(nak.id, 21);
    EXPECT_EQ(nak.data, (std::vector<uint8_t>{10, 0}));

    // Any profile turns into an old receiver of the product table: no list.
    SimulatorProcess old({"--profile", "d103", "--no-capabilities", "--product-id", "73"});
    HostLine oldLine(old.DevicePath());
    GarminIdentity id = Identify(oldLine);
    EXPECT_EQ(U16At(id.product.data, 0), 73);
    EXPECT_EQ(id.capabilities.id, -1);
}

TEST(GarminSim, TransfersAnnounceTheirRecordsAndEndWithTheirCommand) {
    SimulatorProcess sim;
    HostLine line(sim.DevicePath());
    Identify(line);
    // A new command abandons a transfer the host no longer acknowledges.
    line.SendCommand(6);
    ASSERT_EQ(line.ReadPacket().id, 6);
    EXPECT_EQ(line.ReceiveAndAck().id, 27);
    EXPECT_EQ(line.ReadPacket().id, 99);

    GarminTransfer w = Transfer(line, 7);
    EXPECT_EQ(w.commandAck.data, (std::vector<uint8_t>{10, 0}));
    EXPECT_EQ(w.announced, 20);
    EXPECT_EQ(w.records.size(), 20u);
    EXPECT_EQ(w.complete.data, (std::vector<uint8_t>{7, 0}));
    // Routes of 7 and 21 waypoints: header, waypoints, a link between each two.
    GarminTransfer r = Transfer(line, 4);
    EXPECT_EQ(r.announced, (1 + 7 + 6) + (1 + 21 + 20));
    ASSERT_EQ(r.records.size(), 56u);
    EXPECT_EQ(Ids(r.records, 15), "29 30 98 30 98 30 98 30 98 30 98 30 98 30 29 ");
    // Tracks of 220 and 160 points, each after its header; D301 marks each first point.
    GarminTransfer t = Transfer(line, 6);
    EXPECT_EQ(t.announced, 382);
    ASSERT_EQ(t.records.size(), 382u);
    EXPECT_EQ(Ids(t.records, 3), "99 34 34 ");
    EXPECT_EQ(t.records[221].id, 99);
    EXPECT_EQ(t.records[222].data.at(20), 1);
    EXPECT_EQ(t.records[223].data.at(20), 0);
    EXPECT_EQ(t.complete.data, (std::vector<uint8_t>{6, 0}));
    EXPECT_TRUE(w.allIntact && r.allIntact && t.allIntact);
}

TEST(GarminSim, DleBytesAreStuffedInTheSizeTheDataAndOnlyThere) {
    // A D105 record of a five-letter ident is 16 bytes long: its size byte is a
    // DLE, and a latitude of 0x10101010 semicircles is four more.
    TempDir dir;
    std::ofstream(dir.File("dle.json"))
        << R"({"waypoints": [{"ident": "ABCDE", "lat": 22.588235288858414, "lon": 1.5}]})";
    SimulatorProcess sim({"--profile", "d105", "--dataset", dir.File("dle.json")});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    Identify(line);
    GarminTransfer t = Transfer(line, 7);
    ASSERT_EQ(t.records.size(), 1u);
    const WirePacket& p = t.records[0];
    EXPECT_TRUE(p.framed && p.checksumOk && p.hadStuffing);
    EXPECT_EQ(p.claimedSize, 16);
    EXPECT_EQ(std::vector<uint8_t>(p.data.begin(), p.data.begin() + 4),
              std::vector<uint8_t>(4, 0x10));
    EXPECT_EQ(TextAt(p.data, 10), "ABCDE");
}

// What each fault puts on the wire; how hosts fare against them is the fault
// matrix's part.
TEST(GarminSimFaults, DamagedTriesNoiseAndPacing) {
    {
        SimulatorProcess sim({"--bad-checksums", "2", "--garbage", "7"});
        HostLine line(sim.DevicePath());
        line.SendPacket(254, {});
        WirePacket ack = line.ReadPacket();
        EXPECT_TRUE(ack.checksumOk && ack.skipped.empty());  // acknowledgements stay intact
        for (int attempt = 1; attempt <= 2; ++attempt) {
            WirePacket bad = line.ReadPacket();
            EXPECT_TRUE(bad.id == 255 && bad.framed && !bad.checksumOk) << "try " << attempt;
            line.SendNak(255);
        }
        WirePacket product = line.ReceiveAndAck();
        EXPECT_TRUE(product.checksumOk);
        // Noise before every data packet, never holding a DLE, new each time.
        EXPECT_EQ(product.skipped.size(), 7u);
        for (uint8_t b : product.skipped) EXPECT_NE(b, 0x10);
        WirePacket caps = line.ReadPacket();
        EXPECT_FALSE(caps.checksumOk) << "the next packet starts over with spoilt tries";
        EXPECT_NE(caps.skipped, product.skipped);
    }
    {
        // Request (6 bytes), acknowledgement (8) and product data (45): 59 bytes
        // at 120 bytes a second cannot take less than about half a second.
        SimulatorProcess sim({"--baud", "1200"});
        HostLine line(sim.DevicePath());
        auto start = std::chrono::steady_clock::now();
        line.SendPacket(254, {});
        ASSERT_EQ(line.ReadPacket().id, 6);
        ASSERT_EQ(line.ReadPacket().id, 255);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
    }
}

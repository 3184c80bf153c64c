// The simulator's Garmin side, spoken to over its pseudo-terminal with raw bytes.

#include <gtest/gtest.h>

#include <cmath>

#include "host_line.h"
#include "sim_test_support.h"
#include "simulator_process.h"

namespace {

constexpr long long kGarminEpoch = 631065600;  // 1989-12-31 00:00:00 UTC

TEST(GarminSimIdentify, AnswersTheProductRequestAndSendsCapabilitiesOnlyAfterTheAck) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    ASSERT_TRUE(line.IsOpen());

    line.SendPacket(254, {});
    // The acknowledgement exactly as it goes over the wire: ID 254 and 0.
    std::vector<uint8_t> ack;
    for (int i = 0; i < 8; ++i) ack.push_back(static_cast<uint8_t>(line.ReadByte(1000)));
    EXPECT_EQ(ack, (std::vector<uint8_t>{0x10, 0x06, 0x02, 0xFE, 0x00, 0xFA, 0x10, 0x03}));

    WirePacket product = line.ReadPacket();
    ASSERT_EQ(product.id, 255);
    EXPECT_TRUE(product.framed && product.checksumOk);
    EXPECT_EQ(U16At(product.data, 0), 900);
    EXPECT_EQ(TextAt(product.data, 4).rfind("SIMULATED D108", 0), 0u);
    // Nothing more until the host has acknowledged the product data.
    EXPECT_TRUE(line.QuietFor(300));
    line.SendAck(255);
    WirePacket caps = line.ReadPacket();
    ASSERT_EQ(caps.id, 253);
    EXPECT_TRUE(caps.framed && caps.checksumOk);
    EXPECT_EQ(CapabilityText(caps), "P0 L1 A10 A100 D108 A201 D202 D108 D210 A301 D310 D301");
}

TEST(GarminSimIdentify, ProfilesAnnounceTheirOwnLayoutsOrNothing) {
    {
        SimulatorProcess sim({"--profile", "d109"});
        HostLine line(sim.DevicePath());
        GarminIdentity id = Identify(line);
        EXPECT_EQ(CapabilityText(id.capabilities),
                  "P0 L1 A10 A100 D109 A201 D202 D109 D210 A301 D310 D301");
    }
    {
        // An old receiver: product 13 (its protocols are in the host's table), no list.
        SimulatorProcess sim({"--profile", "old"});
        HostLine line(sim.DevicePath());
        GarminIdentity id = Identify(line, 1200);
        ASSERT_EQ(id.product.id, 255);
        EXPECT_EQ(U16At(id.product.data, 0), 13);
        EXPECT_EQ(id.capabilities.id, -1);
    }
    {
        SimulatorProcess sim({"--profile", "d103", "--no-capabilities", "--product-id", "73"});
        HostLine line(sim.DevicePath());
        GarminIdentity id = Identify(line, 1200);
        EXPECT_EQ(U16At(id.product.data, 0), 73);
        EXPECT_EQ(id.capabilities.id, -1);
    }
}

TEST(GarminSimLink, ResendsOnNakAndRefusesPacketsWithBadChecksums) {
    SimulatorProcess sim;
    HostLine line(sim.DevicePath());
    line.SendPacket(254, {});
    ASSERT_EQ(line.ReadPacket().id, 6);
    WirePacket first = line.ReadPacket();
    line.SendNak(255);
    WirePacket again = line.ReadPacket();
    EXPECT_EQ(again.id, 255);
    EXPECT_EQ(again.data, first.data);
    line.SendAck(255);
    ASSERT_EQ(line.ReceiveAndAck().id, 253);

    // A command whose checksum is wrong is refused with a NAK naming its ID.
    std::vector<uint8_t> bad = HostLine::Frame(10, {7, 0});
    bad[5] ^= 0x55;
    line.Write(bad);
    WirePacket nak = line.ReadPacket();
    EXPECT_EQ(nak.id, 21);
    EXPECT_EQ(nak.data, (std::vector<uint8_t>{10, 0}));
}

TEST(GarminSimTransfer, WaypointsComeAsRecordsDataAndTransferComplete) {
    SimulatorProcess sim;
    nlohmann::json data = DumpDataset({});
    HostLine line(sim.DevicePath());
    Identify(line);
    GarminTransfer t = Transfer(line, 7);

    EXPECT_EQ(t.commandAck.id, 6);
    EXPECT_EQ(t.commandAck.data, (std::vector<uint8_t>{10, 0}));
    const auto& waypoints = data["waypoints"];
    ASSERT_EQ(waypoints.size(), 20u);
    EXPECT_EQ(t.announced, 20);
    ASSERT_EQ(t.records.size(), 20u);
    EXPECT_TRUE(t.allIntact);
    for (size_t i = 0; i < t.records.size(); ++i) {
        const WirePacket& p = t.records[i];
        const auto& w = waypoints[i];
        EXPECT_EQ(p.id, 35);
        // D108: position at 24/28, altitude at 32, ident at 48, comment after it.
        EXPECT_NEAR(Degrees(I32At(p.data, 24)), w["lat"].get<double>(), 1e-7);
        EXPECT_NEAR(Degrees(I32At(p.data, 28)), w["lon"].get<double>(), 1e-7);
        EXPECT_NEAR(FloatAt(p.data, 32), w["alt"].get<double>(), 1e-3);
        std::string ident = TextAt(p.data, 48);
        EXPECT_EQ(ident, w["ident"].get<std::string>());
        EXPECT_EQ(TextAt(p.data, 48 + ident.size() + 1), w["comment"].get<std::string>());
    }
    EXPECT_EQ(TextAt(t.records[0].data, 48), "MARKET");
    EXPECT_EQ(TextAt(t.records[0].data, 55), "17-MAY-03 08:05");
    EXPECT_EQ(t.complete.id, 12);
    EXPECT_EQ(t.complete.data, (std::vector<uint8_t>{7, 0}));
}

TEST(GarminSimTransfer, A201RoutesPutALinkBetweenConsecutiveWaypoints) {
    SimulatorProcess sim;
    HostLine line(sim.DevicePath());
    Identify(line);
    GarminTransfer t = Transfer(line, 4);
    // Two routes of 5 and 22 waypoints: header, waypoints, links between them.
    EXPECT_EQ(t.announced, static_cast<int>(t.records.size()));
    ASSERT_EQ(t.records.size(), (1u + 5 + 4) + (1 + 22 + 21));
    EXPECT_TRUE(t.allIntact);
    std::string ids;
    for (size_t i = 0; i < 10; ++i) ids += std::to_string(t.records[i].id) + " ";
    EXPECT_EQ(ids, "29 30 98 30 98 30 98 30 98 30 ");
    EXPECT_EQ(TextAt(t.records[0].data, 0), "TOWN WALK");  // D202
    EXPECT_EQ(TextAt(t.records[1].data, 48), "MARKET");    // D108
    EXPECT_EQ(U16At(t.records[2].data, 0), 3);             // D210 class
    EXPECT_EQ(TextAt(t.records[10].data, 0), "GRAND TOUR");
    EXPECT_EQ(t.complete.data, (std::vector<uint8_t>{4, 0}));
}

TEST(GarminSimTransfer, A301TrackLogHasAHeaderPerTrackAndTimedPoints) {
    SimulatorProcess sim;
    nlohmann::json data = DumpDataset({});
    HostLine line(sim.DevicePath());
    Identify(line);
    GarminTransfer t = Transfer(line, 6);
    ASSERT_EQ(t.records.size(), 1u + 220 + 1 + 160);
    EXPECT_EQ(t.announced, 382);
    EXPECT_TRUE(t.allIntact);
    EXPECT_EQ(t.records[0].id, 99);
    EXPECT_EQ(TextAt(t.records[0].data, 2), "MORNING");  // D310
    EXPECT_EQ(t.records[221].id, 99);
    EXPECT_EQ(TextAt(t.records[221].data, 2), "AFTERNOON");

    const auto& p0 = data["tracks"][0]["points"][0];
    const WirePacket& first = t.records[1];
    ASSERT_EQ(first.data.size(), 21u);  // D301
    EXPECT_NEAR(Degrees(I32At(first.data, 0)), p0["lat"].get<double>(), 1e-7);
    EXPECT_EQ(static_cast<uint32_t>(I32At(first.data, 8)),
              UnixTime(p0["time"].get<std::string>()) - kGarminEpoch);
    EXPECT_NEAR(FloatAt(first.data, 12), p0["alt"].get<double>(), 1e-3);
    EXPECT_GT(FloatAt(first.data, 16), 1e24);  // no depth
    EXPECT_EQ(first.data[20], 1);              // a new track starts here
    EXPECT_EQ(t.records[2].data[20], 0);
    EXPECT_EQ(t.complete.data, (std::vector<uint8_t>{6, 0}));
}

TEST(GarminSimLink, AHostThatClosesAndReopensTheDeviceIsServedAgain) {
    SimulatorProcess sim({"--profile", "old"});
    {
        HostLine line(sim.DevicePath());
        EXPECT_EQ(Identify(line, 300).product.id, 255);
    }
    HostLine again(sim.DevicePath());
    ASSERT_TRUE(again.IsOpen());
    GarminIdentity id = Identify(again, 300);
    EXPECT_EQ(id.product.id, 255);
    GarminTransfer t = Transfer(again, 7);
    EXPECT_EQ(t.records.size(), 20u);
    EXPECT_EQ(t.records[0].data.size(), 58u);  // D100
}

}  // namespace

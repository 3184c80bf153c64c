// The simulator's Garmin fault options, observed on the wire.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "host_line.h"
#include "sim_test_support.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(GarminSimFaults, BadChecksumsSpoilTheFirstTriesOfEachPacket) {
    SimulatorProcess sim({"--bad-checksums", "2"});
    HostLine line(sim.DevicePath());
    line.SendPacket(254, {});
    WirePacket ack = line.ReadPacket();
    EXPECT_TRUE(ack.checksumOk);  // acknowledgements stay intact
    for (int attempt = 1; attempt <= 2; ++attempt) {
        WirePacket bad = line.ReadPacket();
        EXPECT_EQ(bad.id, 255);
        EXPECT_TRUE(bad.framed);
        EXPECT_FALSE(bad.checksumOk) << "try " << attempt;
        line.SendNak(255);
    }
    WirePacket good = line.ReceiveAndAck();
    EXPECT_EQ(good.id, 255);
    EXPECT_TRUE(good.checksumOk);
    // The next packet starts over with spoilt tries.
    EXPECT_FALSE(line.ReadPacket().checksumOk);
}

TEST(GarminSimFaults, SilentAfterKDataPacketsUntilTheNextProductRequest) {
    SimulatorProcess sim({"--silent-after", "3"});
    HostLine line(sim.DevicePath());
    Identify(line);  // product data and capability list: two packets
    line.SendCommand(7);
    EXPECT_EQ(line.ReadPacket().id, 6);
    EXPECT_EQ(line.ReceiveAndAck().id, 27);  // the third
    EXPECT_TRUE(line.QuietFor(800));
    line.SendCommand(4);
    EXPECT_TRUE(line.QuietFor(500));  // not even an acknowledgement
    // A host that starts over finds the receiver again.
    GarminIdentity id = Identify(line);
    EXPECT_EQ(id.product.id, 255);
    EXPECT_EQ(id.capabilities.id, 253);
}

TEST(GarminSimFaults, GarbageGoesBeforeEveryDataPacketAndNeverHoldsADle) {
    SimulatorProcess sim({"--garbage", "7"});
    HostLine line(sim.DevicePath());
    line.SendPacket(254, {});
    EXPECT_TRUE(line.ReadPacket().skipped.empty());  // the acknowledgement
    WirePacket product = line.ReceiveAndAck();
    EXPECT_EQ(product.skipped.size(), 7u);
    EXPECT_TRUE(product.framed && product.checksumOk);
    WirePacket caps = line.ReceiveAndAck();
    EXPECT_EQ(caps.skipped.size(), 7u);
    EXPECT_NE(caps.skipped, product.skipped);
    for (uint8_t b : caps.skipped) EXPECT_NE(b, 0x10);
}

TEST(GarminSimFaults, SizeLieClaimsMoreDataThanTheRecordCarries) {
    SimulatorProcess sim({"--size-lie"});
    HostLine line(sim.DevicePath());
    Identify(line);
    line.SendCommand(7);
    ASSERT_EQ(line.ReadPacket().id, 6);
    WirePacket records = line.ReceiveAndAck();
    EXPECT_TRUE(records.framed && records.checksumOk);  // only records lie
    // Raw frame of the first waypoint: DLE, 35, size, data, checksum, DLE, ETX.
    std::vector<uint8_t> raw;
    int b;
    while ((b = line.ReadByte(400)) >= 0) raw.push_back(static_cast<uint8_t>(b));
    ASSERT_GT(raw.size(), 5u);
    EXPECT_EQ(raw[0], 0x10);
    EXPECT_EQ(raw[1], 35);
    EXPECT_EQ(raw[raw.size() - 2], 0x10);
    EXPECT_EQ(raw.back(), 0x03);
    size_t carried = 0;
    for (size_t i = 3; i + 2 < raw.size(); ++i, ++carried)
        if (raw[i] == 0x10) ++i;     // stuffed pair
    EXPECT_GT(raw[2], carried - 1);  // carried = data + checksum
}

TEST(GarminSimFaults, CloseAfterKPacketsMakesTheDeviceDisappear) {
    TempDir dir;
    std::string link = dir.File("gps");
    SimulatorProcess sim({"--close-after", "1", "--link", link});
    ASSERT_TRUE(FileExists(link));
    HostLine line(link);
    line.SendPacket(254, {});
    EXPECT_EQ(line.ReadPacket().id, 6);
    EXPECT_EQ(line.ReadPacket().id, 255);
    for (int i = 0; i < 100 && FileExists(link); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(FileExists(link));
    line.SendAck(255);
    EXPECT_EQ(line.ReadByte(300), -1);
    // The simulator itself waits for its stop signal and ends normally.
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(GarminSimFaults, BaudPacesTheBytesItSends) {
    SimulatorProcess sim({"--baud", "1200"});
    HostLine line(sim.DevicePath());
    auto start = Clock::now();
    line.SendPacket(254, {});
    ASSERT_EQ(line.ReadPacket().id, 6);
    ASSERT_EQ(line.ReadPacket().id, 255);
    // Request (6 bytes), acknowledgement (8) and product data (45): 59 bytes at
    // 120 bytes a second cannot take less than about half a second.
    EXPECT_GE(MsSince(start), 450);
}

TEST(GarminSimLink, ANewCommandAbandonsTheRunningTransfer) {
    SimulatorProcess sim;
    HostLine line(sim.DevicePath());
    Identify(line);
    line.SendCommand(6);
    ASSERT_EQ(line.ReadPacket().id, 6);
    EXPECT_EQ(line.ReceiveAndAck().id, 27);
    EXPECT_EQ(line.ReceiveAndAck().id, 99);
    EXPECT_EQ(line.ReadPacket().id, 34);  // not acknowledged: the host changes its mind
    GarminTransfer w = Transfer(line, 7);
    EXPECT_EQ(w.commandAck.id, 6);
    EXPECT_EQ(w.announced, 20);
    EXPECT_EQ(w.records.size(), 20u);
}

TEST(GarminSimLink, UnacknowledgedPacketsAreResentOrGivenUp) {
    {
        SimulatorProcess sim({"--resend-after", "200"});
        HostLine line(sim.DevicePath());
        line.SendPacket(254, {});
        ASSERT_EQ(line.ReadPacket().id, 6);
        WirePacket first = line.ReadPacket();
        WirePacket again = line.ReadPacket(1000);
        EXPECT_EQ(again.id, 255);
        EXPECT_EQ(again.data, first.data);
    }
    {
        SimulatorProcess sim({"--ack-timeout", "300"});
        HostLine line(sim.DevicePath());
        line.SendPacket(254, {});
        ASSERT_EQ(line.ReadPacket().id, 6);
        ASSERT_EQ(line.ReadPacket().id, 255);
        EXPECT_TRUE(line.QuietFor(700));  // given up, no capability list
        EXPECT_EQ(Identify(line).capabilities.id, 253);
    }
}

}  // namespace

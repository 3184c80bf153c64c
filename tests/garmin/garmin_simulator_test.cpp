// The host's link and identification against the simulated receiver, which
// frames its packets with code of its own.

#include <gtest/gtest.h>

#include <chrono>

#include "garmin/garmin_device.h"
#include "garmin/protocol_table_file.h"
#include "recording_feedback.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

using Clock = std::chrono::steady_clock;

int SecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count());
}

// The packet IDs of a waypoint download done with the link operations alone:
// the command, then every accepted packet up to the transfer-complete one.
std::vector<int> DownloadWaypointPackets(GarminDevice& gps) {
    unsigned char command[2] = {kCmdTransferWaypoints, 0};
    gps.SendWithAck(kPidCommand, command, 2);
    std::vector<int> ids;
    unsigned char data[GarminDevice::kPacketBufferSize];
    while (ids.size() < 1000 && gps.ReceiveData(data) > 0) {
        ids.push_back(gps.LastPacketId());
        if (gps.LastPacketId() == kPidTransferComplete) break;
    }
    return ids;
}

}  // namespace

TEST(GarminSimulator, ReceiversWithCapabilityListsAreIdentified) {
    RecordingFeedback feedback;
    {
        SimulatorProcess sim;
        ASSERT_TRUE(sim.Started()) << sim.Error();
        GarminDevice gps;
        ASSERT_TRUE(gps.Connect(sim.DevicePath().c_str()));
        EXPECT_EQ(gps.ProductId(), 900);
        EXPECT_STREQ(gps.Description(), "SIMULATED D108 Software Version 3.70");
        EXPECT_EQ(WaypointProtocolText(gps.Protocols()), "A100, D108");
        EXPECT_EQ(RouteProtocolText(gps.Protocols()), "A201, D202, D108, D210");
        EXPECT_EQ(TrackProtocolText(gps.Protocols()), "A301, D310, D301");
    }
    {
        // Damaged packets and noise between them on the way.
        SimulatorProcess sim({"--profile", "d109", "--bad-checksums", "3", "--garbage", "12"});
        ASSERT_TRUE(sim.Started()) << sim.Error();
        GarminDevice gps;
        ASSERT_TRUE(gps.Connect(sim.DevicePath().c_str()));
        EXPECT_EQ(WaypointProtocolText(gps.Protocols()), "A100, D109");
        EXPECT_EQ(RouteProtocolText(gps.Protocols()), "A201, D202, D109, D210");
    }
    EXPECT_TRUE(feedback.messages.empty()) << feedback.messages[0];
}

TEST(GarminSimulator, AnOldReceiverIsFoundInTheShippedTable) {
    RecordingFeedback feedback;
    SetProtocolTableDirectory(BinDir());
    SimulatorProcess sim({"--profile", "old"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    GarminDevice gps;
    EXPECT_TRUE(gps.Connect(sim.DevicePath().c_str()));
    SetProtocolTableDirectory("");
    EXPECT_EQ(gps.ProductId(), 13);
    EXPECT_EQ(WaypointProtocolText(gps.Protocols()), "A100, D100");
    EXPECT_EQ(RouteProtocolText(gps.Protocols()), "A200, D200, D100, D0");
    EXPECT_EQ(TrackProtocolText(gps.Protocols()), "A300, D300, D0");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST(GarminSimulator, EveryPacketOfADownloadIsAcknowledged) {
    RecordingFeedback feedback;
    SimulatorProcess sim({"--bad-checksums", "2", "--garbage", "5"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    GarminDevice gps;
    ASSERT_TRUE(gps.Connect(sim.DevicePath().c_str()));
    std::vector<int> ids = DownloadWaypointPackets(gps);
    ASSERT_EQ(ids.size(), 22u);
    EXPECT_EQ(ids.front(), kPidRecords);
    for (size_t i = 1; i + 1 < ids.size(); ++i) EXPECT_EQ(ids[i], kPidWaypoint);
    EXPECT_EQ(ids.back(), kPidTransferComplete);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST(GarminSimulator, LyingSizesAndVanishingReceiversEndADownloadPromptly) {
    RecordingFeedback feedback;
    {
        // From the third data packet on every copy lies about its size: each is
        // refused, the download ends, and nothing after it is misread.
        SimulatorProcess sim({"--size-lie-after", "4"});
        ASSERT_TRUE(sim.Started()) << sim.Error();
        GarminDevice gps;
        ASSERT_TRUE(gps.Connect(sim.DevicePath().c_str()));
        auto start = Clock::now();
        std::vector<int> ids = DownloadWaypointPackets(gps);
        EXPECT_LE(SecondsSince(start), 5);
        ASSERT_GE(ids.size(), 1u);
        ASSERT_LT(ids.size(), 22u);
        EXPECT_EQ(ids.front(), kPidRecords);
        for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], kPidWaypoint);
    }
    {
        SimulatorProcess sim({"--close-after", "6"});
        ASSERT_TRUE(sim.Started()) << sim.Error();
        GarminDevice gps;
        ASSERT_TRUE(gps.Connect(sim.DevicePath().c_str()));
        auto start = Clock::now();
        std::vector<int> ids = DownloadWaypointPackets(gps);
        EXPECT_LT(ids.size(), 22u);
        unsigned char command[2] = {kCmdTransferRoutes, 0};
        EXPECT_EQ(gps.SendWithAck(kPidCommand, command, 2), GarminDevice::kNoAnswer);
        EXPECT_LE(SecondsSince(start), 6);
    }
}

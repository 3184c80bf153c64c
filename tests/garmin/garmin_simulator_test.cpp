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

// The protocol texts of the receiver the simulator plays with `options`.
std::vector<std::string> Identified(const std::vector<std::string>& options) {
    SimulatorProcess sim(options);
    EXPECT_TRUE(sim.Started()) << sim.Error();
    GarminDevice gps;
    if (!gps.Connect(sim.DevicePath().c_str())) return {};
    return {std::to_string(gps.ProductId()), gps.Description(),
            WaypointProtocolText(gps.Protocols()), RouteProtocolText(gps.Protocols()),
            TrackProtocolText(gps.Protocols())};
}

// The packet IDs of a waypoint download done with the link operations alone,
// and the seconds it took.
std::vector<int> DownloadWaypointPackets(const std::vector<std::string>& options, int* seconds) {
    SimulatorProcess sim(options);
    GarminDevice gps;
    if (!gps.Connect(sim.DevicePath().c_str())) return {};
    auto start = std::chrono::steady_clock::now();
    unsigned char command[2] = {kCmdTransferWaypoints, 0};
    gps.SendWithAck(kPidCommand, command, 2);
    std::vector<int> ids;
    unsigned char data[GarminDevice::kPacketBufferSize];
    while (ids.size() < 1000 && gps.ReceiveData(data) > 0) {
        ids.push_back(gps.LastPacketId());
        if (gps.LastPacketId() == kPidTransferComplete) break;
    }
    // A receiver that has gone answers nothing more.
    if (ids.empty() || ids.back() != kPidTransferComplete) {
        EXPECT_EQ(gps.SendWithAck(kPidCommand, command, 2), GarminDevice::kNoAnswer);
    }
    *seconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count());
    return ids;
}

}  // namespace

TEST(GarminSimulator, ReceiversAreIdentifiedFromTheirListOrTheShippedTable) {
    RecordingFeedback feedback;
    EXPECT_EQ(Identified({}),
              std::vector<std::string>({"900", "SIMULATED D108 Software Version 3.70", "A100, D108",
                                        "A201, D202, D108, D210", "A301, D310, D301"}));
    // Damaged packets and noise between them on the way.
    std::vector<std::string> d109 =
        Identified({"--profile", "d109", "--bad-checksums", "3", "--garbage", "12"});
    ASSERT_EQ(d109.size(), 5u);
    EXPECT_EQ(d109[2], "A100, D109");
    EXPECT_EQ(d109[3], "A201, D202, D109, D210");

    SetProtocolTableDirectory(BinDir());
    std::vector<std::string> old = Identified({"--profile", "old"});
    SetProtocolTableDirectory("");
    EXPECT_EQ(old, std::vector<std::string>({"13", "GPS 75 Software Version 2.50", "A100, D100",
                                             "A200, D200, D100, D0", "A300, D300, D0"}));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST(GarminSimulator, DownloadsSurviveLineFaultsAndEndPromptlyWhenTheyCannot) {
    RecordingFeedback feedback;
    int seconds = 0;
    std::vector<int> ids =
        DownloadWaypointPackets({"--bad-checksums", "2", "--garbage", "5"}, &seconds);
    ASSERT_EQ(ids.size(), 22u);
    EXPECT_EQ(ids.front(), kPidRecords);
    for (size_t i = 1; i + 1 < ids.size(); ++i) EXPECT_EQ(ids[i], kPidWaypoint);
    EXPECT_EQ(ids.back(), kPidTransferComplete);

    // Every copy of the later packets lies about its size: each is refused and
    // the download ends, with nothing after it misread.
    ids = DownloadWaypointPackets({"--size-lie-after", "4"}, &seconds);
    ASSERT_GE(ids.size(), 1u);
    EXPECT_LT(ids.size(), 22u);
    for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], kPidWaypoint);
    EXPECT_LE(seconds, 5);

    ids = DownloadWaypointPackets({"--close-after", "6"}, &seconds);
    EXPECT_LT(ids.size(), 22u);
    EXPECT_LE(seconds, 6);
}

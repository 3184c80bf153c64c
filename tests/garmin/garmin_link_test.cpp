#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "garmin/garmin_device.h"
#include "garmin_frames.h"
#include "pty_pair.h"
#include "recording_feedback.h"

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A device on one end of a pseudo-terminal, the test on the other. Time-outs
// are short so that silent lines cost little.
class GarminLink : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device.Port().Open(pty.SlavePath().c_str(), "9600,N,8,1"));
        device.SetLinkTimeouts(200, 100);
    }

    // Sends `frames` to the host, then lets the host receive one packet.
    int Receive(const std::vector<Bytes>& frames) {
        for (const auto& f : frames) pty.Send(f);
        std::memset(buffer, 0xEE, sizeof(buffer));
        return device.ReceivePacket(buffer);
    }

    RecordingFeedback feedback;
    PtyPair pty;
    GarminDevice device;
    unsigned char buffer[GarminDevice::kPacketBufferSize];
};

Bytes Sequence(int count, unsigned char first) {
    Bytes data;
    for (int i = 0; i < count; ++i) data.push_back(static_cast<unsigned char>(first + i));
    return data;
}

}  // namespace

TEST_F(GarminLink, SendPacketFramesAndStuffs) {
    unsigned char command[2] = {7, 0};
    EXPECT_EQ(device.SendPacket(10, command, 2), 8);
    EXPECT_EQ(pty.Receive(8, 1000), Bytes({0x10, 0x0A, 0x02, 0x07, 0x00, 0xED, 0x10, 0x03}));

    // 0x10 in the data, in the size (16 bytes) and in the checksum.
    Bytes data = Sequence(16, 0x08);
    data[15] = 0x10;
    data[0] = static_cast<unsigned char>(data[0] + FrameChecksum(35, data) - 0x10);
    Bytes expected = GarminFrame(35, data);
    ASSERT_EQ(expected[expected.size() - 4], 0x10) << "the checksum must be 0x10 here";
    ASSERT_EQ(expected[2], 0x10);
    EXPECT_EQ(device.SendPacket(35, data.data(), 16), static_cast<int>(expected.size()));
    EXPECT_EQ(pty.Receive(expected.size(), 1000), expected);

    // ACK and NAK carry the packet ID concerned and a 0.
    device.SendAck(35);
    device.SendNak(0x10);
    EXPECT_EQ(pty.Receive(8, 1000), Bytes({0x10, 0x06, 0x02, 0x23, 0x00, 0xD5, 0x10, 0x03}));
    EXPECT_EQ(pty.Receive(9, 1000), GarminFrame(kPidNak, {0x10, 0x00}));

    // The longest packet: 255 bytes of 0x10.
    Bytes dles(255, 0x10);
    Bytes longest = GarminFrame(35, dles);
    EXPECT_EQ(device.SendPacket(35, dles.data(), 255), static_cast<int>(longest.size()));
    EXPECT_EQ(pty.Receive(longest.size(), 1000), longest);
}

TEST_F(GarminLink, ReceivePacketUnstuffsEverySize) {
    for (int size : {0, 1, 2, 15, 16, 17, 100, 254, 255}) {
        Bytes data = Sequence(size, static_cast<unsigned char>(0x10 - size % 7));
        EXPECT_EQ(Receive({GarminFrame(35, data)}), size) << size;
        EXPECT_EQ(Bytes(buffer, buffer + size), data) << size;
        EXPECT_EQ(device.LastPacketId(), 35);
    }
    // A checksum of 0x10: the final byte comes after the stuffed pair.
    Bytes data = {0x01, 0x02};
    data[0] = static_cast<unsigned char>(data[0] + FrameChecksum(12, data) - 0x10);
    Bytes frame = GarminFrame(12, data);
    ASSERT_EQ(frame.size(), 9u);
    EXPECT_EQ(Receive({frame, GarminFrame(27, {5, 0})}), 2);
    EXPECT_EQ(device.LastPacketId(), 12);
    EXPECT_EQ(Receive({}), 2) << "the next packet starts where the stuffed one ended";
    EXPECT_EQ(device.LastPacketId(), 27);

    Bytes dles(255, 0x10);
    EXPECT_EQ(Receive({GarminFrame(35, dles)}), 255);
    EXPECT_EQ(Bytes(buffer, buffer + 255), dles);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminLink, AWrongFinalByteIsNoPacket) {
    Bytes frame = GarminFrame(35, {1, 2, 3});
    frame.back() = 0x04;
    EXPECT_EQ(Receive({frame}), 0);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0], "Internal Error: GetPacketAck...ETX");

    // A final byte lost on the line: the same, after the time-out, and the
    // packet after it is read as it was sent.
    frame.pop_back();
    EXPECT_EQ(Receive({frame}), 0);
    EXPECT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(Receive({GarminFrame(27, {9, 0})}), 2);
    EXPECT_EQ(device.LastPacketId(), 27);
    EXPECT_EQ(buffer[0], 9);
}

TEST_F(GarminLink, NoiseBeforeAFrameIsSkipped) {
    // Text, the end of a frame, a stuffed DLE: nothing that can start a frame.
    Bytes noise = {'$', 'G', 'P', 0x10, 0x03, 0x10, 0x10, 0x10, 0x03, 'z', 0x03};
    EXPECT_EQ(Receive({noise, GarminFrame(35, {4, 5, 6})}), 3);
    EXPECT_EQ(device.LastPacketId(), 35);
    EXPECT_EQ(Bytes(buffer, buffer + 3), Bytes({4, 5, 6}));
    // Only noise: no packet by the packet time-out.
    EXPECT_EQ(Receive({Bytes(50, 'x')}), 0);
    EXPECT_TRUE(feedback.messages.empty());
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
    std::vector<HostFrame> answers = ReadHostFrames(pty, 100);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].id, kPidNak);
    EXPECT_EQ(answers[1].id, kPidAck);

    // The largest lie and then silence: given up at the first missing byte,
    // not after one time-out for each of the 250 promised ones.
    Bytes big = GarminFrame(35, Sequence(5, 1));
    big[2] = 255;
    big.resize(big.size() - 3);  // neither checksum nor DLE ETX
    auto start = Clock::now();
    EXPECT_EQ(Receive({big}), 0);
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(GarminLink, ReceiveDataRefusesBadChecksumsSixTimesAtMost) {
    Bytes data = {1, 2, 3, 4};
    std::vector<Bytes> frames(5, GarminFrame(35, data, 1));
    frames.push_back(GarminFrame(35, data));
    for (const auto& f : frames) pty.Send(f);
    EXPECT_EQ(device.ReceiveData(buffer), 4);
    EXPECT_EQ(Bytes(buffer, buffer + 4), data);
    std::vector<HostFrame> answers = ReadHostFrames(pty, 100);
    ASSERT_EQ(answers.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(answers[i].id, kPidNak);
        EXPECT_EQ(answers[i].data, Bytes({35, 0}));
        EXPECT_TRUE(answers[i].checksumOk);
    }
    EXPECT_EQ(answers[5].id, kPidAck);
    EXPECT_EQ(answers[5].data, Bytes({35, 0}));

    // Six bad receptions: failure, six NAKs, and the seventh copy stays queued.
    for (int i = 0; i < 6; ++i) pty.Send(GarminFrame(35, data, -3));
    pty.Send(GarminFrame(27, {1, 0}));
    EXPECT_EQ(device.ReceiveData(buffer), 0);
    answers = ReadHostFrames(pty, 100);
    ASSERT_EQ(answers.size(), 6u);
    for (const auto& answer : answers) EXPECT_EQ(answer.id, kPidNak);
    EXPECT_EQ(device.ReceiveData(buffer), 2);
    EXPECT_EQ(device.LastPacketId(), 27);
}

TEST_F(GarminLink, SendWithAckResendsUntilAcknowledged) {
    pty.StartPeer([](PtyPair& peer) {
        HostFrame frame;
        for (int i = 0; i < 2 && ReadHostFrame(peer, &frame, 1000); ++i)
            peer.Send(GarminFrame(kPidNak, {static_cast<unsigned char>(frame.id), 0}));
        if (ReadHostFrame(peer, &frame, 1000))
            peer.Send(GarminFrame(kPidAck, {static_cast<unsigned char>(frame.id), 0}));
    });
    pty.Send(Bytes{'o', 'l', 'd'});  // stale input is discarded before sending
    unsigned char command[2] = {kCmdTransferWaypoints, 0};
    EXPECT_EQ(device.SendWithAck(kPidCommand, command, 2), GarminDevice::kAcknowledged);
    pty.JoinPeer();
}

TEST_F(GarminLink, SendWithAckGivesUpOnAReceiverThatRefusesEverything) {
    int sends = 0;
    pty.StartPeer([&sends](PtyPair& peer) {
        HostFrame frame;
        while (ReadHostFrame(peer, &frame, 500)) {
            ++sends;
            peer.Send(GarminFrame(kPidNak, {static_cast<unsigned char>(frame.id), 0}));
        }
    });
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    pty.JoinPeer();
    EXPECT_EQ(sends, 1 + GarminDevice::kMaxResends);

    // Silence: one send, no answer.
    auto start = Clock::now();
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    EXPECT_GE(MillisecondsSince(start), 190);
    HostFrame frame;
    EXPECT_TRUE(ReadHostFrame(pty, &frame, 100));
    EXPECT_EQ(frame.id, kPidProductRequest);
    EXPECT_FALSE(ReadHostFrame(pty, &frame, 50));
}

TEST_F(GarminLink, AnUnpluggedReceiverIsSilence) {
    pty.CloseSlave();
    pty.CloseMaster();
    EXPECT_EQ(device.ReceivePacket(buffer), 0);
    EXPECT_EQ(device.WaitAck(), GarminDevice::kNoAnswer);
    EXPECT_EQ(device.SendWithAck(kPidProductRequest, nullptr, 0), GarminDevice::kNoAnswer);
    EXPECT_EQ(device.ReceiveData(buffer), 0);
    EXPECT_FALSE(device.Identify());
    EXPECT_TRUE(feedback.HasMessage("Can not find a Garmin GPS unit."));
}

TEST(GarminChecksum, MakesTheSumZero) {
    unsigned char data[3] = {0xFF, 0x10, 0x00};
    unsigned char sum = GarminDevice::Checksum(35, 3, data);
    EXPECT_EQ(static_cast<unsigned char>(35 + 3 + 0xFF + 0x10 + sum), 0);
    unsigned char command[2] = {7, 0};
    EXPECT_EQ(GarminDevice::Checksum(10, 2, command), 0xED);
}

TEST(GarminDelay, WaitsAtLeastTheTimeGiven) {
    GarminDevice device;
    auto start = Clock::now();
    device.DelayMs(30);
    EXPECT_GE(MillisecondsSince(start), 30);
    device.DelayMs(0);
}

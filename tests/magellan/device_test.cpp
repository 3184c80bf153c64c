// MagellanDevice over a real pseudo-terminal, with the test playing the receiver.

#include "magellan/magellan_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "magellan_test_lines.h"
#include "pty_pair.h"
#include "recording_feedback.h"

namespace {

const char kSettings[] = "baud=4800 parity=N data=8 stop=1";

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// One line the host wrote (up to LF), or what came before `timeoutMs` ran out.
std::string ReadHostLine(PtyPair& pty, int timeoutMs = 3000) {
    std::string line;
    while (line.empty() || line.back() != '\n') {
        Bytes b = pty.Receive(1, timeoutMs);
        if (b.empty()) break;
        line += static_cast<char>(b[0]);
    }
    return line;
}

// Waits until the port has `count` bytes queued; the pseudo-terminal passes
// bytes on with a small delay.
bool WaitQueued(SerialPort& port, int count) {
    for (int i = 0; i < 1000 && port.BytesWaiting() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return port.BytesWaiting() >= count;
}

class MagellanLink : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(device.port.Open(pty.SlavePath().c_str(), kSettings)); }

    RecordingFeedback feedback;
    PtyPair pty;
    MagellanDevice device;
};

TEST_F(MagellanLink, SentencesAndAcknowledgementsAreFramed) {
    EXPECT_EQ(device.SendSentence("$PMGNCMD,VERSION"), 21);
    EXPECT_EQ(Text(pty.Receive(21, 2000)), "$PMGNCMD,VERSION*28\r\n");

    const std::string end = "$PMGNCMD,END*3D\r\n";
    pty.Send(end);
    char line[MagellanDevice::kLineBufferSize];
    EXPECT_EQ(device.ReceiveSentence(line), static_cast<int>(end.size()));
    EXPECT_EQ(std::string(line), end);
    EXPECT_EQ(Text(pty.Receive(16, 2000)), "$PMGNCSM,3D*12\r\n");
}

TEST_F(MagellanLink, HostileLinesStayInsideTheLineBuffer) {
    GuardedBuffer<MagellanDevice::kLineBufferSize> buffers;

    // 300 bytes without a line end: one read takes 256, the next the rest.
    const std::string longLine(300, 'X');
    pty.Send(longLine + "\r\n");
    ASSERT_TRUE(WaitQueued(device.port, 302));
    EXPECT_EQ(device.ReceiveSentence(buffers.text), 256);
    EXPECT_EQ(std::strlen(buffers.text), 256u);
    EXPECT_TRUE(buffers.GuardIntact());
    EXPECT_EQ(device.ReceiveSentence(buffers.text), 46);
    EXPECT_EQ(std::string(buffers.text), std::string(44, 'X') + "\r\n");

    // NUL bytes are kept in the count; the text (and the checksum) end at the first.
    const std::string withNul("$PMG\0NWPL,1*00\r\n", 16);
    pty.Send(withNul);
    EXPECT_EQ(device.ReceiveSentence(buffers.text), 16);
    EXPECT_STREQ(buffers.text, "$PMG");
    EXPECT_TRUE(buffers.GuardIntact());

    // Without a '*', the checksum of a line takes in its CR LF too.
    const std::string acks = Text(pty.Receive(48, 2000));
    EXPECT_EQ(acks, AcknowledgementOf(std::string(256, 'X')) +
                        AcknowledgementOf(std::string(44, 'X') + "\r\n") +
                        AcknowledgementOf("$PMG"));
}

TEST_F(MagellanLink, CommandDiscardsPendingInputAndWaitsForOneLine) {
    pty.Send("$GPGGA,left over from before\r\n");
    ASSERT_TRUE(WaitQueued(device.port, 10));
    const std::string waypoint = Sentence("$PMGNWPL,4807.038,N,01131.000,E,0,M,HOME,,a");
    std::string command;
    pty.StartPeer([&](PtyPair& p) {
        command = ReadHostLine(p);
        p.Send(AcknowledgementOf(command) + waypoint);
    });
    device.SendCommand("$PMGNCMD,WAYPOINT");
    pty.JoinPeer();
    EXPECT_EQ(command, "$PMGNCMD,WAYPOINT*71\r\n");

    // The acknowledgement was read and dropped; the next line is the first sentence.
    char line[MagellanDevice::kLineBufferSize];
    device.ReadSentence(line);
    EXPECT_EQ(std::string(line), waypoint);
    // The command went out once.
    EXPECT_TRUE(pty.ReceiveUntilQuiet(100).empty());
}

TEST_F(MagellanLink, SilentReceiverEndsWaypointsAfterTwentyOneTimeOuts) {
    pty.StartPeer([](PtyPair& p) { p.Send(AcknowledgementOf(ReadHostLine(p))); });
    GeometryStore geometry;
    AttributeStore attributes;
    device.TransferWaypoints(geometry, attributes, "Waypoints");
    pty.JoinPeer();
    EXPECT_EQ(feedback.messages, std::vector<std::string>{"Too Many Errors. Transfer terminated!"});
    // Every time-out was acknowledged, and nothing was stored.
    std::string zeroAcks;
    for (int i = 0; i < 21; ++i) zeroAcks += "$PMGNCSM,00*65\r\n";
    EXPECT_EQ(Text(pty.ReceiveUntilQuiet(200)), zeroAcks);
    EXPECT_EQ(geometry.Layer(0).pointCount, 0);
}

TEST(MagellanConnect, PortThatDoesNotOpenIsReported) {
    RecordingFeedback feedback;
    MagellanDevice device;
    EXPECT_FALSE(device.Connect("/dev/no-such-receiver", kSettings));
    ASSERT_FALSE(feedback.messages.empty());
    EXPECT_EQ(feedback.messages.back(),
              "Can't open serial port(/dev/no-such-receiver)\n with " + std::string(kSettings));
}

TEST(MagellanConnect, SilentReceiverStillConnects) {
    RecordingFeedback feedback;
    PtyPair pty;
    MagellanDevice device;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Connect(pty.SlavePath().c_str(), kSettings));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_STREQ(device.description, "");
    EXPECT_EQ(device.productId, 0);
    EXPECT_EQ(Text(pty.ReceiveUntilQuiet(200)),
              "$$\r\n$PMGNCMD,HANDON*70\r\n$PMGNCMD,VERSION*28\r\n$PMGNCSM,00*65\r\n");
}

TEST(MagellanConnect, VersionReplyGivesProductAndDescription) {
    RecordingFeedback feedback;
    PtyPair pty;
    MagellanDevice device;
    const std::string reply = Sentence("$PMGNVER,80,2.01,HANDHELD RECEIVER");
    std::vector<std::string> heard;
    pty.StartPeer([&](PtyPair& p) {
        heard.push_back(ReadHostLine(p));  // "$$"
        for (int command = 0; command < 2; ++command) {
            heard.push_back(ReadHostLine(p));
            p.Send(AcknowledgementOf(heard.back()));
        }
        p.Send(reply);
        heard.push_back(ReadHostLine(p));
    });
    ASSERT_TRUE(device.Connect(pty.SlavePath().c_str(), kSettings));
    pty.JoinPeer();
    EXPECT_EQ(device.productId, 80);
    EXPECT_STREQ(device.description, "HANDHELD RECEIVER");
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[3], AcknowledgementOf(reply));
}

}  // namespace

// MagellanDevice over a real pseudo-terminal, with the test playing the receiver.

#include "magellan/magellan_device.h"

#include "quorvex_test.h"

#include <chrono>
#include <thread>

namespace {

const char kSettings[] = "baud=4800 parity=N data=8 stop=1";

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
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

TEST_F(MagellanLink, CommandDiscardsStaleInputAndSentencesAreAcknowledged) {
    pty.Send("$GPGGA,left over from before\r\n");
    ASSERT_TRUE(WaitQueued(device.port, 10));
    const std::string end = "$PMGNCMD,END*3D\r\n";
    std::string command;
    pty.StartPeer([&](PtyPair& p) {
        command = Text(p.Receive(22, 3000));
        p.Send(AcknowledgementOf(command) + end);
    });
    device.SendCommand("$PMGNCMD,WAYPOINT");
    pty.JoinPeer();
    EXPECT_EQ(command, "$PMGNCMD,WAYPOINT*71\r\n");

    // The acknowledgement was read and dropped; the next line is the first sentence.
    char line[MagellanDevice::kLineBufferSize];
    EXPECT_EQ(device.ReceiveSentence(line), static_cast<int>(end.size()));
    EXPECT_EQ(std::string(line), end);
    // Its acknowledgement follows, and the command went out once.
    EXPECT_EQ(Text(pty.ReceiveUntilQuiet(100)), "$PMGNCSM,3D*12\r\n");
}

TEST_F(MagellanLink, HostileLinesStayInsideTheLineBuffer) {
    GuardedBuffer<MagellanDevice::kLineBufferSize> buffers;

    // 300 bytes without a line end: one read takes 256, the next the rest.
    pty.Send(std::string(300, 'X') + "\r\n");
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
    EXPECT_EQ(Text(pty.Receive(48, 2000)), AcknowledgementOf(std::string(256, 'X')) +
                                               AcknowledgementOf(std::string(44, 'X') + "\r\n") +
                                               AcknowledgementOf("$PMG"));
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

}  // namespace

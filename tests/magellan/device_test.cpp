// MagellanDevice: the fields of a sentence, the port settings texts, and the link
// over a real pseudo-terminal with the test playing the receiver.

#include "magellan/magellan_device.h"

#include "magellan/port_settings.h"
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

TEST(MagellanField, FieldsByCommaCountAndCutToTheBuffer) {
    struct Row {
        const char* sentence;
        unsigned field;
        int start;  // offset of the field in the sentence, -1 for none
        const char* text;
    };
    const Row rows[] = {
        {"a,b,c,d*12", 3, 6, "d"},
        {"a,b,c,d*12", 4, -1, ""},
        {"a,,c", 1, 2, ""},   // an empty field that exists
        {"a,b,", 2, -1, ""},  // a trailing comma has no field behind it
        // Without a checksum the CR before the LF stays in the last field.
        {"$PMGNRTE,2,2,c,1,PARK,a\r\n", 6, 22, "a\r"},
        {"$X,last", 1, 3, "last"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.sentence) + " field " + std::to_string(row.field));
        char out[MagellanDevice::kFieldBufferSize];
        std::strcpy(out, "stale");
        const char* start = MagellanDevice::GetField(out, row.sentence, row.field);
        EXPECT_EQ(start, row.start < 0 ? nullptr : row.sentence + row.start);
        EXPECT_STREQ(out, row.text);
    }
    // A field longer than the buffer is cut to it.
    GuardedBuffer<MagellanDevice::kFieldBufferSize> buffer;
    const std::string sentence =
        "$PMGNWPL,4807.038,N,01131.000,E,0,M," + std::string(200, 'N') + ",x*00\r\n";
    ASSERT_NE(MagellanDevice::GetField(buffer.text, sentence.c_str(), 7), nullptr);
    EXPECT_EQ(std::string(buffer.text), std::string(79, 'N'));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(PortSettings, TextsAreBuiltWhole) {
    RecordingFeedback feedback;
    PortSettings settings;
    char port[PortSettings::kPortNameSize];
    char text[PortSettings::kSettingsSize];
    ASSERT_TRUE(settings.SetSettings(4, "1234567890", 7, 'O', 2));
    ASSERT_TRUE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "COM4");
    EXPECT_STREQ(text, "baud=1234567890 parity=O data=7 stop=2");

    // A longer baud text is refused and the one before stays.
    EXPECT_FALSE(settings.SetSettings(1, "12345678901", 8, 'N', 1));
    EXPECT_TRUE(
        feedback.HasMessage("Baud rate \"12345678901\" is too long: at most 10 characters."));
    EXPECT_STREQ(settings.baudText, "1234567890");

    // Texts that would not fit their buffers are not built at all.
    settings.SetSettings(2, "1234567890", -2147483647, 'N', -2147483647);
    EXPECT_FALSE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "");
    EXPECT_STREQ(text, "");
    settings.SetSettings(123456789, "4800", 8, 'N', 1);
    EXPECT_FALSE(settings.BuildSettings(port, text));
}

}  // namespace

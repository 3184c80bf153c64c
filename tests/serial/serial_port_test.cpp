#include "serial/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "pty_pair.h"
#include "recording_feedback.h"
#include "test_files.h"

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Waits until the port reports `count` queued bytes; the pseudo-terminal hands
// bytes on through a work queue, so they do not show up at once.
bool WaitQueued(SerialPort& port, int count) {
    auto start = Clock::now();
    while (port.BytesWaiting() < count) {
        if (MillisecondsSince(start) > 2000) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class SerialPortOnPty : public ::testing::Test {
  protected:
    bool OpenPort(const char* settings = "9600,N,8,1") {
        return port.Open(pty.SlavePath().c_str(), settings);
    }
    termios LineState() {
        termios tio;
        EXPECT_EQ(tcgetattr(SlaveFd(), &tio), 0);
        return tio;
    }
    int SlaveFd() {
        // The test's own descriptor of the slave side sees the same line state.
        if (slaveProbe_ < 0) slaveProbe_ = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        return slaveProbe_;
    }
    void TearDown() override {
        if (slaveProbe_ >= 0) ::close(slaveProbe_);
    }

    RecordingFeedback feedback;
    PtyPair pty;
    SerialPort port;

  private:
    int slaveProbe_ = -1;
};

}  // namespace

TEST_F(SerialPortOnPty, OpenSetsARawLineFromEitherModeText) {
    // Probe before opening: the port takes the line for itself.
    int probe = SlaveFd();
    ASSERT_GE(probe, 0);
    ASSERT_TRUE(OpenPort("9600,N,8,1"));
    termios tio = LineState();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    port.Close();

    // A pseudo-terminal keeps 8 bits without parity whatever it is told, so the
    // rate and the stop bits show that the keyword form reached the line.
    ASSERT_TRUE(OpenPort("baud=4800 parity=E data=7 stop=2"));
    tio = LineState();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B4800));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    port.Close();

    // What a text does not mention keeps its current value.
    ASSERT_TRUE(OpenPort("baud=19200"));
    tio = LineState();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(SerialPortOnPty, HoldsTheLineExclusivelyUntilClosed) {
    int probe = SlaveFd();
    ASSERT_TRUE(OpenPort());
    int exclusive = 0;
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    port.Close();
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "a closed port must let others open the line";
    EXPECT_TRUE(OpenPort()) << "reopening after a close";
    port.Close();

    // Nor does an open that fails after taking the line keep it.
    EXPECT_FALSE(OpenPort("9600,N,8,7"));
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    EXPECT_FALSE(OpenPort("12345"));
    ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

TEST_F(SerialPortOnPty, OpenFailuresShowTheirMessageAndLeaveThePortClosed) {
    ASSERT_FALSE(OpenPort("9600,Q,8,1"));
    EXPECT_EQ(feedback.messages.back(), "Internal Error: Building DCB string \nErr = 22");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write("x", 1), 0);

    ASSERT_FALSE(OpenPort("12345,N,8,1"));
    EXPECT_EQ(feedback.messages.back(), "Internal Error: Communications state\nErr = 22");
    EXPECT_FALSE(port.IsOpen());

    ASSERT_FALSE(port.Open("/dev/quorvex-no-such-device", "9600,N,8,1"));
    EXPECT_EQ(feedback.messages.back(),
              "Could not open Serial port /dev/quorvex-no-such-device\nErr = 2");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(feedback.messages.size(), 3u);

    // None of the failures keeps the line: a good text opens it at once.
    EXPECT_TRUE(OpenPort());
}

TEST(SerialPortOpen, ADeviceThatIsNoTerminalStaysHeldButUnconfigured) {
    RecordingFeedback feedback;
    TempDir dir;
    std::string file = dir.File("not-a-tty");
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    SerialPort port;
    EXPECT_FALSE(port.Open(file.c_str(), "9600,N,8,1"));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0], "Internal Error: port status " + file + "\nErr = 25");
    EXPECT_TRUE(port.IsOpen());
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortOpen, AFailedOpenKeepsThePortThatWasOpen) {
    RecordingFeedback feedback;
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath().c_str(), "9600,N,8,1"));
    EXPECT_FALSE(port.Open("/dev/quorvex-no-such-device", "9600,N,8,1"));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Write("ok", 2), 2);
    EXPECT_EQ(pty.Receive(2, 1000), Bytes({'o', 'k'}));
}

TEST(SerialPortNames, ComNamesMapToDevicesAndPathsStayPaths) {
    unsetenv("QUORVEX_COM1");
    unsetenv("QUORVEX_COM4");
    EXPECT_EQ(SerialDevicePath("Com1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("COM4"), "/dev/ttyS3");
    EXPECT_EQ(SerialDevicePath("com3"), "/dev/ttyS2");
    EXPECT_EQ(SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("Com5"), "Com5");
    EXPECT_EQ(SerialDevicePath("Com12"), "Com12");
    setenv("QUORVEX_COM4", "", 1);
    EXPECT_EQ(SerialDevicePath("Com4"), "/dev/ttyS3");

    RecordingFeedback feedback;
    PtyPair pty;
    setenv("QUORVEX_COM2", pty.SlavePath().c_str(), 1);
    SerialPort port;
    EXPECT_TRUE(port.Open("Com2", "9600,N,8,1"));
    EXPECT_EQ(port.DevicePath(), pty.SlavePath());
    unsetenv("QUORVEX_COM2");
    unsetenv("QUORVEX_COM4");
}

TEST_F(SerialPortOnPty, ReadsWaitForTheWholeCountOrTheTimeOut) {
    ASSERT_TRUE(OpenPort());
    // All three bytes, the last ones arriving after the read has begun.
    pty.StartPeer([](PtyPair& peer) {
        peer.Send(Bytes{'a'});
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        peer.Send(Bytes{'b', 'c'});
    });
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(port.Read(buffer, 3, 1000), 3);
    EXPECT_STREQ(buffer, "abc");
    pty.JoinPeer();

    // Only two of three within the time-out: two, terminated after them.
    pty.Send(Bytes{'d', 'e'});
    std::memset(buffer, 'x', sizeof(buffer));
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 3, 150), 2);
    EXPECT_GE(MillisecondsSince(start), 140);
    EXPECT_EQ(buffer[0], 'd');
    EXPECT_EQ(buffer[1], 'e');
    EXPECT_EQ(buffer[2], '\0');

    // Nothing at all: ReadByte gives 0 after about the time-out.
    start = Clock::now();
    EXPECT_EQ(port.ReadByte(120), 0);
    int waited = MillisecondsSince(start);
    EXPECT_GE(waited, 110);
    EXPECT_LT(waited, 1000);

    // A byte of value 0 and bytes of every value pass unchanged.
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<unsigned char>(i));
    pty.Send(all);
    unsigned char received[257];
    ASSERT_EQ(port.Read(received, 256, 1000), 256);
    EXPECT_EQ(Bytes(received, received + 256), all);
}

TEST_F(SerialPortOnPty, ReadLineStopsAtTheDelimiterOrTheMaximum) {
    ASSERT_TRUE(OpenPort());
    char line[257];
    pty.Send(std::string("AB\nCD"));
    EXPECT_EQ(port.ReadLine(line, '\n', 256, 500), 3);
    EXPECT_STREQ(line, "AB\n");
    // The rest of a line that stops coming: what arrived, terminated.
    EXPECT_EQ(port.ReadLine(line, '\n', 256, 100), 2);
    EXPECT_STREQ(line, "CD");

    std::string longLine(300, 'z');
    pty.Send(longLine);
    EXPECT_EQ(port.ReadLine(line, '\n', 256, 500), 256);
    EXPECT_EQ(std::strlen(line), 256u);
    EXPECT_EQ(port.ReadLine(line, '\n', 256, 100), 44);
    EXPECT_EQ(std::string(line), std::string(44, 'z'));

    std::memset(line, 'x', sizeof(line));
    EXPECT_EQ(port.ReadLine(line, '\n', 0, 100), 0);
    EXPECT_EQ(line[0], '\0');
}

TEST_F(SerialPortOnPty, DiscardInputDropsEveryQueuedByte) {
    ASSERT_TRUE(OpenPort());
    Bytes flood(3000, 0x55);
    pty.Send(flood);
    ASSERT_TRUE(WaitQueued(port, 3000));
    port.DiscardInput();
    EXPECT_EQ(port.BytesWaiting(), 0);
    pty.Send(Bytes{'n', 'e', 'w'});
    char buffer[4];
    EXPECT_EQ(port.Read(buffer, 3, 1000), 3);
    EXPECT_STREQ(buffer, "new");
}

TEST_F(SerialPortOnPty, WritesReachTheLine) {
    ASSERT_TRUE(OpenPort());
    Bytes frame = {0x10, 0x0A, 0x02, 0x07, 0x00, 0xED, 0x10, 0x03};
    EXPECT_EQ(port.Write(frame.data(), static_cast<int>(frame.size())), 8);
    EXPECT_EQ(pty.Receive(8, 1000), frame);
    EXPECT_EQ(port.Write(frame.data(), 0), 0);
}

TEST(SerialPortClosed, EveryOperationDoesNothing) {
    SerialPort port;
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write("abc", 3), 0);
    EXPECT_EQ(port.ReadByte(10), 0);
    EXPECT_EQ(port.Read(buffer, 3, 10), 0);
    EXPECT_EQ(buffer[0], '\0');
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(port.ReadLine(buffer, '\n', 7, 10), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(port.BytesWaiting(), 0);
    port.DiscardInput();
    port.PurgeOutput();
    port.Close();
}

TEST_F(SerialPortOnPty, AHungUpLineIsSilenceNotAnError) {
    ASSERT_TRUE(OpenPort());
    pty.CloseSlave();
    pty.CloseMaster();
    char buffer[8];
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 3, 200), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(port.ReadByte(100), 0);
    int waited = MillisecondsSince(start);
    EXPECT_GE(waited, 290) << "a hung-up line waits out its time-outs like a silent one";
    EXPECT_LT(waited, 2000);
    EXPECT_EQ(port.ReadLine(buffer, '\n', 7, 50), 0);
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_EQ(port.Write("abc", 3), 0);
    port.DiscardInput();
    port.Close();
    EXPECT_TRUE(feedback.messages.empty());
}

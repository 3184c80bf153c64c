#include "serial/serial_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include "quorvex_test.h"

#include <chrono>
#include <thread>
#include <tuple>

#include "serial/mode_text.h"

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A port on the slave side of a pseudo-terminal; the test holds a second
// descriptor of the slave (opened before the port takes the line) to look at
// the line's state.
class SerialPortOnPty : public ::testing::Test {
  protected:
    void SetUp() override { probe = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY); }
    void TearDown() override { ::close(probe); }
    bool OpenPort(const char* settings = "9600,N,8,1") {
        return port.Open(pty.SlavePath().c_str(), settings);
    }
    termios Line() {
        termios tio;
        EXPECT_EQ(tcgetattr(probe, &tio), 0);
        return tio;
    }
    int Exclusive() {
        int exclusive = -1;
        EXPECT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
        return exclusive;
    }

    RecordingFeedback feedback;
    PtyPair pty;
    SerialPort port;
    int probe = -1;
};

}  // namespace

TEST_F(SerialPortOnPty, OpensARawExclusiveLineKeepsWhatTheTextLeavesOutOrFailsLeavingItFree) {
    ASSERT_TRUE(OpenPort("9600,N,8,1"));
    termios tio = Line();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(Exclusive(), 1);
    port.Close();
    EXPECT_EQ(Exclusive(), 0) << "a closed port lets others open the line";

    // A pseudo-terminal keeps 8 bits without parity, so the rate and the stop
    // bits show what reached the line.
    ASSERT_TRUE(OpenPort("baud=4800 parity=E data=7 stop=2"));
    EXPECT_EQ(cfgetospeed(&(tio = Line())), static_cast<speed_t>(B4800));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    port.Close();
    ASSERT_TRUE(OpenPort("baud=19200"));
    EXPECT_EQ(cfgetospeed(&(tio = Line())), static_cast<speed_t>(B19200));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u) << "stop bits not mentioned stay as they were";
    EXPECT_TRUE(feedback.messages.empty());
    port.Close();

    // Failures show their message at the step that failed and leave the line free.
    EXPECT_FALSE(OpenPort("9600,Q,8,1"));
    EXPECT_EQ(Exclusive(), 0);
    EXPECT_FALSE(OpenPort("12345,N,8,1"));
    EXPECT_EQ(Exclusive(), 0);
    EXPECT_FALSE(port.Open("/dev/quorvex-no-such-device", "9600,N,8,1"));
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{
                  "Internal Error: Building DCB string \nErr = 22",
                  "Internal Error: Communications state\nErr = 22",
                  "Could not open Serial port /dev/quorvex-no-such-device\nErr = 2"}));

    // A port that did not open does nothing, and says nothing.
    char buffer[8] = "xxxxxxx", line[8] = "xxxxxxx";
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write("abc", 3) + port.Read(buffer, 3, 10) + port.ReadLine(line, '\n', 7, 10),
              0);
    EXPECT_EQ(buffer[0] + line[0], 0);
    port.DiscardInput();
    EXPECT_EQ(feedback.messages.size(), 3u);
    // Settings a driver does not support (a USB receiver's) do not fail the open.
    SerialPort::FailLineSettingsForTests(true);
    EXPECT_TRUE(OpenPort());
    SerialPort::FailLineSettingsForTests(false);
    EXPECT_EQ(feedback.messages.size(), 3u);
    EXPECT_EQ(port.Write("abc", 3), 3);
    EXPECT_TRUE(OpenPort());

    // A device that is no terminal is held open but unconfigured.
    TempDir dir;
    std::string file = dir.File("not-a-tty");
    std::fclose(std::fopen(file.c_str(), "w"));
    SerialPort other;
    EXPECT_FALSE(other.Open(file.c_str(), "9600,N,8,1"));
    EXPECT_EQ(feedback.messages.back(), "Internal Error: port status " + file + "\nErr = 25");
    EXPECT_TRUE(other.IsOpen());
}

// The desktop import tests reach the simulator through QUORVEX_COM2.
TEST(SerialPortNames, ComNamesMapToDevicesAndPathsStayPaths) {
    unsetenv("QUORVEX_COM1");
    setenv("QUORVEX_COM4", "", 1);
    EXPECT_EQ(SerialDevicePath("Com1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("COM4"), "/dev/ttyS3");
    EXPECT_EQ(SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("Com5"), "Com5");
    unsetenv("QUORVEX_COM4");
}

// Reads wait for the whole count or the time-out; ReadLine stops at the delimiter
// or the maximum; DiscardInput drops more than its buffer holds.
TEST_F(SerialPortOnPty, ReadsReadLinesAndDiscards) {
    ASSERT_TRUE(OpenPort());
    pty.StartPeer([](PtyPair& peer) {
        peer.Send(Bytes{'a'});
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        peer.Send(Bytes{'b', 'c'});
    });
    char buffer[257];
    EXPECT_EQ(port.Read(buffer, 3, 1000), 3);
    EXPECT_STREQ(buffer, "abc");
    pty.JoinPeer();
    // Two of three within the time-out: two, and a NUL after them.
    pty.Send(Bytes{'d', 'e'});
    std::memset(buffer, 'x', sizeof(buffer));
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 3, 150), 2);
    EXPECT_GE(MillisecondsSince(start), 140);
    EXPECT_STREQ(buffer, "de");
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<unsigned char>(i));
    pty.Send(all);
    ASSERT_EQ(port.Read(buffer, 256, 1000), 256);
    EXPECT_EQ(Bytes(buffer, buffer + 256), all);

    pty.Send(std::string("AB\nCD"));
    EXPECT_EQ(port.ReadLine(buffer, '\n', 256, 500), 3);
    EXPECT_STREQ(buffer, "AB\n");
    EXPECT_EQ(port.ReadLine(buffer, '\n', 256, 100), 2);
    EXPECT_STREQ(buffer, "CD");
    pty.Send(std::string(300, 'z'));
    EXPECT_EQ(port.ReadLine(buffer, '\n', 256, 500), 256);
    EXPECT_EQ(std::strlen(buffer), 256u);
    EXPECT_EQ(port.ReadLine(buffer, '\n', 256, 100), 44) << "the rest of the line comes next";
    EXPECT_EQ(port.ReadLine(buffer, '\n', 0, 100), 0);
    EXPECT_STREQ(buffer, "");

    pty.Send(Bytes(3000, 0x55));
    // The pseudo-terminal passes bytes on through a work queue.
    for (start = Clock::now(); port.BytesWaiting() < 3000 && MillisecondsSince(start) < 2000;)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(port.BytesWaiting(), 3000);
    port.DiscardInput();
    EXPECT_EQ(port.BytesWaiting(), 0);
    pty.Send(std::string("new"));
    EXPECT_EQ(port.Read(buffer, 3, 1000), 3);
    EXPECT_STREQ(buffer, "new");
}

TEST_F(SerialPortOnPty, AHungUpLineIsSilenceNotAnError) {
    ASSERT_TRUE(OpenPort());
    ::close(probe);
    probe = -1;
    pty.CloseSlave();
    pty.CloseMaster();
    char buffer[8];
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 3, 200), 0);
    EXPECT_EQ(port.ReadByte(100), 0);
    int waited = MillisecondsSince(start);
    EXPECT_GE(waited, 290) << "it waits out its time-outs like a silent line";
    EXPECT_LT(waited, 2000);
    EXPECT_EQ(port.ReadLine(buffer, '\n', 7, 50) + port.BytesWaiting() + port.Write("abc", 3), 0);
    port.Close();
    EXPECT_TRUE(feedback.messages.empty());
}

TEST(ModeText, BothFormsAndTheirAbbreviationsMalformedTextsChangeNothing) {
    // text, baud, parity, data bits, stop bits (15: one and a half; 0: not given)
    const std::tuple<const char*, int, char, int, int> cases[] = {
        {"9600,N,8,1", 9600, 'N', 8, 1},
        {"BAUD=19200 PARITY=e DATA=7 STOP=2", 19200, 'E', 7, 2},
        {" 9600 , o , 7 , 1.5 ", 9600, 'O', 7, 15},
        {"COM1: baud=2400 parity=S data=8 stop=1", 2400, 'S', 8, 1},
        {"com2:96,m,8,2,p", 9600, 'M', 8, 2},
        {"115200,,7", 115200, 0, 7, 0},
        {"baud=48 xon=off octs=off to=off dtr=on rts=on idsr=off odsr=off", 4800, 0, 0, 0},
    };
    for (const auto& [text, baud, parity, data, stop] : cases) {
        LineSettings s;
        ASSERT_TRUE(ParseModeText(text, &s)) << text;
        EXPECT_EQ(std::make_tuple(s.baud, s.parity, s.dataBits, s.stopBits),
                  std::make_tuple(baud, parity, data, stop))
            << text;
    }
    for (const char* text :
         {"9600,X,8,1", "9600,N,9,1", "9600,N,8,3", "9600 N 8 1", "9600,N,8,1,p,x", "-9600,N,8,1",
          "0,N,8,1", "99999999999", "baud=fast", "speed=9600", "baud=9600 N", "parity=NE",
          "data=", "stop=1.25", "xon=maybe", static_cast<const char*>(nullptr)}) {
        LineSettings s;
        s.baud = 1234;
        EXPECT_FALSE(ParseModeText(text, &s)) << (text ? text : "null");
        EXPECT_EQ(s.baud, 1234) << (text ? text : "null");
    }
}

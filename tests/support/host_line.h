#pragma once
// The test's end of a line (HostLine: the simulator's device opened raw, or the
// master side of a PtyPair), with the Garmin framing and the NMEA sentence format
// written out again here, so that the tests check the simulator and the host
// against an independent reading of the wire.

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct WirePacket {
    int id = -1;
    int claimedSize = -1;  // the size byte as sent
    std::vector<uint8_t> data;
    bool checksumOk = false;
    bool framed = false;           // ended with DLE ETX where the size byte said
    bool hadStuffing = false;      // some byte came doubled
    std::vector<uint8_t> skipped;  // bytes before the frame's DLE
};

// The two's complement of the sum of id, size and data.
uint8_t FrameChecksum(int id, const std::vector<uint8_t>& data);
// DLE, id, size, data, checksum, DLE, ETX, with every 0x10 in size, data and
// checksum doubled. `checksumDelta` spoils the checksum.
std::vector<uint8_t> GarminFrame(int id, const std::vector<uint8_t>& data, int checksumDelta = 0);
// A capability list from entries such as "A100", "D108".
std::vector<uint8_t> CapabilityData(const std::vector<std::string>& entries);
// Product ID, software version 3.12, then the description bytes as given.
std::vector<uint8_t> ProductData(int productId, const std::string& description);

// NMEA: "body*XX\r\n" with the body's checksum, and the acknowledgement a host owes
// for `line` ("$PMGNCSM,XX", where XX is the checksum of the line up to its '*').
std::string Sentence(const std::string& body);
std::string AcknowledgementOf(const std::string& line);

// A buffer with a guard behind it, to show writes past its end.
template <size_t N>
struct GuardedBuffer {
    GuardedBuffer() { std::memset(guard, 'G', sizeof guard); }
    bool GuardIntact() const { return std::string(guard, sizeof guard) == std::string(64, 'G'); }
    char text[N];
    char guard[64];
};

class HostLine {
  public:
    explicit HostLine(const std::string& device);
    // Reads and writes `fd`, which stays open.
    explicit HostLine(int fd) : fd_(fd), owned_(false) {}
    ~HostLine();
    HostLine(const HostLine&) = delete;
    HostLine& operator=(const HostLine&) = delete;

    void Write(const std::vector<uint8_t>& bytes);
    void Write(const std::string& text) { Write(std::vector<uint8_t>(text.begin(), text.end())); }
    // Next byte, or -1 after `timeoutMs` of silence (or when the line is gone).
    int ReadByte(int timeoutMs);
    // True when nothing arrives within `ms`.
    bool QuietFor(int ms) { return ReadByte(ms) < 0; }

    // Garmin.
    void SendPacket(uint8_t id, const std::vector<uint8_t>& data) { Write(GarminFrame(id, data)); }
    void SendAck(uint8_t id) { SendPacket(6, {id, 0}); }
    void SendNak(uint8_t id) { SendPacket(21, {id, 0}); }
    void SendCommand(uint16_t command) {
        SendPacket(10, {static_cast<uint8_t>(command), static_cast<uint8_t>(command >> 8)});
    }
    // Reads one packet; id -1 when none began within `timeoutMs`.
    WirePacket ReadPacket(int timeoutMs = 2000);
    // Reads a packet and acknowledges it.
    WirePacket ReceiveAndAck(int timeoutMs = 2000) {
        WirePacket p = ReadPacket(timeoutMs);
        if (p.id >= 0) SendAck(static_cast<uint8_t>(p.id));
        return p;
    }

    // NMEA.
    static unsigned Checksum(const std::string& text);
    void SendSentence(const std::string& body) { Write(Sentence(body)); }
    // One line without CR LF; empty after `timeoutMs` of silence.
    std::string ReadLine(int timeoutMs = 2000);
    // Sends $PMGNCSM with the checksum of `line` as received.
    void Acknowledge(const std::string& line) { Write(AcknowledgementOf(line)); }

  protected:
    int fd_ = -1;
    bool owned_ = true;
};

// Little-endian readers for the tests.
inline int U16At(const std::vector<uint8_t>& d, size_t at) {
    return d.at(at) | (d.at(at + 1) << 8);
}
// The NUL-terminated text at `at` (stops at the end of the data).
std::string TextAt(const std::vector<uint8_t>& d, size_t at);
// Field `n` of a sentence (0: the name), up to ',' or '*'.
std::string SentenceField(const std::string& line, size_t n);

// A pseudo-terminal pair for talking to a SerialPort from a test: the code under
// test opens SlavePath() as its serial device; the test plays the receiver on the
// master side (this HostLine), with scripted bytes, inline or on a peer thread.
using Bytes = std::vector<unsigned char>;

class PtyPair : public HostLine {
  public:
    PtyPair();
    ~PtyPair();

    // The device the code under test opens ("/dev/pts/5").
    const std::string& SlavePath() const { return slavePath_; }

    void Send(const Bytes& bytes) { Write(bytes); }
    void Send(const std::string& text) { Write(text); }
    // Reads until `count` bytes came or `timeoutMs` passed, and returns what came.
    Bytes Receive(size_t count, int timeoutMs);
    // Reads until nothing more arrived for `quietMs`.
    Bytes ReceiveUntilQuiet(int quietMs);

    // The receiver disappears: the code under test sees a hung-up line.
    void CloseMaster();
    // Drops the test's own descriptor of the slave side (it keeps the line up
    // while the code under test closes and reopens the device).
    void CloseSlave();

    // Runs `script` on a thread of its own; JoinPeer or the destructor waits for it.
    void StartPeer(std::function<void(PtyPair&)> script);
    void JoinPeer();

  private:
    int slave_ = -1;
    std::string slavePath_;
    std::thread peer_;
};

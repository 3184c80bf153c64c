#pragma once
// The host end of a simulator test: the simulator's device opened raw, with the
// Garmin framing (with the scripted receiver's frame writer) and the NMEA
// sentence format written out again here, so that the tests check the
// simulator against an independent reading of the wire.

#include <cstdint>
#include <string>
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

class HostLine {
  public:
    explicit HostLine(const std::string& device);
    ~HostLine();
    HostLine(const HostLine&) = delete;
    HostLine& operator=(const HostLine&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Write(const std::vector<uint8_t>& bytes);
    void Write(const std::string& text) { Write(std::vector<uint8_t>(text.begin(), text.end())); }
    // Next byte, or -1 after `timeoutMs` of silence (or when the line is gone).
    int ReadByte(int timeoutMs);
    // True when nothing arrives within `ms`.
    bool QuietFor(int ms);

    // Garmin.
    void SendPacket(uint8_t id, const std::vector<uint8_t>& data);
    void SendAck(uint8_t id) { SendPacket(6, {id, 0}); }
    void SendNak(uint8_t id) { SendPacket(21, {id, 0}); }
    void SendCommand(uint16_t command) {
        SendPacket(10, {static_cast<uint8_t>(command), static_cast<uint8_t>(command >> 8)});
    }
    // Reads one packet; id -1 when none began within `timeoutMs`.
    WirePacket ReadPacket(int timeoutMs = 2000);
    // Reads a packet and acknowledges it.
    WirePacket ReceiveAndAck(int timeoutMs = 2000);

    // NMEA.
    static unsigned Checksum(const std::string& text);
    void SendSentence(const std::string& body);
    // One line without CR LF; empty after `timeoutMs` of silence.
    std::string ReadLine(int timeoutMs = 2000);
    // Sends $PMGNCSM with the checksum of `line` as received.
    void Acknowledge(const std::string& line);

  private:
    int fd_ = -1;
};

// Little-endian readers for the tests.
inline int32_t I32At(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(d.at(at)) | (static_cast<uint32_t>(d.at(at + 1)) << 8) |
        (static_cast<uint32_t>(d.at(at + 2)) << 16) | (static_cast<uint32_t>(d.at(at + 3)) << 24));
}
inline int U16At(const std::vector<uint8_t>& d, size_t at) {
    return d.at(at) | (d.at(at + 1) << 8);
}
// The NUL-terminated text at `at` (stops at the end of the data).
std::string TextAt(const std::vector<uint8_t>& d, size_t at);
// Field `n` of a sentence (0: the name), up to ',' or '*'.
std::string SentenceField(const std::string& line, size_t n);

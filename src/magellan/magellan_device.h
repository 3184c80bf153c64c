#pragma once
// The connection to a Magellan receiver: its proprietary NMEA 0183 sentences over
// a serial line. The host drives the whole conversation: it sends a command, then
// reads the receiver's sentences one by one and acknowledges each with $PMGNCSM
// before reading the next (the receiver's hand-shaking mode).
//
// Outgoing sentences are "body*XX\r\n" with XX the checksum in upper-case hex.
// A received line is everything up to and including LF, at most 256 bytes, kept
// NUL-terminated in 257.

#include <cstddef>
#include <cstdint>

#include "serial/serial_port.h"

class GeometryStore;
class AttributeStore;

class MagellanDevice {
  public:
    static constexpr int kLineLength = 256;  // most bytes read for one line
    static constexpr int kLineBufferSize = kLineLength + 1;
    static constexpr int kSentenceBufferSize = 256;  // an outgoing sentence, framed
    static constexpr int kByteTimeoutMs = 1000;      // longest wait for each byte of a line
    static constexpr int kStartupDelayMs = 2000;     // port open to first byte sent
    static constexpr int kFieldBufferSize = 80;      // a download field: 79 characters
    static constexpr int kDescriptionSize = 256;

    MagellanDevice();
    virtual ~MagellanDevice();
    MagellanDevice(const MagellanDevice&) = delete;
    MagellanDevice& operator=(const MagellanDevice&) = delete;

    // Opens the port with a settings text ("baud=4800 parity=N data=8 stop=1"),
    // waits for the receiver to settle, switches it to hand-shaking mode and asks
    // for its version. False only when the port does not open: a silent receiver
    // still connects, with an empty description.
    bool Connect(const char* portName, const char* settings);

    // NMEA checksum: the XOR of every byte up to the first '*' or the end, with
    // every '$' skipped wherever it stands.
    static unsigned char Checksum(const char* text);

    // Copies field `field` of `sentence` into `out` (at most capacity - 1
    // characters, always terminated) and returns where the field starts in the
    // sentence, or nullptr when the sentence has no such field (`out` is then
    // empty). Field 0 is the sentence name, field n the text behind the n-th
    // comma; a field ends at ',', '*', LF or the end of the text (a CR before the
    // LF of a sentence without checksum stays in the field). A field longer than
    // the buffer is cut.
    static const char* GetField(char* out, size_t capacity, const char* sentence, unsigned field);
    template <size_t N>
    static const char* GetField(char (&out)[N], const char* sentence, unsigned field) {
        return GetField(out, N, sentence, field);
    }

    // Frames `body` as "body*XX\r\n" and writes it; the bytes written.
    int SendSentence(const char* body);
    // Sends $PMGNCSM with the checksum of a received line ("$PMGNCSM,00" for an
    // empty one); the bytes written.
    int SendAcknowledge(const char* line);
    // Answers a line whose checksum digits (`claimed`) do not match its body
    // with a checksum that matches neither, so the receiver sends it again.
    int SendRefusal(const char* line, unsigned claimed);
    // Reads one line and throws it away: the receiver's answer to a command is
    // not examined, and a missing one is no error.
    bool WaitAcknowledge();
    // Discards pending input, sends `body` once and waits for its acknowledgement.
    void SendCommand(const char* body);
    // Reads one line into `line` (kLineBufferSize bytes); the bytes read, 0 after
    // a second without any byte.
    int ReadSentence(char* line);
    // Whether `line` ends its body with "*XX" digits other than the body's
    // checksum: damaged on the line. `claimed` gets the digits' value. A line
    // without checksum digits is not damaged.
    static bool ChecksumMismatch(const char* line, unsigned& claimed);
    // Reads one line and acknowledges it, also when nothing arrived.
    int ReceiveSentence(char* line);
    void Delay(int milliseconds);

    // The downloads. Each makes a new layer and table in the stores, named after
    // what it downloads, with the file name given; the result is always 0.
    int TransferWaypoints(GeometryStore& geometry, AttributeStore& attributes,
                          const char* fileName);
    int TransferRoutes(GeometryStore& geometry, AttributeStore& attributes, const char* fileName);
    int TransferTracks(GeometryStore& geometry, AttributeStore& attributes, const char* fileName);

    int32_t layer;          // layer the running (or last) download fills
    int32_t table;          // its attribute table
    int32_t previousPoint;  // last point of the current route or track line, -1 for none
    int32_t productId;      // field 1 of the version reply; 0 until a reply sets it
    int sentencesReceived = 0;  // lines starting with '$' read since the port opened
    char description[kDescriptionSize];  // field 3 of the version reply
    SerialPort port;

  private:
    // Makes the layer and table of one download, sends its command and hands every
    // received line to it until it ends.
    int RunDownload(int kind, GeometryStore& geometry, AttributeStore& attributes,
                    const char* fileName);
};

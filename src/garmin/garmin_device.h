#pragma once
// One connection to a Garmin receiver for the length of one import command: the
// binary link of DLE/ETX-framed packets, each acknowledged by the other side,
// the identification of the receiver and its protocol table, and (on top of
// those) the waypoint, route and track transfers.
//
// The framing of packets is described in garmin_lexer.h, which finds them in
// the received bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "garmin/garmin_lexer.h"
#include "garmin/protocol_table.h"
#include "serial/serial_port.h"

// Packet IDs of the link.
enum GarminPacketId {
    kPidAck = 6,
    kPidCommand = 10,
    kPidTransferComplete = 12,
    kPidRequestsOff = 28,
    kPidBaudRequest = 48,
    kPidBaudAccept = 49,
    kPidNak = 21,
    kPidRecords = 27,
    kPidRouteHeader = 29,
    kPidRouteWaypoint = 30,
    kPidTrackPoint = 34,
    kPidWaypoint = 35,
    kPidRouteLink = 98,
    kPidTrackHeader = 99,
    kPidExtendedProductData = 248,
    kPidCapabilities = 253,
    kPidProductRequest = 254,
    kPidProductData = 255,
};

// Command numbers sent with kPidCommand.
enum GarminCommand {
    kCmdTransferRoutes = 4,
    kCmdTransferTrackLog = 6,
    kCmdTransferWaypoints = 7,
    kCmdAckPing = 58,
};

class GeometryStore;
class AttributeStore;
class PictureSet;
class GarminDownload;

class GarminDevice {
  public:
    // WaitAck results.
    static constexpr int kOtherPacket = 0;
    static constexpr int kAcknowledged = 1;
    static constexpr int kNoAnswer = 9999;
    // Packet data buffers hold this many bytes: the size byte allows 255.
    static constexpr int kPacketBufferSize = 256;

    GarminDevice();
    virtual ~GarminDevice();
    GarminDevice(const GarminDevice&) = delete;
    GarminDevice& operator=(const GarminDevice&) = delete;

    // Opens `portName` at 9600,N,8,1 and identifies the receiver; true when the
    // protocol table is filled. Every failure has shown its message.
    bool Connect(const char* portName);
    // Asks for the product data, then reads packets until the capability list
    // comes (extended product data and a resent product data packet are
    // acknowledged and passed over); when the receiver sends no list in time,
    // the QUORVEX.XRF line of its product ID.
    bool Identify();
    // Fills the protocol table from QUORVEX.XRF; false after a message.
    bool LoadProtocolTable(int productId);

    // Line speed (garmin_speed.cpp). The rates a receiver may be asked for.
    static constexpr int kSpeeds[] = {9600, 19200, 38400, 57600, 115200};
    // Asks the receiver for `baud` and moves both sides there when it agrees
    // and the line holds at the new rate; otherwise the line stays at 9600 and
    // one message says why. True when the line runs at `baud` now.
    bool ChangeSpeed(int baud);
    // Brings a receiver that ChangeSpeed moved back to 9600; the destructor
    // does it too, so that a failed or cancelled import leaves it there.
    void RestoreSpeed();
    int Speed() const { return speed; }

    // Link layer.
    static unsigned char Checksum(int packetId, int size, const unsigned char* data);
    // Frames, stuffs and writes one packet (size 0 to 255); the bytes written.
    int SendPacket(int packetId, const unsigned char* data, int size);
    // Receives one intact packet into `data` (kPacketBufferSize bytes): its data
    // size (0 to 255), or -1 when none came: nothing within the time-outs, or a
    // frame that failed its checks (LastFrameFailed(); LastPacketId() is its ID,
    // -1 when unknown). The packet ID is LastPacketId().
    int ReceivePacket(unsigned char* data);
    int SendAck(int packetId);
    int SendNak(int packetId);
    // kAcknowledged, kOtherPacket (a NAK included) or kNoAnswer.
    int WaitAck();
    // Sends until acknowledged: kAcknowledged, or kNoAnswer when no ACK came
    // (nothing at all, or only refusals up to the resend limit).
    int SendWithAck(int packetId, const unsigned char* data, int size);
    // Receives an intact packet, refusing damaged frames with a NAK (6
    // receptions at most) and acknowledging the good one: its data size (0 to
    // 255), or -1 on failure. A packet identical to the one handed out before
    // (ID and bytes) since the host last sent a request is the receiver's resend
    // after a lost ACK: acknowledged again and passed over.
    int ReceiveData(unsigned char* data);
    void DelayMs(int milliseconds);

    int ProductId() const { return productId; }
    const char* Description() const { return description; }
    // The texts of the extended product data packets, in the order they came.
    const std::vector<std::string>& ExtendedProductStrings() const { return extendedStrings; }
    const ProtocolTable& Protocols() const { return protocols; }
    int LastPacketId() const { return lastId; }
    bool LastFrameFailed() const { return lastFrameFailed; }
    SerialPort& Port() { return port; }

    // Shortens the link time-outs (1000 ms for a packet, 500 ms for a byte) so
    // that tests of silent lines run quickly.
    void SetLinkTimeouts(int packetMs, int byteMs);

    // Resends of one packet that SendWithAck allows against a receiver that
    // refuses everything.
    static constexpr int kMaxResends = 10;
    // Receptions of one packet that ReceiveData allows before giving up.
    static constexpr int kMaxReceptions = 6;

    // Transfers (garmin_transfers.cpp). Each downloads one kind of record into
    // a new layer of `geometry` with its table in `attributes` (see
    // garmin_download.h), and returns the record count the receiver announced
    // (0 when the transfer did not start). What went wrong has been shown.
    // `pictures` (may be null) gets its fields added to the waypoint table and
    // is matched to the waypoints at the end.
    int TransferWaypoints(GeometryStore& geometry, AttributeStore& attributes, PictureSet* pictures,
                          const char* fileName);
    int TransferRoutes(GeometryStore& geometry, AttributeStore& attributes, const char* fileName);
    int TransferTrackLines(GeometryStore& geometry, AttributeStore& attributes,
                           const char* fileName);
    // The layer's file name is `fileName` with "Pts" appended.
    int TransferTrackPoints(GeometryStore& geometry, AttributeStore& attributes,
                            const char* fileName);
    // Sends the download's command and feeds it every packet until the transfer
    // is complete, the receiver falls silent (one message), the download stops
    // at a packet it cannot take, or the user cancels; the last two abort the
    // transfer on the receiver. Then ends the download. The announced count.
    int RunDownload(GarminDownload& download);
    // Asks the receiver to stop sending (command packet `packetId` with
    // `command`), then acknowledges and drops whatever still comes until the
    // line has been quiet for kAbortQuietMs.
    void AbortTransfer(int packetId, int command);
    static constexpr int kAbortQuietMs = 500;
    // The layer and table the last transfer made (-1 when it made none).
    int LayerIndex() const { return layer; }
    int TableIndex() const { return table; }
    // Gives the transfers a protocol table without identifying a receiver.
    void SetProtocols(const ProtocolTable& table) { protocols = table; }

  private:
    // Begins `download` and, when it can run, runs it; keeps its layer and table.
    int Transfer(GarminDownload& download, const char* fileName, PictureSet* pictures);

    // Sends a packet once and waits for its ACK: a refusal is not resent.
    int SendOnce(int packetId, const unsigned char* data, int size);
    // The rate request and its answer at the present speed: the standard rate
    // the receiver agreed to, 0 when it refused or did not answer.
    int AskForSpeed(int baud);
    // Sets the port to `baud` once our last ACK has left, and checks with two
    // pings that the receiver answers there.
    bool MoveTo(int baud);

    enum FrameResult { kFrameNone, kFramePacket, kFrameFailed };
    // Feeds the lexer until it hands out a frame, or a frame breaks off (no byte
    // for the byte time-out inside it: kFrameFailed), or no frame starts within
    // the packet time-out. A packet is left in the lexer.
    FrameResult ReceiveFrame();

    // Set by the transfers.
    std::int32_t layer = -1;
    std::int32_t table = -1;
    // From the product data packet.
    std::int32_t productId = 0;
    char description[256];
    ProtocolTable protocols;
    SerialPort port;
    std::vector<std::string> extendedStrings;
    int speed = 9600;
    GarminLexer lexer;
    // The last reception: its packet ID (-1 when none), and whether it was a
    // frame that failed its checks.
    int lastId = -1;
    bool lastFrameFailed = false;
    // The packet ReceiveData handed out last, to know the receiver's resend of
    // it; forgotten when the host sends anything but an ACK or NAK.
    bool previousValid = false;
    int previousId = -1;
    std::vector<unsigned char> previousData;

    int packetTimeoutMs = 1000;
    int byteTimeoutMs = 500;
};

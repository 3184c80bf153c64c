#include "garmin/garmin_device.h"

#include <cstring>

#include "core/byte_order.h"
#include "core/user_feedback.h"
#include "garmin/protocol_table_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

namespace {

constexpr unsigned char kDle = 0x10;
constexpr unsigned char kEtx = 0x03;

// The longest frame: every size, data and checksum byte stuffed.
constexpr int kMaxFrame = 3 + 1 + 2 * 255 + 2 + 2;

void SleepMs(int milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    poll(nullptr, 0, milliseconds);
#endif
}

}  // namespace

GarminDevice::GarminDevice() {
    std::memset(description, 0, sizeof(description));
    std::memset(lastHeader, 0, sizeof(lastHeader));
    std::memset(lastTrailer, 0, sizeof(lastTrailer));
}

GarminDevice::~GarminDevice() = default;

void GarminDevice::SetLinkTimeouts(int packetMs, int byteMs) {
    packetTimeoutMs = packetMs;
    byteTimeoutMs = byteMs;
}

unsigned char GarminDevice::Checksum(int packetId, int size, const unsigned char* data) {
    unsigned int sum = static_cast<unsigned int>(packetId) + static_cast<unsigned int>(size);
    for (int i = 0; i < size; ++i) sum += data[i];
    return static_cast<unsigned char>(0u - sum);
}

int GarminDevice::SendPacket(int packetId, const unsigned char* data, int size) {
    if (size < 0 || size > 255 || (size > 0 && data == nullptr)) return 0;
    unsigned char frame[kMaxFrame];
    int n = 0;
    frame[n++] = kDle;
    frame[n++] = static_cast<unsigned char>(packetId);
    frame[n++] = static_cast<unsigned char>(size);
    if (size == kDle) frame[n++] = kDle;
    for (int i = 0; i < size; ++i) {
        frame[n++] = data[i];
        if (data[i] == kDle) frame[n++] = kDle;
    }
    unsigned char checksum = Checksum(packetId & 0xFF, size, data);
    frame[n++] = checksum;
    if (checksum == kDle) frame[n++] = kDle;
    frame[n++] = kDle;
    frame[n++] = kEtx;
    return port.Write(frame, n);
}

bool GarminDevice::ReceiveHeader() {
    const std::uint32_t start = TickCountMs();
    unsigned char header[4];
    if (port.Read(header, 3, packetTimeoutMs) < 3) return false;
    // A frame starts with DLE and a packet ID, which is never DLE or ETX. Bytes
    // before that (line noise, the rest of a damaged frame) are skipped within
    // the packet time-out, so they cannot be taken for a header.
    while (header[0] != kDle || header[1] == kDle || header[1] == kEtx) {
        std::uint32_t elapsed = TickCountMs() - start;
        if (elapsed >= static_cast<std::uint32_t>(packetTimeoutMs)) return false;
        header[0] = header[1];
        header[1] = header[2];
        if (port.Read(header + 2, 1, packetTimeoutMs - static_cast<int>(elapsed)) != 1)
            return false;
    }
    std::memcpy(lastHeader, header, 3);
    return true;
}

int GarminDevice::ReceivePacket(unsigned char* data) {
    lastFrameCut = false;
    std::memset(lastHeader, 0, sizeof(lastHeader));
    std::memset(lastTrailer, 0, sizeof(lastTrailer));
    if (!ReceiveHeader()) return 0;
    const int size = lastHeader[2];
    if (size == kDle) port.ReadByte(byteTimeoutMs);  // the stuffing byte

    for (int i = 0; i < size; ++i) {
        unsigned char byte[2];
        // A byte that does not come means the rest will not either: the packet
        // is incomplete, and waiting for each missing byte would only add up
        // time-outs.
        if (port.Read(byte, 1, byteTimeoutMs) != 1) return 0;
        if (byte[0] == kDle) {
            unsigned char next[2];
            if (port.Read(next, 1, byteTimeoutMs) != 1) return 0;
            if (next[0] == kEtx) {
                // DLE ETX: the frame has ended before its size byte said.
                lastFrameCut = true;
                return 0;
            }
        }
        data[i] = byte[0];
    }

    unsigned char trailer[4];
    std::memset(trailer, 0, sizeof(trailer));
    port.Read(trailer, 3, packetTimeoutMs);
    std::memcpy(lastTrailer, trailer, 3);
    unsigned char finalByte = trailer[2];
    // A checksum of 0x10 came stuffed: the two bytes after it were the stuffing
    // and the frame's DLE, and the final byte is still to come.
    if (trailer[0] == kDle) finalByte = port.ReadByte(byteTimeoutMs);
    if (finalByte != kEtx) {
        ShowMessage("Internal Error: GetPacketAck...ETX");
        return 0;
    }
    return size;
}

int GarminDevice::SendAck(int packetId) {
    unsigned char data[2] = {static_cast<unsigned char>(packetId), 0};
    return SendPacket(kPidAck, data, 2);
}

int GarminDevice::SendNak(int packetId) {
    unsigned char data[2] = {static_cast<unsigned char>(packetId), 0};
    return SendPacket(kPidNak, data, 2);
}

int GarminDevice::WaitAck() {
    unsigned char scratch[kPacketBufferSize];
    if (ReceivePacket(scratch) < 1) return kNoAnswer;
    return LastPacketId() == kPidAck ? kAcknowledged : kOtherPacket;
}

int GarminDevice::SendWithAck(int packetId, const unsigned char* data, int size) {
    port.DiscardInput();
    SendPacket(packetId, data, size);
    int result = WaitAck();
    // A receiver that refuses every copy would keep us here for ever: after the
    // last allowed resend go on as if no answer had come.
    for (int resends = 0; result == kOtherPacket && resends < kMaxResends; ++resends) {
        SendPacket(packetId, data, size);
        result = WaitAck();
    }
    return result == kOtherPacket ? kNoAnswer : result;
}

int GarminDevice::ReceiveData(unsigned char* data) {
    for (int reception = 1;; ++reception) {
        int size = ReceivePacket(data);
        bool intact;
        if (size > 0) {
            intact = Checksum(lastHeader[1], size, data) == lastTrailer[0];
        } else if (lastFrameCut) {
            intact = false;  // a frame shorter than its size byte: refuse it like a bad sum
        } else {
            return 0;
        }
        if (intact) {
            SendAck(LastPacketId());
            return size;
        }
        SendNak(LastPacketId());
        if (reception >= kMaxReceptions) return 0;
    }
}

void GarminDevice::DelayMs(int milliseconds) {
    const std::uint32_t start = TickCountMs();
    for (;;) {
        std::uint32_t elapsed = TickCountMs() - start;
        if (milliseconds <= 0 || elapsed >= static_cast<std::uint32_t>(milliseconds)) return;
        SleepMs(milliseconds - static_cast<int>(elapsed));
    }
}

bool GarminDevice::Connect(const char* portName) {
    if (!port.Open(portName, "9600,N,8,1")) return false;
    return Identify();
}

bool GarminDevice::Identify() {
    protocols = ProtocolTable();
    productId = 0;
    std::memset(description, 0, sizeof(description));

    SendWithAck(kPidProductRequest, nullptr, 0);
    unsigned char product[kPacketBufferSize];
    std::memset(product, 0, sizeof(product));
    int size = ReceiveData(product);
    if (size == 0) {
        ShowMessage(
            "Can not find a Garmin GPS unit. Make sure unit is turned ON.\n The Serial Data "
            "Format must be set to 'GARMIN'.\n The default Serial port parameters are: 9600 "
            "baud, 8 bits, no parity, 1 stop.\n Check communication cable/port.");
        return false;
    }
    // Product ID (signed 16-bit), software version, then the description up to
    // its NUL or the end of the packet, whichever comes first.
    productId = static_cast<std::int16_t>(GetLE16(product));
    if (size > 4) {
        const char* text = reinterpret_cast<const char*>(product + 4);
        size_t length = strnlen(text, static_cast<size_t>(size - 4));
        if (length > sizeof(description) - 1) length = sizeof(description) - 1;
        std::memcpy(description, text, length);
        description[length] = '\0';
    }

    // The receiver sends its capability list right after our ACK; old ones send
    // nothing and are looked up in the table file.
    DelayMs(400);
    unsigned char capabilities[kPacketBufferSize];
    int listSize = ReceivePacket(capabilities);
    if (listSize <= 2) return LoadProtocolTable(productId);
    SendAck(LastPacketId());
    ParseCapabilityList(capabilities, listSize, &protocols);
    return true;
}

bool GarminDevice::LoadProtocolTable(int id) {
    return ReadProtocolTableFile(ProtocolTableFilePath(), id, &protocols);
}

#include "garmin/garmin_device.h"

#include <algorithm>
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
}

GarminDevice::~GarminDevice() {
    RestoreSpeed();
}

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
    // A request of ours starts a new exchange: a packet like the last one
    // received is then new data, no resend.
    if (packetId != kPidAck && packetId != kPidNak) previousValid = false;
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

GarminDevice::FrameResult GarminDevice::ReceiveFrame() {
    const std::uint32_t start = TickCountMs();
    std::uint32_t lastByte = start;
    lastFrameFailed = false;
    for (;;) {
        const GarminLexer::Result result = lexer.Next();
        if (result != GarminLexer::kNeedMore) {
            lastId = lexer.Id();
            lastFrameFailed = result == GarminLexer::kBadFrame;
            return lastFrameFailed ? kFrameFailed : kFramePacket;
        }
        // Inside a frame each byte must follow the last within the byte
        // time-out; a frame must start within the packet time-out. A frame in
        // progress may finish after the latter, but no frame is longer than
        // what the lexer takes for one, so every wait stays bounded.
        const std::uint32_t now = TickCountMs();
        const bool inFrame = lexer.InFrame();
        const int wait = inFrame ? byteTimeoutMs - static_cast<int>(now - lastByte)
                                 : packetTimeoutMs - static_cast<int>(now - start);
        unsigned char chunk[512];
        const int got = wait > 0 ? port.ReadSome(chunk, sizeof chunk, wait) : 0;
        if (got > 0) {
            lexer.Feed(chunk, static_cast<size_t>(got));
            lastByte = TickCountMs();
            continue;
        }
        if (!inFrame) {
            lastId = -1;
            return kFrameNone;
        }
        // The line went quiet inside a frame (its end lost on the line): the
        // receiver waits for our answer to it.
        lastId = lexer.DropPartialFrame();
        lastFrameFailed = lastId >= 0;
        return lastFrameFailed ? kFrameFailed : kFrameNone;
    }
}

int GarminDevice::ReceivePacket(unsigned char* data) {
    if (ReceiveFrame() != kFramePacket) return -1;
    std::memcpy(data, lexer.Data(), static_cast<size_t>(lexer.Size()));
    return lexer.Size();
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
    const FrameResult result = ReceiveFrame();
    if (result == kFrameNone) return kNoAnswer;
    return result == kFramePacket && lastId == kPidAck ? kAcknowledged : kOtherPacket;
}

int GarminDevice::SendWithAck(int packetId, const unsigned char* data, int size) {
    port.DiscardInput();
    lexer.Clear();
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
        const FrameResult result = ReceiveFrame();
        if (result == kFrameNone) return -1;
        if (result == kFramePacket) {
            SendAck(lastId);
            const int size = lexer.Size();
            const unsigned char* bytes = lexer.Data();
            const bool resend = previousValid && previousId == lastId &&
                                previousData.size() == static_cast<size_t>(size) &&
                                std::equal(bytes, bytes + size, previousData.begin());
            if (!resend) {
                previousValid = true;
                previousId = lastId;
                previousData.assign(bytes, bytes + size);
                std::memcpy(data, bytes, static_cast<size_t>(size));
                return size;
            }
        } else {
            SendNak(lastId);
        }
        if (reception >= kMaxReceptions) return -1;
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

namespace {

// The NUL-terminated texts of `size` bytes; an unterminated last one counts.
std::vector<std::string> PacketStrings(const unsigned char* data, int size) {
    std::vector<std::string> texts;
    const char* text = reinterpret_cast<const char*>(data);
    for (int at = 0; at < size;) {
        const size_t length = strnlen(text + at, static_cast<size_t>(size - at));
        texts.emplace_back(text + at, length);
        at += static_cast<int>(length) + 1;
    }
    return texts;
}

}  // namespace

bool GarminDevice::Identify() {
    protocols = ProtocolTable();
    productId = 0;
    std::memset(description, 0, sizeof(description));
    extendedStrings.clear();

    SendWithAck(kPidProductRequest, nullptr, 0);
    // What follows the request: the product data, then none or more extended
    // product data packets, then the capability list on units that have one.
    // Packets of other IDs (the rest of an interrupted transfer) are passed
    // over; the first silence ends the wait.
    const int kMaxPackets = 25;
    bool haveProduct = false;
    unsigned char packet[kPacketBufferSize];
    for (int packets = 0; packets < kMaxPackets; ++packets) {
        std::memset(packet, 0, sizeof(packet));
        const int size = ReceiveData(packet);
        if (size < 0) break;
        if (lastId == kPidProductData && !haveProduct) {
            haveProduct = true;
            // Product ID (signed 16-bit), software version, then the description
            // up to its NUL or the end of the packet, whichever comes first.
            productId = static_cast<std::int16_t>(GetLE16(packet));
            if (size > 4) {
                const char* text = reinterpret_cast<const char*>(packet + 4);
                size_t length = strnlen(text, static_cast<size_t>(size - 4));
                if (length > sizeof(description) - 1) length = sizeof(description) - 1;
                std::memcpy(description, text, length);
                description[length] = '\0';
            }
        } else if (lastId == kPidExtendedProductData) {
            for (std::string& text : PacketStrings(packet, size))
                if (!text.empty()) extendedStrings.push_back(std::move(text));
        } else if (lastId == kPidCapabilities && haveProduct) {
            // A list of 2 bytes or less names nothing: the table file decides.
            if (size <= 2) break;
            ParseCapabilityList(packet, size, &protocols);
            return true;
        }
    }
    if (!haveProduct) {
        ShowMessage(
            "Can not find a Garmin GPS unit. Make sure unit is turned ON.\n The Serial Data "
            "Format must be set to 'GARMIN'.\n The default Serial port parameters are: 9600 "
            "baud, 8 bits, no parity, 1 stop.\n Check communication cable/port.");
        return false;
    }
    return LoadProtocolTable(productId);
}

bool GarminDevice::LoadProtocolTable(int id) {
    return ReadProtocolTableFile(ProtocolTableFilePath(), id, &protocols);
}

// The host side of the Garmin link fed whatever a receiver may send. The first
// byte chooses what the host does, the next six its protocol table; the rest
// is what the serial line delivers. Packet reception must never write beyond a
// packet buffer or report more than a size byte allows, and a transfer must
// leave consistent layers and tables whatever arrives. One more choice frames
// the rest as intact packets, which must arrive unchanged.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "garmin/garmin_device.h"
#include "harness_support.h"
#include "memory_line.h"

namespace {

// Record layouts the transfers read, a few they refuse, and nonsense.
const int kPointTypes[] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109,  110,
                           150, 151, 152, 153, 154, 155, 300, 301, 0,   65535};
const int kRouteProtocols[] = {200, 201, 0, 202};
const int kRouteHeaderTypes[] = {200, 201, 202, 210, 0};
const int kTrackProtocols[] = {300, 301, 0, 302};
const int kTrackHeaderTypes[] = {310, 300, 301, 312};

ProtocolTable ChooseProtocols(FuzzInput& in) {
    ProtocolTable table;
    table.waypointProtocol = 100;
    table.waypointType = in.Choose(kPointTypes);
    table.routeProtocol = in.Choose(kRouteProtocols);
    table.routeHeaderType = in.Choose(kRouteHeaderTypes);
    table.routeWaypointType = in.Choose(kPointTypes);
    table.routeLinkType = 210;
    const std::uint8_t track = in.Byte();
    table.trackProtocol = kTrackProtocols[track % 4];
    table.trackType1 = kTrackHeaderTypes[(track / 4) % 4];
    table.trackType2 = in.Choose(kPointTypes);
    return table;
}

// Packet reception until the line is empty: every call takes at least the
// bytes of a header, so the loop ends.
void ReceivePackets(GarminDevice& device, bool checked) {
    // Exactly the buffer the callers give, so a write past it is reported.
    std::unique_ptr<unsigned char[]> packet(new unsigned char[GarminDevice::kPacketBufferSize]);
    while (LineBytesLeft() > 0) {
        const int size =
            checked ? device.ReceiveData(packet.get()) : device.ReceivePacket(packet.get());
        if (size < -1 || size > 255) FuzzFailure("a packet larger than its size byte allows");
    }
}

void SendCommands(GarminDevice& device) {
    const unsigned char command[2] = {kCmdTransferWaypoints, 0};
    while (LineBytesLeft() > 0) {
        const int result = device.SendWithAck(kPidCommand, command, 2);
        if (result != GarminDevice::kAcknowledged && result != GarminDevice::kNoAnswer)
            FuzzFailure("SendWithAck ended neither acknowledged nor unanswered");
    }
}

// Frames a packet as a receiver puts it on the wire; written apart from
// GarminDevice::SendPacket so that a framing mistake cannot hide on both sides.
void PutFrame(std::vector<std::uint8_t>* wire, int id, const std::uint8_t* data, int size) {
    const auto stuffed = [wire](std::uint8_t byte) {
        wire->push_back(byte);
        if (byte == 0x10) wire->push_back(0x10);
    };
    unsigned sum = static_cast<unsigned>(id + size);
    wire->push_back(0x10);
    wire->push_back(static_cast<std::uint8_t>(id));
    stuffed(static_cast<std::uint8_t>(size));
    for (int i = 0; i < size; ++i) {
        stuffed(data[i]);
        sum += data[i];
    }
    stuffed(static_cast<std::uint8_t>(0u - sum));
    wire->push_back(0x10);
    wire->push_back(0x03);
}

// Intact packets of any ID and data must come out of ReceiveData as they went
// in, each acknowledged once; a packet identical to the one before it is taken
// for its resend: acknowledged, not handed out. Packet IDs DLE and ETX cannot
// start a frame, so the input's packets are kept clear of both.
void RoundTrip(FuzzInput& in, GarminDevice& device) {
    struct Sent {
        int id;
        const std::uint8_t* data;
        int size;
    };
    std::vector<Sent> sent;
    std::vector<std::uint8_t> wire;
    size_t ackBytes = 0;
    while (!in.Empty()) {
        int id = in.Byte();
        if (id == 0x10 || id == 0x03) id ^= 0x40;
        size_t size = 0;
        const std::uint8_t* data = in.Take(in.Byte(), &size);
        const bool resend = !sent.empty() && sent.back().id == id &&
                            sent.back().size == static_cast<int>(size) &&
                            (size == 0 || std::memcmp(sent.back().data, data, size) == 0);
        if (!resend) sent.push_back({id, data, static_cast<int>(size)});
        PutFrame(&wire, id, data, static_cast<int>(size));
        // DLE 6 2 id 0 checksum DLE ETX, the checksum stuffed when it is DLE.
        ackBytes += (0u - (6u + 2u + static_cast<unsigned>(id))) % 256u == 0x10 ? 9 : 8;
    }
    PlugLine(wire.data(), wire.size());
    std::unique_ptr<unsigned char[]> packet(new unsigned char[GarminDevice::kPacketBufferSize]);
    for (const Sent& s : sent) {
        const int size = device.ReceiveData(packet.get());
        if (size != s.size || device.LastPacketId() != s.id ||
            std::memcmp(packet.get(), s.data, static_cast<size_t>(size)) != 0)
            FuzzFailure("an intact packet came out of ReceiveData changed");
    }
    if (LineBytesLeft() != 0) FuzzFailure("bytes of intact packets were left unread");
    if (LineBytesWritten() != ackBytes)
        FuzzFailure("intact packets were not acknowledged once each");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    QuietFeedback quiet;
    FuzzInput in(data, size);
    const int action = in.Byte() % 9;
    const ProtocolTable table = ChooseProtocols(in);

    GarminDevice device;
    device.Port().Open("memory", "9600,N,8,1");
    device.SetProtocols(table);
    if (action == 8) {
        RoundTrip(in, device);
        PlugLine(nullptr, 0);
        return 0;
    }
    PlugLine(in.Rest(), in.Left());

    Stores& document = NewDocument();
    GeometryStore& geometry = document.geometry;
    AttributeStore& attributes = document.attributes;
    switch (action) {
        case 0:
            ReceivePackets(device, false);
            break;
        case 1:
            ReceivePackets(device, true);
            break;
        case 2:
            SendCommands(device);
            break;
        case 3:
            device.TransferWaypoints(geometry, attributes, nullptr, "Waypoints");
            break;
        case 4:
            device.TransferRoutes(geometry, attributes, "Routes");
            break;
        case 5:
            device.TransferTrackLines(geometry, attributes, "Tracks");
            break;
        case 6:
            device.TransferTrackPoints(geometry, attributes, "Tracks");
            break;
        default:
            // One import command: every transfer in turn on one line, the
            // waypoints matched to pictures.
            device.TransferWaypoints(geometry, attributes, &SamplePictures(), "Waypoints");
            device.TransferRoutes(geometry, attributes, "Routes");
            device.TransferTrackLines(geometry, attributes, "Tracks");
            device.TransferTrackPoints(geometry, attributes, "Tracks");
            break;
    }
    CheckStores(geometry, attributes);
    PlugLine(nullptr, 0);
    return 0;
}

// The host side of the Garmin link fed whatever a receiver may send. The first
// byte chooses what the host does, the next five its protocol table; the rest
// is what the serial line delivers. Packet reception must never write beyond a
// packet buffer or report more than a size byte allows, and a transfer must
// leave consistent layers and tables whatever arrives.

#include <cstdint>
#include <memory>

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
        if (size < 0 || size > 255) FuzzFailure("a packet larger than its size byte allows");
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    QuietFeedback quiet;
    FuzzInput in(data, size);
    const int action = in.Byte() % 8;
    const ProtocolTable table = ChooseProtocols(in);

    GarminDevice device;
    device.Port().Open("memory", "9600,N,8,1");
    device.SetProtocols(table);
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

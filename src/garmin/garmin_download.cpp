// What every transfer shares: its layer and table, and the packet loop of
// command, records packet, the records, transfer complete.

#include <cstring>

#include "core/byte_order.h"
#include "core/user_feedback.h"
#include "garmin/garmin_device.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

bool GarminDevice::AddLayerAndTable(GeometryStore& geometry, AttributeStore& attributes,
                                    const char* fileName, const char* layerName, int edgeCapacity) {
    // Points the layer starts with; it grows as needed.
    const int kInitialPoints = 500;
    layer = geometry.AddLayer(layerName, fileName, kInitialPoints, edgeCapacity, 0);
    if (layer < 0) return false;
    table = attributes.AddTable(layerName, fileName);
    if (table < 0) {
        // A layer without its table would be saved without attributes.
        geometry.DeleteLayer(layer);
        layer = -1;
        return false;
    }
    geometry.Layer(layer).attributeTable = table;
    return true;
}

int GarminDevice::DownloadRecords(int command, const char* what,
                                  const std::function<bool(const DownloadPacket&)>& handle) {
    unsigned char commandData[2];
    PutLE16(commandData, static_cast<uint16_t>(command));
    // Without an ACK the receiver may still send: read whatever comes.
    SendWithAck(kPidCommand, commandData, 2);

    unsigned char data[kPacketBufferSize];
    std::memset(data, 0, sizeof data);
    // The records packet: the number of packets that follow (signed 16-bit).
    int recordCount = 0;
    if (ReceiveData(data) > 0) recordCount = static_cast<int16_t>(GetLE16(data));

    int received = 0;
    for (;;) {
        const int size = ReceiveData(data);
        if (size < 0) {
            // The receiver fell silent (or sent nothing intact): what came stays.
            ShowMessage(
                FormatText("%s transfer incomplete: no further packet came from the GPS "
                           "after %d of %d records.\nThe records received are kept.",
                           what, received, recordCount));
            break;
        }
        if (LastPacketId() == kPidTransferComplete) break;
        ++received;
        if (!handle(DownloadPacket{LastPacketId(), data, size, recordCount})) break;
    }
    return recordCount;
}

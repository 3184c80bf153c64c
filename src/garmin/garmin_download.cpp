// The packet loop that every transfer shares: command, records packet, the
// records, transfer complete.

#include "core/byte_order.h"
#include "core/user_feedback.h"
#include "garmin/garmin_device.h"

#include <cstring>

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
        if (size == 0) {
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

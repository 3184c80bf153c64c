// The transfers of one import: each a GarminDownload fed by the link, and the
// downloads in their fixed order.

#include "garmin/garmin_transfers.h"

#include <cstring>

#include "core/byte_order.h"
#include "core/user_feedback.h"
#include "garmin/garmin_device.h"
#include "garmin/garmin_download.h"

int GarminDevice::Transfer(GarminDownload& download, const char* fileName, PictureSet* pictures) {
    int count = 0;
    if (download.Begin(fileName, pictures))
        count = RunDownload(download);
    else
        download.Finish();
    layer = download.layer;
    table = download.table;
    return count;
}

int GarminDevice::TransferWaypoints(GeometryStore& geometry, AttributeStore& attributes,
                                    PictureSet* pictures, const char* fileName) {
    GarminDownload download(GarminDownload::kWaypoints, protocols, geometry, attributes);
    return Transfer(download, fileName, pictures);
}

int GarminDevice::TransferRoutes(GeometryStore& geometry, AttributeStore& attributes,
                                 const char* fileName) {
    GarminDownload download(GarminDownload::kRoutes, protocols, geometry, attributes);
    return Transfer(download, fileName, nullptr);
}

int GarminDevice::TransferTrackLines(GeometryStore& geometry, AttributeStore& attributes,
                                     const char* fileName) {
    GarminDownload download(GarminDownload::kTrackLines, protocols, geometry, attributes);
    return Transfer(download, fileName, nullptr);
}

int GarminDevice::TransferTrackPoints(GeometryStore& geometry, AttributeStore& attributes,
                                      const char* fileName) {
    GarminDownload download(GarminDownload::kTrackPoints, protocols, geometry, attributes);
    return Transfer(download, fileName, nullptr);
}

int GarminDevice::RunDownload(GarminDownload& download) {
    unsigned char command[2];
    PutLE16(command, static_cast<uint16_t>(download.Command()));
    // Without an ACK the receiver may still send: read whatever comes.
    SendWithAck(download.CommandPacketId(), command, 2);

    unsigned char data[kPacketBufferSize];
    std::memset(data, 0, sizeof data);
    for (;;) {
        if (Feedback().CancelRequested()) {
            ShowMessage(
                FormatText("%s transfer stopped after %d of %d records.\nThe records "
                           "received are kept.",
                           download.What(), download.Received(), download.RecordCount()));
            AbortTransfer(download.CommandPacketId(), download.AbortCommand());
            break;
        }
        const int size = ReceiveData(data);
        if (size < 0) {
            // The receiver fell silent (or sent nothing intact): what came stays.
            ShowMessage(
                FormatText("%s transfer incomplete: no further packet came from the GPS "
                           "after %d of %d records.\nThe records received are kept.",
                           download.What(), download.Received(), download.RecordCount()));
            break;
        }
        const GarminDownload::Step step = download.HandlePacket(LastPacketId(), data, size);
        if (step == GarminDownload::kComplete) break;
        if (step == GarminDownload::kStop) {
            // Its message has been shown; the rest of the transfer is not wanted.
            AbortTransfer(download.CommandPacketId(), download.AbortCommand());
            break;
        }
    }
    download.Finish();
    return download.RecordCount();
}

void GarminDevice::AbortTransfer(int packetId, int command) {
    unsigned char data[2];
    PutLE16(data, static_cast<uint16_t>(command));
    SendPacket(packetId, data, 2);
    // A receiver that keeps sending after the abort would hold us here: a
    // transfer has at most 65535 records.
    const int savedTimeout = packetTimeoutMs;
    packetTimeoutMs = kAbortQuietMs;
    unsigned char scratch[kPacketBufferSize];
    for (int packets = 0; packets < 65536; ++packets) {
        if (ReceivePacket(scratch) < 0) {
            if (LastFrameFailed()) continue;  // damaged: dropped all the same
            break;
        }
        const int id = LastPacketId();
        if (id != kPidAck && id != kPidNak) SendAck(id);
    }
    packetTimeoutMs = savedTimeout;
}

int RunGarminTransfers(GarminDevice& gps, GeometryStore& geometry, AttributeStore& attributes,
                       PictureSet* pictures, const GarminTransferChoice& choice) {
    // A transfer that made its layer has sent its command; a stopped transfer
    // ends the whole import.
    int run = 0;
    if (choice.waypoints) {
        gps.TransferWaypoints(geometry, attributes, pictures, choice.waypointsFile.c_str());
        run += gps.LayerIndex() >= 0;
    }
    if (choice.routes && !Feedback().CancelRequested()) {
        gps.TransferRoutes(geometry, attributes, choice.routesFile.c_str());
        run += gps.LayerIndex() >= 0;
    }
    // A unit without a track log says so once, for both track layers.
    if ((choice.trackLines || choice.trackPoints) &&
        GarminLink(gps.Protocols()).commandTracks < 0) {
        ShowMessage(kNoTrackLogMessage);
        return run;
    }
    if (choice.trackLines && !Feedback().CancelRequested()) {
        gps.TransferTrackLines(geometry, attributes, choice.tracksFile.c_str());
        run += gps.LayerIndex() >= 0;
    }
    if (choice.trackPoints && !Feedback().CancelRequested()) {
        gps.TransferTrackPoints(geometry, attributes, choice.tracksFile.c_str());
        run += gps.LayerIndex() >= 0;
    }
    return run;
}

int ChosenTransfers(const GarminTransferChoice& choice) {
    return choice.waypoints + choice.routes + choice.trackLines + choice.trackPoints;
}

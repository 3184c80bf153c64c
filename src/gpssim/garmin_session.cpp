#include "garmin_session.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "ack_wait.h"
#include "core/byte_order.h"
#include "garmin_records.h"
#include "sim_log.h"

namespace {

constexpr uint8_t kAck = 6;
constexpr uint8_t kCommand = 10;
constexpr uint8_t kTransferComplete = 12;
constexpr uint8_t kNak = 21;
constexpr uint8_t kRecords = 27;
constexpr uint8_t kRouteHeader = 29;
constexpr uint8_t kRouteWaypoint = 30;
constexpr uint8_t kTrackPoint = 34;
constexpr uint8_t kWaypoint = 35;
constexpr uint8_t kRouteLink = 98;
constexpr uint8_t kTrackHeader = 99;
constexpr uint8_t kRequestsOff = 28;
constexpr uint8_t kBaudRequest = 48;
constexpr uint8_t kBaudAccept = 49;
constexpr uint8_t kExtendedProductData = 248;
constexpr uint8_t kCapabilities = 253;
constexpr uint8_t kProductRequest = 254;
constexpr uint8_t kProductData = 255;

constexpr uint16_t kCommandRoutes = 4;
constexpr uint16_t kCommandTracks = 6;
constexpr uint16_t kCommandWaypoints = 7;

// Longest gap between two bytes of one packet from the host.
constexpr int kByteTimeoutMs = 500;
// A packet that no host acknowledges after this many tries is given up.
constexpr int kMaxTries = 12;

bool IsRecordPacket(uint8_t id) {
    return id == kWaypoint || id == kRouteHeader || id == kRouteWaypoint || id == kRouteLink ||
           id == kTrackHeader || id == kTrackPoint;
}

std::vector<uint8_t> Le16(uint16_t v) {
    std::vector<uint8_t> out(2);
    PutLE16(out.data(), v);
    return out;
}

}  // namespace

namespace garmin_wire {

uint8_t Checksum(uint8_t id, const std::vector<uint8_t>& data) {
    unsigned sum = id + static_cast<uint8_t>(data.size());
    for (uint8_t b : data) sum += b;
    return static_cast<uint8_t>(-sum);
}

std::vector<uint8_t> Frame(uint8_t id, const std::vector<uint8_t>& data, bool badChecksum,
                           int claimedSize) {
    auto stuffed = [](std::vector<uint8_t>& out, uint8_t b) {
        out.push_back(b);
        if (b == kDle) out.push_back(kDle);
    };
    uint8_t size = static_cast<uint8_t>(data.size());
    std::vector<uint8_t> sent = data;
    if (claimedSize >= 0) {
        // A size byte promising more than comes; near 255 data bytes are left out.
        size = static_cast<uint8_t>(std::min(claimedSize, 255));
        if (sent.size() >= size) sent.resize(size >= 4 ? size - 4 : 0);
    }
    unsigned sum = id + size;
    for (uint8_t b : sent) sum += b;
    uint8_t checksum = static_cast<uint8_t>(-sum);
    if (badChecksum) checksum = static_cast<uint8_t>(checksum + 1);

    std::vector<uint8_t> out{kDle, id};
    stuffed(out, size);
    for (uint8_t b : sent) stuffed(out, b);
    stuffed(out, checksum);
    out.push_back(kDle);
    out.push_back(kEtx);
    return out;
}

}  // namespace garmin_wire

using namespace garmin_wire;

GarminSession::GarminSession(PtyLink& link, const SimOptions& options, const SimDataset& data,
                             const GarminProfile& profile, LineFaults& faults)
    : link_(link), options_(options), data_(data), profile_(profile), faults_(faults) {
    if (options_.productId >= 0) profile_.productId = options_.productId;
    if (options_.noCapabilities) profile_.capabilities = false;
    if (options_.unknownTypes) MakeTypesUnknown(profile_);
}

// Reads one stuffed byte: a DLE inside a frame must come doubled.
static bool ReadStuffed(PtyLink& link, uint8_t& out) {
    int b = link.ReadByte(kByteTimeoutMs);
    if (b < 0) return false;
    if (b == kDle && link.ReadByte(kByteTimeoutMs) != kDle) return false;
    out = static_cast<uint8_t>(b);
    return true;
}

bool GarminSession::ReadFrameBody(GarminPacket& packet) {
    int id = link_.ReadByte(kByteTimeoutMs);
    // DLE ETX is the end of a frame, DLE DLE a stuffed byte: neither starts one.
    if (id < 0 || id == kEtx || id == kDle) return false;
    packet.id = static_cast<uint8_t>(id);
    uint8_t size;
    if (!ReadStuffed(link_, size)) return false;
    packet.data.assign(size, 0);
    for (uint8_t& b : packet.data)
        if (!ReadStuffed(link_, b)) return false;
    uint8_t checksum;
    if (!ReadStuffed(link_, checksum)) return false;
    if (link_.ReadByte(kByteTimeoutMs) != kDle || link_.ReadByte(kByteTimeoutMs) != kEtx)
        return false;
    packet.checksumOk = checksum == Checksum(packet.id, packet.data);
    SimLog("packet %d, %zu bytes%s", packet.id, packet.data.size(),
           packet.checksumOk ? "" : ", bad checksum");
    return true;
}

bool GarminSession::ReadPacket(GarminPacket& packet, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int left;
    while ((left = MsUntil(end)) > 0 && !StopRequested() && link_.IsOpen())
        if (link_.ReadByte(left) == kDle && ReadFrameBody(packet)) return true;
    return false;
}

void GarminSession::OnFrameStart() {
    GarminPacket packet;
    if (!ReadFrameBody(packet)) return;
    Handle(packet);
    while (pending_ && !StopRequested()) {
        GarminPacket next = std::move(*pending_);
        pending_.reset();
        Handle(next);
    }
}

void GarminSession::SendControl(uint8_t id, uint8_t about) {
    if (!faults_.MaySend()) return;
    link_.Write(Frame(id, {about, 0}));
}

void GarminSession::Handle(const GarminPacket& packet) {
    if (packet.id == kProductRequest && packet.checksumOk) faults_.StartSession();
    if (!faults_.MaySend()) return;
    if (!packet.checksumOk) {
        SendControl(kNak, packet.id);
        return;
    }
    switch (LinkOnePacketId(profile_, packet.id)) {
        case kAck:
        case kNak:
            return;  // late answers to something already given up
        case kProductRequest:
            SendControl(kAck, packet.id);
            Identify();
            return;
        case kBaudRequest:
            SendControl(kAck, packet.id);
            if (packet.data.size() >= 4 && !options_.refuseSpeed)
                ChangeSpeed(GetLE32(packet.data.data()));
            return;
        case kCommand: {
            SendControl(kAck, packet.id);
            uint16_t command = LinkOneCommand(
                profile_, packet.data.size() >= 2 ? GetLE16(packet.data.data()) : 0xFFFF);
            SimLog("command %u", command);
            if (command == kCommandWaypoints) TransferWaypoints();
            if (command == kCommandRoutes) TransferRoutes();
            if (command == kCommandTracks) TransferTracks();
            return;  // others (abort, turn off, time, ...) need no answer here
        }
        default:
            SendControl(kAck, packet.id);
            return;
    }
}

GarminSession::SendResult GarminSession::SendData(uint8_t id, const std::vector<uint8_t>& data,
                                                  bool again) {
    if (!faults_.BeginData()) return SendResult::kAbandoned;
    const FaultOptions& f = options_.faults;
    bool dropEtx = faults_.NextIsEvery(f.dropEtxEvery);
    // Sent again once after its ACK, as a receiver does whose ACK was lost.
    bool repeat = again || faults_.NextIsEvery(f.lostAckEvery);
    bool counted = false;
    for (int attempt = 1; attempt <= kMaxTries; ++attempt) {
        if (!faults_.MaySend()) return SendResult::kAbandoned;
        int claimed = -1;
        if (IsRecordPacket(id) && faults_.SizeLie()) claimed = static_cast<int>(data.size()) + 4;
        std::vector<uint8_t> bytes = faults_.Garbage();
        std::vector<uint8_t> noise = faults_.DleNoise();
        bytes.insert(bytes.end(), noise.begin(), noise.end());
        std::vector<uint8_t> frame =
            Frame(WirePacketId(profile_, id), data, faults_.BadChecksum(attempt), claimed);
        if (dropEtx) {
            // The receiver goes on waiting for the host's answer to the cut frame.
            frame.pop_back();
            dropEtx = false;
        }
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        if (!link_.Write(bytes)) return SendResult::kAbandoned;
        if (!counted) faults_.DataSent();
        counted = true;
        if (!link_.IsOpen()) return SendResult::kAbandoned;

        // Wait for the host's answer: an ACK of this packet ends the wait, a NAK
        // (whatever packet it names) asks for it again, and any other packet
        // interrupts the transfer and is handled next.
        AckWait wait(options_);
        bool resend = false;
        while (!resend) {
            GarminPacket answer;
            if (!ReadPacket(answer, wait.LeftMs())) {
                if (StopRequested() || !link_.IsOpen()) return SendResult::kAbandoned;
                if (wait.ResendWhenOver()) {
                    resend = true;
                    continue;
                }
                SimLog("no answer to packet %d: transfer abandoned", id);
                return SendResult::kAbandoned;
            }
            if (!answer.checksumOk) continue;
            if (answer.id == kAck) {
                if (answer.data.empty() || answer.data[0] != WirePacketId(profile_, id))
                    continue;  // an earlier packet's
                if (!repeat) return SendResult::kAcked;
                SimLog("ACK of packet %d taken as lost: sending it again", id);
                repeat = false;
                attempt = 0;
                resend = true;
                continue;
            }
            if (answer.id == kNak) {
                resend = true;
                continue;
            }
            pending_ = answer;
            return SendResult::kInterrupted;
        }
    }
    SimLog("packet %d refused %d times: transfer abandoned", id, kMaxTries);
    return SendResult::kAbandoned;
}

void GarminSession::ChangeSpeed(uint32_t wanted) {
    // A unit answers with the rate it can make, a little off the standard one.
    const uint32_t offered = wanted + wanted / 150;
    std::vector<uint8_t> data(4);
    PutLE32(data.data(), offered);
    if (SendData(kBaudAccept, data) != SendResult::kAcked) return;
    // The line now runs at the new rate: paced at it when the line is paced.
    if (options_.baud > 0) link_.SetBaud(static_cast<int>(wanted));
    SimLog("now at %u baud", wanted);
}

void GarminSession::Identify() {
    if (SendData(kProductData, ProductData(profile_), options_.repeatProductData) !=
        SendResult::kAcked)
        return;
    if (options_.extendedProductData) {
        const std::string texts = options_.faults.zeroSize ? "" : std::string("VERGPROM None\0", 14);
        if (SendData(kExtendedProductData, std::vector<uint8_t>(texts.begin(), texts.end())) !=
            SendResult::kAcked)
            return;
    }
    if (profile_.capabilities) SendData(kCapabilities, CapabilityData(profile_));
}

bool GarminSession::SendAll(const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& packets,
                            uint16_t command) {
    if (options_.completeFirst)
        return SendData(kTransferComplete, Le16(command)) == SendResult::kAcked;
    if (SendData(kRecords, Le16(static_cast<uint16_t>(packets.size()))) != SendResult::kAcked)
        return false;
    int sent = 0;
    for (auto [id, data] : packets) {
        if (sent++ == options_.unreadableAfter) data.resize(2);
        if (SendData(id, data) != SendResult::kAcked) return false;
    }
    const std::vector<uint8_t> complete =
        options_.faults.zeroSize ? std::vector<uint8_t>() : Le16(WireCommand(profile_, command));
    return SendData(kTransferComplete, complete) == SendResult::kAcked;
}

void GarminSession::TransferWaypoints() {
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> packets;
    std::vector<uint8_t> record;
    for (const SimWaypoint& w : data_.waypoints)
        if (EncodeWaypoint(profile_.waypointType, w, record))
            packets.emplace_back(kWaypoint, record);
    SendAll(packets, kCommandWaypoints);
}

void GarminSession::TransferRoutes() {
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> packets;
    std::vector<uint8_t> record;
    if (profile_.routeProtocol == 200 || profile_.routeProtocol == 201) {
        for (const SimRoute& r : data_.routes) {
            if (EncodeRouteHeader(profile_.routeHeaderType, r, record))
                packets.emplace_back(kRouteHeader, record);
            for (size_t i = 0; i < r.points.size(); ++i) {
                // A201 puts a link record between consecutive route waypoints.
                if (i > 0 && profile_.routeProtocol == 201 &&
                    EncodeRouteLink(profile_.routeLinkType, record))
                    packets.emplace_back(kRouteLink, record);
                if (EncodeWaypoint(profile_.routeWaypointType, r.points[i], record))
                    packets.emplace_back(kRouteWaypoint, record);
            }
        }
    }
    SendAll(packets, kCommandRoutes);
}

void GarminSession::TransferTracks() {
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> packets;
    std::vector<uint8_t> record;
    if (profile_.trackProtocol >= 300 && profile_.trackProtocol <= 302) {
        for (size_t i = 0; i < data_.tracks.size(); ++i) {
            const SimTrack& t = data_.tracks[i];
            if (profile_.trackProtocol != 300 &&
                EncodeTrackHeader(profile_.trackHeaderType, t, static_cast<int>(i), record))
                packets.emplace_back(kTrackHeader, record);
            bool first = true;
            for (const SimTrackPoint& p : t.points) {
                // A Garmin track log keeps no void fixes.
                if (!p.valid) continue;
                if (EncodeTrackPoint(profile_.trackPointType, p, first, record))
                    packets.emplace_back(kTrackPoint, record);
                first = false;
            }
        }
    }
    SendAll(packets, kCommandTracks);
}

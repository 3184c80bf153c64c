#pragma once
// The Garmin side of the simulated receiver: reads the host's packets, answers
// the product request and the transfer commands, and sends every data packet
// until the host acknowledges it.

#include <cstdint>
#include <optional>
#include <vector>

#include "dataset.h"
#include "garmin_profiles.h"
#include "line_faults.h"
#include "pty_link.h"
#include "sim_options.h"

namespace garmin_wire {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;

uint8_t Checksum(uint8_t id, const std::vector<uint8_t>& data);
// A whole frame with DLE stuffing. `badChecksum` sends a checksum off by one;
// `claimedSize` (when larger than the data) is put into the size byte instead.
std::vector<uint8_t> Frame(uint8_t id, const std::vector<uint8_t>& data, bool badChecksum = false,
                           int claimedSize = -1);

}  // namespace garmin_wire

struct GarminPacket {
    uint8_t id = 0;
    std::vector<uint8_t> data;
    bool checksumOk = false;
};

class GarminSession {
  public:
    GarminSession(PtyLink& link, const SimOptions& options, const SimDataset& data,
                  const GarminProfile& profile, LineFaults& faults);

    // The host sent a DLE: reads the rest of its packet and acts on it (and on
    // any packet that interrupts what that one started).
    void OnFrameStart();

  private:
    enum class SendResult { kAcked, kAbandoned, kInterrupted };

    bool ReadFrameBody(GarminPacket& packet);
    bool ReadPacket(GarminPacket& packet, int timeoutMs);
    void Handle(const GarminPacket& packet);
    void SendControl(uint8_t id, uint8_t about);
    // Sends a data packet until the host acknowledges it; `again`: once more
    // after the ACK (the receiver took its ACK as lost).
    SendResult SendData(uint8_t id, const std::vector<uint8_t>& data, bool again = false);
    bool SendAll(const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& packets,
                 uint16_t command);

    void Identify();
    // Answers a rate request and moves the line to the rate asked for.
    void ChangeSpeed(uint32_t wanted);
    void TransferWaypoints();
    void TransferRoutes();
    void TransferTracks();

    PtyLink& link_;
    const SimOptions& options_;
    const SimDataset& data_;
    GarminProfile profile_;
    LineFaults& faults_;
    std::optional<GarminPacket> pending_;
};

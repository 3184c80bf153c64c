// Changing the line speed: the receiver is asked for a rate, both sides move
// there, and two pings at the new rate confirm it. A receiver left without
// both pings goes back to 9600 by itself after 2 seconds.

#include <cstdlib>

#include "core/byte_order.h"
#include "core/user_feedback.h"
#include "garmin/garmin_device.h"

namespace {

constexpr int kBaseSpeed = 9600;
// How long a receiver that missed the pings takes to go back to 9600.
constexpr int kFallbackMs = 2000;
// Time for our ACK of the rate answer to leave before the port changes.
constexpr int kSettleMs = 100;

// The standard rate within 5 % of what a receiver can make, 0 when none is.
int StandardSpeed(std::uint32_t offered) {
    for (int rate : GarminDevice::kSpeeds)
        if (std::labs(static_cast<long>(offered) - rate) * 20 <= rate) return rate;
    return 0;
}

}  // namespace

int GarminDevice::SendOnce(int packetId, const unsigned char* data, int size) {
    port.DiscardInput();
    lexer.Clear();
    SendPacket(packetId, data, size);
    return WaitAck();
}

int GarminDevice::AskForSpeed(int baud) {
    const unsigned char off[2] = {0, 0};
    if (SendOnce(kPidRequestsOff, off, 2) != kAcknowledged) return 0;
    unsigned char rate[4];
    PutLE32(rate, static_cast<std::uint32_t>(baud));
    if (SendOnce(kPidBaudRequest, rate, 4) != kAcknowledged) return 0;
    unsigned char answer[kPacketBufferSize];
    const int size = ReceiveData(answer);
    if (size < 4 || lastId != kPidBaudAccept) return 0;
    return StandardSpeed(GetLE32(answer));
}

bool GarminDevice::MoveTo(int baud) {
    port.Drain(kSettleMs);
    DelayMs(kSettleMs);
    if (!port.SetBaud(baud)) return false;
    const unsigned char ping[2] = {kCmdAckPing, 0};
    for (int i = 0; i < 2; ++i)
        if (SendOnce(kPidCommand, ping, 2) != kAcknowledged) return false;
    return true;
}

bool GarminDevice::ChangeSpeed(int baud) {
    if (baud == speed) return true;
    if (port.DriverName() == "garmin_gps") {
        ShowMessage(FormatText("The GPS is connected through the garmin_gps driver: the speed "
                               "stays as the driver sets it, not %d baud.",
                               baud));
        return false;
    }
    // A receiver may offer another standard rate than the one asked for; it
    // moves to what it offered.
    const int agreed = AskForSpeed(baud);
    if (agreed == 0) {
        ShowMessage(FormatText("The GPS did not agree to %d baud: the transfers run at %d baud.",
                               baud, speed));
        return false;
    }
    if (!MoveTo(agreed)) {
        // The receiver goes back to 9600 by itself once the pings are missing.
        port.SetBaud(kBaseSpeed);
        DelayMs(kFallbackMs);
        port.DiscardInput();
        lexer.Clear();
        ShowMessage(FormatText("The GPS did not answer at %d baud: the transfers run at %d baud.",
                               agreed, kBaseSpeed));
        return false;
    }
    speed = agreed;
    return true;
}

void GarminDevice::RestoreSpeed() {
    if (speed == kBaseSpeed || !port.IsOpen()) return;
    // Whatever the receiver answers, the line ends at 9600: a receiver that did
    // not follow returns there by itself when it is switched off.
    if (AskForSpeed(kBaseSpeed) == kBaseSpeed) MoveTo(kBaseSpeed);
    port.SetBaud(kBaseSpeed);
    speed = kBaseSpeed;
}

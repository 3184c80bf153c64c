#pragma once
// The fault plan of a run: counts the data packets / sentences a session has
// sent and decides when the receiver falls silent, closes the device, or
// corrupts what it sends.

#include <cstdint>
#include <string>
#include <vector>

#include "pty_link.h"
#include "sim_options.h"

class LineFaults {
  public:
    LineFaults(PtyLink& link, const FaultOptions& options) : link_(link), options_(options) {}

    // A host starts over (product request, $PMGNCMD,HANDON): counts restart and
    // a silent receiver answers again.
    void StartSession();
    // False once the receiver has fallen silent or the device is closed.
    bool MaySend() const { return !silent_ && link_.IsOpen(); }
    // Before a new data packet / sentence goes out: falls silent when its
    // quota is used up. False when it must not be sent.
    bool BeginData();
    // After the first try of a data packet / sentence went out; closes the
    // device when its quota is used up.
    void DataSent();

    bool BadChecksum(int attempt) const { return attempt <= options_.badChecksums; }
    // For the data packet / sentence about to go out (BeginData said yes, not
    // yet sent): whether it is one of every `every` (0: none).
    bool NextIsEvery(int every) const { return every > 0 && (sentTotal_ + 1) % every == 0; }
    // Noise holding DLE bytes: a frame start, a stuffed pair, another start,
    // none of which is a frame.
    std::vector<uint8_t> DleNoise() const {
        if (!options_.dleNoise) return {};
        return {0x10, 0x41, 0x05, 0x00, 0x10, 0x10, 0x7E, 0x10, 0x22, 0x01};
    }
    bool SizeLie() const { return options_.sizeLie && sentInSession_ >= options_.sizeLieAfter; }
    // Garbage to put before a packet / sentence: printable, never a DLE, '$',
    // '*', CR or LF, so it can neither start nor end a frame or a line.
    std::vector<uint8_t> Garbage();

  private:
    PtyLink& link_;
    const FaultOptions& options_;
    int sentInSession_ = 0;
    int sentTotal_ = 0;
    bool silent_ = false;
    uint32_t seed_ = 12345;
};

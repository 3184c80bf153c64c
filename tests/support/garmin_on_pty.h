#pragma once
// The receiver's end of the Garmin link for scripted tests: a host device on a
// pseudo-terminal, and records built byte by byte. Frames are written and read
// with host_line (shared with the simulator tests), apart from the host's
// code, so that a framing mistake cannot hide on both ends.

#include <cmath>
#include "quorvex_test.h"

#include "core/byte_order.h"
#include "garmin/garmin_device.h"

// The next frame the host sent; id -1 when none began within `timeoutMs`.
inline WirePacket ReadHostFrame(PtyPair& pty, int timeoutMs) {
    return pty.ReadPacket(timeoutMs);
}
// Every frame the host sends until it has been quiet for `quietMs`.
inline std::vector<WirePacket> ReadHostFrames(PtyPair& pty, int quietMs) {
    std::vector<WirePacket> frames;
    for (WirePacket p; (p = ReadHostFrame(pty, quietMs)).id >= 0;) frames.push_back(p);
    return frames;
}

// Little-endian fields written into a record of fixed size, texts appended.
struct RecordBuilder {
    explicit RecordBuilder(size_t size, unsigned char fill = 0) : bytes(size, fill) {}
    RecordBuilder& Position(int latAt, int lonAt, double lat, double lon) {
        PutLE32(&bytes[latAt], static_cast<uint32_t>(std::llround(lat * (2147483648.0 / 180.0))));
        PutLE32(&bytes[lonAt], static_cast<uint32_t>(std::llround(lon * (2147483648.0 / 180.0))));
        return *this;
    }
    RecordBuilder& Text(int at, const std::string& text) {
        std::memcpy(&bytes[at], text.data(), text.size());
        return *this;
    }
    RecordBuilder& Float(int at, float value) {
        PutLEFloat(&bytes[at], value);
        return *this;
    }
    RecordBuilder& I16(int at, int v) {
        PutLE16(&bytes[at], uint16_t(int16_t(v)));
        return *this;
    }
    RecordBuilder& U32(int at, uint32_t value) {
        PutLE32(&bytes[at], value);
        return *this;
    }
    Bytes Then(const std::string& texts) {
        bytes.insert(bytes.end(), texts.begin(), texts.end());
        return bytes;
    }
    Bytes bytes;
};

// A host device on one end of a pseudo-terminal, the test's receiver on the
// other, with short link time-outs so that silent lines cost little.
class GarminOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device.Port().Open(pty.SlavePath().c_str(), "9600,N,8,1"));
        device.SetLinkTimeouts(200, 100);
    }
    // Runs `host` while the receiver waits for the host's first frame and
    // answers it with `frames` at once; what the host sends after it is dropped.
    template <typename Host>
    auto Answered(const std::vector<Bytes>& frames, Host host) {
        pty.StartPeer([frames](PtyPair& peer) {
            if (ReadHostFrame(peer, 3000).id >= 0)
                for (const Bytes& frame : frames) peer.Send(frame);
        });
        auto result = host();
        pty.JoinPeer();
        ReadHostFrames(pty, 50);
        return result;
    }

    RecordingFeedback feedback;
    PtyPair pty;
    GarminDevice device;
};

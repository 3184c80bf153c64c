#pragma once
// The receiver's end of the Garmin link for scripted tests, written apart from
// the host's code so that a framing mistake cannot hide on both ends.

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/byte_order.h"
#include "garmin/garmin_device.h"
#include "recording_feedback.h"

#include "pty_pair.h"

// The two's complement of the sum of id, size and data.
unsigned char FrameChecksum(int id, const Bytes& data);

// DLE, id, size, data, checksum, DLE, ETX, with every 0x10 in size, data and
// checksum doubled. `checksumDelta` spoils the checksum.
Bytes GarminFrame(int id, const Bytes& data, int checksumDelta = 0);

struct HostFrame {
    int id = -1;
    Bytes data;
    bool checksumOk = false;
};

// Reads the next frame the host sent; false when none came within `timeoutMs`.
bool ReadHostFrame(PtyPair& pty, HostFrame* frame, int timeoutMs);
// Every frame the host sends until it has been quiet for `quietMs`.
std::vector<HostFrame> ReadHostFrames(PtyPair& pty, int quietMs);

// A capability list from entries such as "A100", "D108".
Bytes CapabilityData(const std::vector<std::string>& entries);
// Product ID, software version 3.12, then the description bytes as given.
Bytes ProductData(int productId, const std::string& description);

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
    RecordBuilder& I16(int at, int value) {
        PutLE16(&bytes[at], static_cast<uint16_t>(static_cast<int16_t>(value)));
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
    // Runs `host` while the receiver waits for the host's first frame (kept in
    // `request`) and answers it with `frames` at once; keeps what the host sent
    // after the request in `answers`.
    template <typename Host>
    auto Answered(const std::vector<Bytes>& frames, Host host) {
        pty.StartPeer([this, frames](PtyPair& peer) {
            if (ReadHostFrame(peer, &request, 3000))
                for (const Bytes& frame : frames) peer.Send(frame);
        });
        auto result = host();
        pty.JoinPeer();
        answers = ReadHostFrames(pty, 50);
        return result;
    }
    // The IDs of what the host sent since, until it has been quiet for 100 ms.
    std::vector<int> AnswerIds() {
        std::vector<int> ids;
        for (const auto& frame : ReadHostFrames(pty, 100)) ids.push_back(frame.id);
        return ids;
    }

    RecordingFeedback feedback;
    PtyPair pty;
    GarminDevice device;
    HostFrame request;
    std::vector<HostFrame> answers;
};

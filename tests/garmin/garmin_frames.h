#pragma once
// The receiver's end of the Garmin link for scripted tests, written apart from
// the host's code so that a framing mistake cannot hide on both ends.

#include <string>

#include "pty_pair.h"

// The checksum of a packet: the two's complement of the sum of id, size and data.
unsigned char FrameChecksum(int id, const Bytes& data);

// A whole frame: DLE, id, size, data, checksum, DLE, ETX, with every 0x10 in
// size, data and checksum doubled. `checksumDelta` spoils the checksum.
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

// A capability list from entries such as "A100", "D108", "L001".
Bytes CapabilityData(const std::vector<std::string>& entries);

// Product data: ID, software version, then the description bytes as given.
Bytes ProductData(int productId, const std::string& description, int version = 312);

#pragma once
// Sentences as a receiver sends them, and a buffer that shows writes past its end.

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "magellan/magellan_device.h"

// "body*XX\r\n" with the body's checksum.
inline std::string Sentence(const std::string& body) {
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", MagellanDevice::Checksum(body.c_str()));
    return body + tail;
}

// The acknowledgement the host owes for `line`.
inline std::string AcknowledgementOf(const std::string& line) {
    char body[16];
    std::snprintf(body, sizeof body, "$PMGNCSM,%02X", MagellanDevice::Checksum(line.c_str()));
    return Sentence(body);
}

template <size_t N>
struct GuardedBuffer {
    GuardedBuffer() { std::memset(guard, 'G', sizeof guard); }
    bool GuardIntact() const { return std::string(guard, sizeof guard) == std::string(64, 'G'); }
    char text[N];
    char guard[64];
};

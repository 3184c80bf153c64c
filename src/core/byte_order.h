#pragma once
// Explicit little- and big-endian access to byte buffers: packets, shapefile and
// dBASE headers are read and written through these, never by casting structs.

#include <cstdint>
#include <cstring>

inline void PutLE16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void PutLE32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void PutBE32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[3 - i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void PutLEDouble(unsigned char* p, double d) {
    uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void PutLEFloat(unsigned char* p, float f) {
    uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    PutLE32(p, v);
}

inline uint16_t GetLE16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t GetLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint32_t GetBE32(const unsigned char* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline double GetLEDouble(const unsigned char* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

inline float GetLEFloat(const unsigned char* p) {
    uint32_t v = GetLE32(p);
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

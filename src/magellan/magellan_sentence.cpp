// The text side of the sentence link: checksums and fields. Kept apart from the
// serial side so that the downloads' parsing needs no port.

#include <cstring>

#include "magellan/magellan_device.h"

unsigned char MagellanDevice::Checksum(const char* text) {
    unsigned char sum = 0;
    for (const char* p = text; *p != '\0' && *p != '*'; ++p) {
        if (*p != '$') sum ^= static_cast<unsigned char>(*p);
    }
    return sum;
}

const char* MagellanDevice::GetField(char* out, size_t capacity, const char* sentence,
                                     unsigned field) {
    if (capacity > 0) out[0] = '\0';
    if (sentence == nullptr || sentence[0] == '\0') return nullptr;

    const char* start = sentence;
    for (unsigned n = 0; n < field; ++n) {
        start = std::strchr(start, ',');
        if (start == nullptr) return nullptr;
        ++start;
    }
    // A sentence that ends with the comma has no field behind it.
    if (field > 0 && *start == '\0') return nullptr;

    size_t length = std::strcspn(start, ",*\n");
    if (capacity > 0) {
        if (length > capacity - 1) length = capacity - 1;
        std::memcpy(out, start, length);
        out[length] = '\0';
    }
    return start;
}

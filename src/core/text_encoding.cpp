#include "core/text_encoding.h"

#include <cstdint>

namespace {

// Code points of Windows-1252 bytes 0x80-0x9F; 0 marks the unassigned ones.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

template <typename CodePoint>
std::string ToUtf8(const char* bytes, size_t length, CodePoint codePoint) {
    std::string out;
    if (!bytes) return out;
    out.reserve(length);
    for (size_t i = 0; i < length && bytes[i] != '\0'; ++i)
        AppendUtf8(out, codePoint(static_cast<unsigned char>(bytes[i])));
    return out;
}

}  // namespace

std::string Windows1252ToUtf8(const char* bytes, size_t length) {
    return ToUtf8(bytes, length, [](unsigned char b) -> uint32_t {
        if (b < 0x80 || b > 0x9F) return b;
        uint16_t c = kWindows1252High[b - 0x80];
        return c ? c : b;
    });
}

std::string Latin1ToUtf8(const char* bytes, size_t length) {
    return ToUtf8(bytes, length, [](unsigned char b) -> uint32_t { return b; });
}

size_t Utf8CutLength(const char* text, size_t length, size_t maxBytes) {
    if (length <= maxBytes) return length;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    // Back up over at most three continuation bytes to the start of the
    // character that the cut falls into.
    size_t start = maxBytes;
    while (start > 0 && maxBytes - start < 3 && (byte(start) & 0xC0) == 0x80) --start;
    if (start == maxBytes) return maxBytes;  // the cut falls between characters
    unsigned char lead = byte(start);
    size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    // A lead byte whose character ends before the cut is followed by stray
    // continuation bytes, each a character of its own.
    return start + size <= maxBytes ? maxBytes : start;
}

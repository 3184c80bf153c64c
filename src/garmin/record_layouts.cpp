#include "garmin/record_layouts.h"

#include "core/byte_order.h"

namespace {

using C = PointColumn;
constexpr int kNone = PointLayout::kNone;
constexpr int kAfterIdent = PointLayout::kAfterIdent;

// Byte offsets of the fields read; the minimum size is the end of the last
// fixed field (a NUL-terminated text may be empty when the record ends at it).
// Column lists name the attribute fields in table order.
constexpr int kNoAltitude = kNone;
constexpr PointColumn kWaypoint[] = {C::kIdent, C::kLongitude, C::kLatitude, C::kComment,
                                     C::kAltitude};
constexpr PointColumn kTrackPoint[] = {C::kLongitude, C::kLatitude, C::kTime, C::kAltitude,
                                       C::kDepth};

// clang-format off
const PointLayout kLayouts[] = {
//   type lat lon ident len comment      altitude     float  time   depth  min  fields
    // Six-character ident, position at 6, 40-character comment at 18.
    {100,  6, 10,  0,  6, 18,          kNoAltitude, false, kNone, kNone,  58, 4},
    {101,  6, 10,  0,  6, 18,          kNoAltitude, false, kNone, kNone,  58, 5},
    {102,  6, 10,  0,  6, 18,          kNoAltitude, false, kNone, kNone,  58, 4},
    {103,  6, 10,  0,  6, 18,          kNoAltitude, false, kNone, kNone,  58, 4},
    {104,  6, 10,  0,  6, 18,          kNoAltitude, false, kNone, kNone,  58, 4},
    {107,  6, 10,  0,  6, 18,          kNoAltitude, false, kNone, kNone,  58, 4},
    // Position first, NUL-terminated ident.
    {105,  0,  4, 10,  0, kNone,       kNoAltitude, false, kNone, kNone,  10, 3},
    {106, 14, 18, 24,  0, kNone,       kNoAltitude, false, kNone, kNone,  24, 3},
    // Float altitude; ident and comment NUL-terminated after the fixed part.
    {108, 24, 28, 48,  0, kAfterIdent, 32,          true,  kNone, kNone,  48, 5},
    {109, 24, 28, 52,  0, kAfterIdent, 32,          true,  kNone, kNone,  52, 5},
    // Aviation layouts: 16-bit altitudes.
    {150,  9, 13,  0,  6, 75,          17,          false, kNone, kNone, 115, 5},
    {151,  6, 10,  0,  6, 18,          118,         false, kNone, kNone, 120, 5},
    {152,  6, 10,  0,  6, 18,          118,         false, kNone, kNone, 120, 5},
    {154,  6, 10,  0,  6, 18,          118,         false, kNone, kNone, 120, 5},
    {155,  6, 10,  0,  6, 18,          118,         false, kNone, kNone, 120, 5},
    // Track points: position, time, and for D301 altitude and depth.
    {300,  0,  4, kNone, 0, kNone,     kNoAltitude, false, 8,     kNone,  12, 3},
    {301,  0,  4, kNone, 0, kNone,     12,          true,  8,     16,     20, 5},
};
// clang-format on

}  // namespace

PointColumn PointLayout::Column(int field) const {
    return time == kNone ? kWaypoint[field] : kTrackPoint[field];
}

const PointLayout* FindPointLayout(int dataType) {
    for (const PointLayout& layout : kLayouts)
        if (layout.type == dataType) return &layout;
    return nullptr;
}

std::vector<std::string> PointFieldNames(int dataType) {
    std::vector<std::string> names;
    if (const PointLayout* layout = FindPointLayout(dataType))
        for (int i = 0; i < layout->columnCount; ++i)
            names.push_back(FieldOfColumn(layout->Column(i)).name);
    return names;
}

ColumnField FieldOfColumn(PointColumn column) {
    switch (column) {
        case C::kIdent:
            return {"Ident", 'C', 12, 0};
        case C::kLongitude:
            return {"Longitude", 'N', 12, 5};
        case C::kLatitude:
            return {"Latitude", 'N', 12, 5};
        case C::kComment:
            return {"Comment", 'C', 40, 0};
        case C::kAltitude:
            return {"Altitude", 'N', 12, 1};
        case C::kTime:
            return {"Time", 'C', 20, 0};
        case C::kDepth:
            return {"Depth", 'N', 12, 1};
    }
    return {"", 'C', 1, 0};
}

double SemicirclesToDegrees(const unsigned char* bytes) {
    const auto semicircles = static_cast<int32_t>(GetLE32(bytes));
    return static_cast<double>(semicircles) * (180.0 / 2147483648.0);
}

std::string RecordText(const unsigned char* record, int size, int offset, int maxLength) {
    if (offset < 0 || offset >= size) return std::string();
    const int available = size - offset;
    const int limit = maxLength < available ? maxLength : available;
    int length = 0;
    while (length < limit && record[offset + length] != '\0') ++length;
    return std::string(reinterpret_cast<const char*>(record + offset), static_cast<size_t>(length));
}

const char* NthStringAfter(int n, const unsigned char* bytes, int maximum) {
    if (n < 1) return reinterpret_cast<const char*>(bytes);
    if (maximum < 1) return nullptr;
    int found = 0;
    for (int i = 0; i < maximum; ++i) {
        if (bytes[i] == '\0' && ++found == n) return reinterpret_cast<const char*>(bytes + i + 1);
    }
    return nullptr;
}

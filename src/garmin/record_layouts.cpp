#include "garmin/record_layouts.h"

#include "core/byte_order.h"

namespace {

using C = PointColumn;
using K = NumberKind;
constexpr int kNone = PointLayout::kNone;
constexpr int kAfterIdent = PointLayout::kAfterIdent;

// Attribute field lists, in table order.
constexpr PointColumn kIdentPosition[] = {C::kIdent, C::kLongitude, C::kLatitude};
constexpr PointColumn kWaypoint[] = {C::kIdent, C::kLongitude, C::kLatitude, C::kComment,
                                     C::kAltitude};
constexpr PointColumn kWaypointTime[] = {C::kIdent,   C::kLongitude, C::kLatitude,
                                         C::kComment, C::kAltitude,  C::kTime};
constexpr PointColumn kTrackPoint[] = {C::kLongitude, C::kLatitude, C::kTime, C::kAltitude,
                                       C::kDepth};
constexpr PointColumn kTrackPointTemp[] = {C::kLongitude, C::kLatitude, C::kTime,
                                           C::kAltitude,  C::kDepth,    C::kTemperature};
constexpr PointColumn kTrackPointHeart[] = {C::kLongitude, C::kLatitude, C::kTime,
                                            C::kAltitude,  C::kDepth,    C::kHeartRate};

#define COLUMNS(list) list, static_cast<int>(sizeof list / sizeof list[0])
#define FIRST(list, n) list, n

// Byte offsets of the fields read; the minimum size is the end of the last
// fixed field (a NUL-terminated text may be empty when the record ends at it).
// clang-format off
const PointLayout kLayouts[] = {
//   type lat lon ident len comment      altitude kind       time   depth  temp   heart  new_trk min fields
    // Six-character ident, position at 6, 40-character comment at 18.
    {100,  6, 10,  0,  6, 18,          kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  58, FIRST(kWaypoint, 4)},
    {101,  6, 10,  0,  6, 18,          kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  58, COLUMNS(kWaypoint)},
    {102,  6, 10,  0,  6, 18,          kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  58, FIRST(kWaypoint, 4)},
    {103,  6, 10,  0,  6, 18,          kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  58, FIRST(kWaypoint, 4)},
    {104,  6, 10,  0,  6, 18,          kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  58, FIRST(kWaypoint, 4)},
    {107,  6, 10,  0,  6, 18,          kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  58, FIRST(kWaypoint, 4)},
    // Position first, NUL-terminated ident.
    {105,  0,  4, 10,  0, kNone,       kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  10, COLUMNS(kIdentPosition)},
    {106, 14, 18, 24,  0, kNone,       kNone, K::kNone,   kNone, kNone, kNone, kNone, kNone,  24, COLUMNS(kIdentPosition)},
    // Float altitude; ident and comment NUL-terminated after the fixed part.
    {108, 24, 28, 48,  0, kAfterIdent, 32,    K::kFloat,  kNone, kNone, kNone, kNone, kNone,  48, COLUMNS(kWaypoint)},
    {109, 24, 28, 52,  0, kAfterIdent, 32,    K::kFloat,  kNone, kNone, kNone, kNone, kNone,  52, COLUMNS(kWaypoint)},
    // D109 with temperature, time and categories before the ident.
    {110, 24, 28, 62,  0, kAfterIdent, 32,    K::kFloat,  56,    kNone, kNone, kNone, kNone,  62, COLUMNS(kWaypointTime)},
    // Aviation layouts: 16-bit altitudes.
    {150,  9, 13,  0,  6, 75,          17,    K::kInt16,  kNone, kNone, kNone, kNone, kNone, 115, COLUMNS(kWaypoint)},
    {151,  6, 10,  0,  6, 18,          118,   K::kInt16,  kNone, kNone, kNone, kNone, kNone, 120, COLUMNS(kWaypoint)},
    {152,  6, 10,  0,  6, 18,          118,   K::kInt16,  kNone, kNone, kNone, kNone, kNone, 120, COLUMNS(kWaypoint)},
    {154,  6, 10,  0,  6, 18,          118,   K::kInt16,  kNone, kNone, kNone, kNone, kNone, 120, COLUMNS(kWaypoint)},
    {155,  6, 10,  0,  6, 18,          118,   K::kInt16,  kNone, kNone, kNone, kNone, kNone, 120, COLUMNS(kWaypoint)},
    // Track points: position and time, then what each generation added. The
    // new-track byte is read when the record reaches it.
    {300,  0,  4, kNone, 0, kNone,     kNone, K::kNone,   8,     kNone, kNone, kNone, 12,     12, FIRST(kTrackPoint, 3)},
    {301,  0,  4, kNone, 0, kNone,     12,    K::kFloat,  8,     16,    kNone, kNone, 20,     20, COLUMNS(kTrackPoint)},
    {302,  0,  4, kNone, 0, kNone,     12,    K::kFloat,  8,     16,    20,    kNone, 24,     24, COLUMNS(kTrackPointTemp)},
    // Fitness units: no depth (the field stays blank), a heart rate, no new-track flag.
    {303,  0,  4, kNone, 0, kNone,     12,    K::kFloat,  8,     kNone, kNone, 16,    kNone,  17, COLUMNS(kTrackPointHeart)},
    {304,  0,  4, kNone, 0, kNone,     12,    K::kFloat,  8,     kNone, kNone, 20,    kNone,  21, COLUMNS(kTrackPointHeart)},
};

const HeaderLayout kHeaders[] = {
    {200, HeaderLayout::kNumbered,  0, 0,  0},   // route number only: "Route #n"
    {201, HeaderLayout::kFixedText, 1, 20, 21},  // route number, 20-character comment
    {202, HeaderLayout::kNulText,   0, 0,  0},   // route identifier
    {310, HeaderLayout::kNulText,   2, 0,  2},   // display flag, colour, track identifier
    {311, HeaderLayout::kIndex,     0, 0,  2},   // 16-bit track index, no name
    {312, HeaderLayout::kNulText,   2, 0,  2},   // as D310, other colour values
};
// clang-format on

#undef COLUMNS
#undef FIRST

}  // namespace

int PointLayout::FieldOf(PointColumn column) const {
    for (int field = 0; field < columnCount; ++field)
        if (columns[field] == column) return field;
    return -1;
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

const HeaderLayout* FindHeaderLayout(int headerType) {
    for (const HeaderLayout& layout : kHeaders)
        if (layout.type == headerType) return &layout;
    return nullptr;
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
        case C::kTemperature:
            return {"Temp", 'N', 12, 1};
        case C::kHeartRate:
            return {"HeartRate", 'N', 3, 0};
    }
    return {"", 'C', 1, 0};
}

bool IsNoPosition(const unsigned char* latitude, const unsigned char* longitude) {
    return GetLE32(latitude) == 0x7FFFFFFFu && GetLE32(longitude) == 0x7FFFFFFFu;
}

bool IsNoTime(std::uint32_t seconds) {
    return seconds == 0xFFFFFFFFu || seconds == 0x7FFFFFFFu || seconds == 0;
}

bool IsNotAvailable(float value) {
    return value >= 1.0e24f;
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

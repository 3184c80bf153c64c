#pragma once
// The Garmin record layouts (D numbers) that the transfers read: where each
// field lies inside a packet's data, which attribute fields a point layer of
// that layout gets, and reads of those fields that never pass the end of the
// packet. Numbers inside a record are little-endian; positions are signed
// 32-bit semicircles (2^31 semicircles are 180 degrees).

#include <string>
#include <vector>

// One attribute field of a point layer and the value it is filled with.
enum class PointColumn { kIdent, kLongitude, kLatitude, kComment, kAltitude, kTime, kDepth };

struct PointLayout {
    static constexpr int kNone = -1;
    // Comment offset of D108/D109: the NUL-terminated text after the ident.
    static constexpr int kAfterIdent = -2;

    int type;  // 108 for D108
    int latitude;
    int longitude;
    int ident;             // offset, or kNone
    int identLength;       // 6 for the fixed idents; 0: NUL-terminated
    int comment;           // offset of a fixed 40-character comment, kAfterIdent or kNone
    int altitude;          // offset, or kNone (D101 has the field but never fills it)
    bool altitudeIsFloat;  // else a signed 16-bit number
    int time;              // offset of the unsigned 32-bit time, or kNone
    int depth;             // offset of the float depth, or kNone
    // The shortest record that holds every field read at a fixed offset.
    int minimumSize;
    // The number of attribute fields.
    int columnCount;

    // What attribute field `field` (0 .. columnCount - 1) holds: waypoint
    // layouts have Ident, Longitude, Latitude, Comment, Altitude; track point
    // layouts Longitude, Latitude, Time, Altitude, Depth (as many as they have).
    PointColumn Column(int field) const;

    // The shortest record that holds the position.
    int PositionSize() const { return (latitude > longitude ? latitude : longitude) + 4; }
};

// The layout of a waypoint or track point type, or nullptr for one the
// transfers do not read (D110 and D153 among them).
const PointLayout* FindPointLayout(int dataType);

// The definition of an attribute field: "Ident" C 12 0, "Longitude" N 12 5, ...
struct ColumnField {
    const char* name;
    char type;
    int width;
    int decimals;
};
ColumnField FieldOfColumn(PointColumn column);

// The names of the attribute fields of a point layer of `dataType`, in order;
// none for a layout the transfers do not read.
std::vector<std::string> PointFieldNames(int dataType);

// The signed 32-bit semicircles at `bytes`, in degrees.
double SemicirclesToDegrees(const unsigned char* bytes);

// The text at `offset` of a record of `size` bytes: up to its NUL, at most
// `maxLength` characters, and never past the record's end. Empty when the
// offset lies at or beyond the end.
std::string RecordText(const unsigned char* record, int size, int offset, int maxLength);

// The text that follows the n-th NUL within the first `maximum` bytes of
// `bytes`: `bytes` itself when n < 1; nullptr when maximum < 1 or fewer than n
// NULs lie within the bound. The text found may run to the bound unterminated.
const char* NthStringAfter(int n, const unsigned char* bytes, int maximum);

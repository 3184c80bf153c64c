#pragma once
// The Garmin record layouts (D numbers) that the transfers read: where each
// field lies inside a packet's data, which attribute fields a point layer of
// that layout gets, and reads of those fields that never pass the end of the
// packet. Numbers inside a record are little-endian; positions are signed
// 32-bit semicircles (2^31 semicircles are 180 degrees); times are unsigned
// 32-bit seconds since 00:00:00 UTC on 31 December 1989.

#include <cstdint>
#include <string>
#include <vector>

// One attribute field of a point layer and the value it is filled with.
enum class PointColumn {
    kIdent,
    kLongitude,
    kLatitude,
    kComment,
    kAltitude,
    kTime,
    kDepth,
    kTemperature,
    kHeartRate,
};

// How a layout stores a number field.
enum class NumberKind { kNone, kFloat, kInt16, kUint8 };

struct PointLayout {
    static constexpr int kNone = -1;
    // Comment offset of D108-D110: the NUL-terminated text after the ident.
    static constexpr int kAfterIdent = -2;

    int type;  // 108 for D108
    int latitude;
    int longitude;
    int ident;        // offset, or kNone
    int identLength;  // 6 for the fixed idents; 0: NUL-terminated
    int comment;      // offset of a fixed 40-character comment, kAfterIdent or kNone
    int altitude;     // offset, or kNone (D101 has the field but never fills it)
    NumberKind altitudeKind;
    int time;         // offset of the time, or kNone
    int depth;        // float, or kNone
    int temperature;  // float, or kNone
    int heartRate;    // unsigned byte, 0 = none; or kNone
    int newTrack;     // byte, non-zero: first point of a track segment; or kNone
    // The shortest record that holds every field read at a fixed offset.
    int minimumSize;
    // The attribute fields, in table order.
    const PointColumn* columns;
    int columnCount;

    PointColumn Column(int field) const { return columns[field]; }
    // The field that holds `column`, or -1.
    int FieldOf(PointColumn column) const;
    // The shortest record that holds the position.
    int PositionSize() const { return (latitude > longitude ? latitude : longitude) + 4; }
};

// The layout of a waypoint or track point type, or nullptr for one the
// transfers do not read (D153 among them).
const PointLayout* FindPointLayout(int dataType);

// Route and track header layouts: how a header names its line.
struct HeaderLayout {
    enum Name { kNumbered, kFixedText, kNulText, kIndex };
    int type;
    Name name;
    int offset;       // of the text or index
    int textLength;   // kFixedText: its width
    int minimumSize;  // shortest record that holds the name
};
const HeaderLayout* FindHeaderLayout(int headerType);

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
// A position both of whose halves are 0x7FFFFFFF: the receiver had no fix.
bool IsNoPosition(const unsigned char* latitude, const unsigned char* longitude);
// Times that mean "no time": 0xFFFFFFFF, 0x7FFFFFFF and 0.
bool IsNoTime(std::uint32_t seconds);
// Floats of 1.0e25 (not exact in a float: anything from 1.0e24 up) mean "not available".
bool IsNotAvailable(float value);

// The signed 32-bit semicircles at `bytes`, in degrees.
double SemicirclesToDegrees(const unsigned char* bytes);

// The text at `offset` of a record of `size` bytes: up to its NUL, at most
// `maxLength` characters, and never past the record's end. Empty when the
// offset lies at or beyond the end. The bytes as the receiver sent them.
std::string RecordText(const unsigned char* record, int size, int offset, int maxLength);

// The text that follows the n-th NUL within the first `maximum` bytes of
// `bytes`: `bytes` itself when n < 1; nullptr when maximum < 1 or fewer than n
// NULs lie within the bound. The text found may run to the bound unterminated.
const char* NthStringAfter(int n, const unsigned char* bytes, int maximum);

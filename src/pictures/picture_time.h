#pragma once
// Time stamps of picture files. A picture is dated by the first camera date text
// ("2003:05:17 14:22:01") in the first 65,000 bytes of its file, searched as plain
// bytes so that every file type is treated alike; a file without one is dated by
// the creation time its file system records, in local time. Times carry no time
// zone: the camera's clock and the computer's local time are taken as they are.

#include <cstddef>
#include <cstdint>
#include <string>

// Distance recorded for a picture that no waypoint of its day came near.
constexpr int32_t kNoTimeDifference = 1000000;

// How much of a picture file is searched for a date text.
constexpr size_t kDateTextSearchBytes = 65000;

// One selected picture; `matchedWaypoint` and `timeDifference` are filled by the
// matching. A month outside 0..11 matches no waypoint: a record whose time could
// not be found at all carries month -1.
struct PictureRecord {
    std::string path;              // full path of the picture file as selected
    int32_t year = 0;              // calendar year, 2003
    int32_t month = -1;            // 0 = January .. 11 = December
    int32_t day = 0;               // day of the month, 1..31
    int32_t seconds = 0;           // since midnight: hour * 3600 + minute * 60 + second
    int32_t matchedWaypoint = -1;  // record number of the nearest waypoint, -1 when none
    int32_t timeDifference = kNoTimeDifference;  // seconds to that waypoint
};

// Searches bytes[0, count) for the first text "%d:%d:%d %d:%d:%d" (as scanf reads
// it) that begins at a byte '2', and sets the record's year, month (second number
// - 1), day and seconds from it. The numbers are taken as they stand, without a
// range check. False, record untouched, when there is none.
bool FindDateText(const char* bytes, size_t count, PictureRecord* record);

// Sets the record's date and time from the creation time of the file named by its
// path, in local time. When the file's status cannot be read the record is marked
// as having no time (year 0, month -1, day 0, seconds 0) and the result is false.
bool ReadCreationTime(PictureRecord* record);

// Dates the picture: the date text of its file, else its creation time. Nothing is
// reported to the user.
void ReadPictureTime(PictureRecord* record);

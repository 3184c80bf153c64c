#pragma once
// Reading a waypoint's time for the picture matching (PictureSet::MatchPictures)
// and ordering pictures by time.

#include <cstdint>

#include "pictures/picture_time.h"

// The time a waypoint was taken, as far as the matching uses it: the year of the
// text is not kept, and seconds are whole minutes since midnight.
struct WaypointTime {
    int32_t month = -1;  // 0..11
    int32_t day = 0;
    int64_t seconds = 0;
};

// Reads `text` as "%d-%[^-]-%d %d:%d" (day, month word, year, hour, minute), the
// form receivers write into a waypoint's comment ("17-MAY-03 14:22"). The month
// word must be one of JAN..DEC, in any case. False when the text gives no time.
bool ReadWaypointTime(const char* text, WaypointTime* time);

// Reads `text` as a receiver's UTC time stamp "MM/DD/YYYY  hh:mm:ss" (the
// "Time" field of newer waypoint layouts) and gives it in the computer's local
// time, which camera clocks keep. False for a blank or unreadable text.
bool ReadUtcTimeText(const char* text, WaypointTime* time);

// True when `a` was taken after `b`: compares year, month, day, seconds.
bool PictureIsLater(const PictureRecord& a, const PictureRecord& b);

#pragma once
// Times of GPX files and of the layers' "Time" fields. GPX gives UTC times in ISO
// 8601 ("2026-12-07T01:02:03Z"); the layers hold them as the track point time
// texts of the receiver imports, "MM/DD/YYYY  hh:mm:ss" in UTC. Inside, a time is
// a count of seconds since 1970-01-01 00:00:00 UTC.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

// A time that a file or a field did not give.
constexpr int64_t kNoGpxTime = std::numeric_limits<int64_t>::min();

// Seconds of an ISO 8601 date and time as GPX writes it (optional fraction,
// cut; optional zone "Z" or "+hh:mm"/"-hh:mm"; without a zone UTC is meant), or
// kNoGpxTime when the text is not one.
int64_t ParseGpxTime(const char* text, size_t length);

// "2026-12-07T01:02:03Z".
std::string FormatGpxTime(int64_t seconds);

// The "Time" field text of `seconds`: "12/07/2026  01:02:03".
std::string FormatLayerTime(int64_t seconds);

// Seconds of a "Time" field text ("12/07/2026  01:02:03", blanks around it
// allowed), or kNoGpxTime when it holds none.
int64_t ReadLayerTime(const char* text);

// The calendar date and time of day of `seconds`.
struct CivilTime {
    int64_t year;
    int month;  // 1..12
    int day;
    int hour;
    int minute;
    int second;
};
CivilTime ToCivilTime(int64_t seconds);
int64_t FromCivilTime(int64_t year, int month, int day, int hour, int minute, int second);

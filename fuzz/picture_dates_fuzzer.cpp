// The two time readers of the picture matching against the C library's scanf,
// which is what they must read like:
//   - the date scan of a picture file's first bytes: the first place that
//     begins with '2' and reads as "%d:%d:%d %d:%d:%d";
//   - a waypoint comment read as "%d-%[^-]-%d %d:%d" with a month word.
// The scan gets the input as an exact heap copy without a terminator, so any
// read past its end is reported; scanf gets a terminated copy. Numbers beyond
// 32 bits are held to the range rather than wrapped.

#include <strings.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness_support.h"
#include "pictures/picture_matching.h"
#include "pictures/picture_time.h"

namespace {

// What the readers make of a number scanf reads as long long: held to
// +-2147483647 rather than wrapped.
int64_t Held(long long value) {
    return value > INT32_MAX ? INT32_MAX : value < -INT32_MAX ? -INT32_MAX : value;
}

void CheckDateScan(const std::uint8_t* data, size_t size) {
    auto bytes = ExactCopy(data, size);
    PictureRecord record;
    const bool found = FindDateText(reinterpret_cast<const char*>(bytes.get()), size, &record);

    const std::string text(reinterpret_cast<const char*>(data), size);
    long long v[6] = {};
    bool expected = false;
    for (size_t i = 0; i < size && !expected; ++i)
        expected = text[i] == '2' && std::sscanf(text.c_str() + i, "%lld:%lld:%lld %lld:%lld:%lld",
                                                 &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 6;
    if (found != expected) FuzzFailure("the date scan and scanf disagree on a date text");
    if (!found) {
        if (record.month != -1 || record.year != 0) FuzzFailure("a failed scan changed the record");
        return;
    }
    const int64_t seconds = Held(Held(v[3]) * 3600 + Held(v[4]) * 60 + Held(v[5]));
    if (record.year != Held(v[0]) || record.month != Held(v[1]) - 1 || record.day != Held(v[2]) ||
        record.seconds != seconds)
        FuzzFailure("the date scan read another date or time than scanf");
}

int MonthNumber(const char* word) {
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int m = 0; m < 12; ++m)
        if (strcasecmp(word, kMonths[m]) == 0) return m;
    return -1;
}

void CheckWaypointTime(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    WaypointTime time;
    const bool read = ReadWaypointTime(text.c_str(), &time);

    long long day = 0, year = 0, hour = 0, minute = 0;
    std::vector<char> word(size + 1);
    const bool scanned = std::sscanf(text.c_str(), "%lld-%[^-]-%lld %lld:%lld", &day, word.data(),
                                     &year, &hour, &minute) == 5;
    const int month = scanned ? MonthNumber(word.data()) : -1;
    if (read != (scanned && month >= 0))
        FuzzFailure("the waypoint time reader and scanf disagree on a time");
    if (!read) return;
    if (time.month != month || time.day != Held(day) ||
        time.seconds != (Held(hour) * 60 + Held(minute)) * 60)
        FuzzFailure("the waypoint time reader read another time than scanf");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    CheckDateScan(data, size);
    CheckWaypointTime(data, size);
    return 0;
}

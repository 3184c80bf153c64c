#include "pictures/picture_matching.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "core/civil_time.h"
#include "layers/attribute_store.h"
#include "pictures/picture_set.h"
#include "pictures/text_scanner.h"

namespace {

// Month words compare ignoring case, and only the whole word: "MAYO" is no month.
int MonthOfWord(const std::string& word) {
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (word.size() != 3) return -1;
    for (int m = 0; m < 12; ++m) {
        bool same = true;
        for (int c = 0; c < 3 && same; ++c) {
            char letter = word[c];
            if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
            same = letter == kMonths[m][c];
        }
        if (same) return m;
    }
    return -1;
}

// The month, day and time of day a picture was taken, shifted by `offset`
// minutes across midnight, month and year ends as needed.
WaypointTime CorrectedTime(const PictureRecord& picture, int32_t offset) {
    WaypointTime time;
    time.month = picture.month;
    time.day = picture.day;
    time.seconds = picture.seconds;
    if (offset == 0 || picture.month < 0 || picture.month > 11) return time;
    int64_t seconds = DaysFromCivil(picture.year, picture.month + 1, picture.day) * 86400 +
                      int64_t{picture.seconds} + int64_t{offset} * 60;
    int64_t days = seconds / 86400;
    seconds -= days * 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    int64_t year;
    int month;
    CivilFromDays(days, &year, &month, &time.day);
    time.month = month - 1;
    time.seconds = seconds;
    return time;
}

}  // namespace

bool PictureSet::ReadCameraOffset(const std::string& text, int32_t* minutes) {
    size_t at = 0;
    int sign = 1;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) sign = text[at++] == '-' ? -1 : 1;
    int value[2] = {0, 0};
    for (int part = 0; part < 2; ++part) {
        if (part == 1 && (at >= text.size() || text[at++] != ':')) return false;
        for (int digit = 0; digit < 2; ++digit, ++at) {
            if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
            value[part] = value[part] * 10 + (text[at] - '0');
        }
    }
    if (at != text.size() || value[1] > 59) return false;
    *minutes = sign * (value[0] * 60 + value[1]);
    return true;
}

std::string PictureSet::CameraOffsetText(int32_t minutes) {
    const int32_t size = minutes < 0 ? -minutes : minutes;
    char text[32];
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+',
                  static_cast<int>(size / 60), static_cast<int>(size % 60));
    return text;
}

bool ReadWaypointTime(const char* text, WaypointTime* time) {
    TextScanner scan(text, text + std::strlen(text));
    int32_t day, year, hour, minute;
    std::string word;
    if (!scan.Integer(&day) || !scan.Literal('-') || !scan.Until('-', &word) ||
        !scan.Literal('-') || !scan.Integer(&year))
        return false;
    scan.Spaces();
    if (!scan.Integer(&hour) || !scan.Literal(':') || !scan.Integer(&minute)) return false;
    int month = MonthOfWord(word);
    if (month < 0) return false;
    time->month = month;
    time->day = day;
    time->seconds = (int64_t{hour} * 60 + minute) * 60;
    return true;
}

bool ReadUtcTimeText(const char* text, WaypointTime* time) {
    std::tm utc{};
    if (std::sscanf(text, "%d/%d/%d %d:%d:%d", &utc.tm_mon, &utc.tm_mday, &utc.tm_year,
                    &utc.tm_hour, &utc.tm_min, &utc.tm_sec) != 6)
        return false;
    utc.tm_mon -= 1;
    utc.tm_year -= 1900;
    std::tm local{};
#if defined(_WIN32)
    const time_t when = _mkgmtime(&utc);
    if (when == static_cast<time_t>(-1) || localtime_s(&local, &when) != 0) return false;
#else
    const time_t when = timegm(&utc);
    if (when == static_cast<time_t>(-1) || localtime_r(&when, &local) == nullptr) return false;
#endif
    time->month = local.tm_mon;
    time->day = local.tm_mday;
    time->seconds = (int64_t{local.tm_hour} * 60 + local.tm_min) * 60 + local.tm_sec;
    return true;
}

bool PictureIsLater(const PictureRecord& a, const PictureRecord& b) {
    if (a.year != b.year) return a.year > b.year;
    if (a.month != b.month) return a.month > b.month;
    if (a.day != b.day) return a.day > b.day;
    return a.seconds > b.seconds;
}

void PictureSet::SortPictures() {
    const int count = UsedPictureCount();
    for (int gap = count / 2; gap > 0; gap /= 2) {
        for (int i = gap; i < count; ++i) {
            for (int j = i - gap; j >= 0 && PictureIsLater(pictures[j], pictures[j + gap]);
                 j -= gap)
                std::swap(pictures[j], pictures[j + gap]);
        }
    }
}

int PictureSet::MatchPictures(AttributeStore& store, int table, int timeField, int utcTimeField) {
    if (firstPictureField < 0) return 0;
    if (table < 0 || table >= store.tableCount) return 0;
    const int waypointCount = std::max(store.RecordCount(table), 0);
    SortPictures();
    const int count = UsedPictureCount();
    // Only the fields AddPictureFields made are written, even if the count of
    // pictures per waypoint was changed since.
    const int fields = std::clamp(store.FieldCount(table) - firstPictureField, 0, UsedFieldCount());

    std::vector<WaypointTime> times(waypointCount);
    std::vector<bool> hasTime(waypointCount);
    char text[256];  // GetText writes at most 255 bytes and a terminator
    for (int k = 0; k < waypointCount; ++k) {
        store.GetText(table, k, timeField, text);
        hasTime[k] = ReadWaypointTime(text, &times[k]);
        if (!hasTime[k] && utcTimeField >= 0) {
            store.GetText(table, k, utcTimeField, text);
            hasTime[k] = ReadUtcTimeText(text, &times[k]);
        }
    }
    // The pictures' times as the camera clock's offset corrects them; a constant
    // shift keeps them in the sorted order.
    std::vector<WaypointTime> taken(count);
    for (int p = 0; p < count; ++p) taken[p] = CorrectedTime(pictures[p], cameraOffset);

    // Nearest waypoint of each picture; pictures stay in time order, so each
    // waypoint's list below is in time order too.
    std::vector<std::vector<int>> picturesOf(waypointCount);
    const int64_t window = int64_t{timeWindow} * 60;
    for (int p = 0; p < count; ++p) {
        PictureRecord& picture = pictures[p];
        const WaypointTime& when = taken[p];
        int64_t best = kNoTimeDifference;
        int nearest = -1;
        for (int k = 0; k < waypointCount; ++k) {
            if (!hasTime[k] || times[k].month != when.month || times[k].day != when.day)
                continue;
            int64_t distance = when.seconds - times[k].seconds;
            if (distance < 0) distance = -distance;
            if (distance < best) {
                best = distance;
                nearest = k;
            }
        }
        picture.matchedWaypoint = nearest;
        picture.timeDifference = static_cast<int32_t>(best);
        if (nearest >= 0 && best <= window) picturesOf[nearest].push_back(p);
    }

    int localField = -1;
    for (int f = 0; f < fields; ++f)
        if (fieldNames[f] == "Local") localField = f;

    for (int k = 0; k < waypointCount; ++k) {
        for (int f = 0; f < fields; ++f) store.SetText(table, k, firstPictureField + f, " ");
        const std::vector<int>& mine = picturesOf[k];
        if (mine.size() == 1 && localField >= 0) {
            store.SetText(table, k, firstPictureField + localField,
                          PathText(pictures[mine[0]]).c_str());
            continue;
        }
        for (size_t i = 0; i < mine.size() && i < static_cast<size_t>(fields); ++i)
            store.SetText(table, k, firstPictureField + static_cast<int>(i),
                          PathText(pictures[mine[i]]).c_str());
    }
    return 0;
}

#include "garmin/garmin_time.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct CalendarDate {
    long year;
    int month;
    int day;
};

// The Gregorian date of a Julian day number (the classic conversion through
// the Julian calendar's 365.25-day years and 30.6001-day months). There is no
// year 0: the year before 1 is -1.
CalendarDate JulianDayToDate(long julianDay) {
    const long alpha =
        static_cast<long>((static_cast<double>(julianDay - 1867216) - 0.25) / 36524.25);
    const long a = julianDay + 1 + alpha - static_cast<long>(0.25 * static_cast<double>(alpha));
    const long b = a + 1524;
    const long c = static_cast<long>(6680.0 + (static_cast<double>(b - 2439870) - 122.1) / 365.25);
    const long d = static_cast<long>(365 * c + 0.25 * static_cast<double>(c));
    const long e = static_cast<long>(static_cast<double>(b - d) / 30.6001);
    CalendarDate date;
    date.day = static_cast<int>(b - d - static_cast<long>(30.6001 * static_cast<double>(e)));
    date.month = static_cast<int>(e - 1);
    if (date.month > 12) date.month -= 12;
    date.year = c - 4715;
    if (date.month > 2) --date.year;
    if (date.year <= 0) --date.year;
    return date;
}

}  // namespace

std::string FormatGarminTime(long epochDay, int hours, std::uint32_t seconds) {
    const auto offset = static_cast<long long>(hours * -3600.0);
    const long long total = static_cast<long long>(seconds) - offset;
    const long long days = total / 86400;
    long long timeOfDay = std::llabs(total - days * 86400);
    const CalendarDate date = JulianDayToDate(epochDay + static_cast<long>(days));
    char text[64];
    std::snprintf(text, sizeof text, "%2.2d/%2.2d/%ld  %2.2d:%2.2d:%2.2d", date.month, date.day,
                  date.year, static_cast<int>(timeOfDay / 3600),
                  static_cast<int>(timeOfDay % 3600 / 60), static_cast<int>(timeOfDay % 60));
    return text;
}

#include "gpx/gpx_time.h"

#include <cstdio>

#include "core/civil_time.h"

namespace {

// Reads exactly `digits` decimal digits at text[*at].
bool Digits(const char* text, size_t length, size_t* at, int digits, int* value) {
    if (*at + digits > length) return false;
    *value = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[*at + i];
        if (c < '0' || c > '9') return false;
        *value = *value * 10 + (c - '0');
    }
    *at += digits;
    return true;
}

bool Literal(const char* text, size_t length, size_t* at, char c) {
    if (*at >= length || text[*at] != c) return false;
    ++*at;
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Largest year the times may carry: keeps every sum far from overflow.
constexpr int kMaxYear = 9999;

}  // namespace

int64_t FromCivilTime(int64_t year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

CivilTime ToCivilTime(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilTime time;
    CivilFromDays(days, &time.year, &time.month, &time.day);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest % 3600 / 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

int64_t ParseGpxTime(const char* text, size_t length) {
    size_t at = 0;
    while (at < length && IsBlank(text[at])) ++at;
    while (length > at && IsBlank(text[length - 1])) --length;
    int year, month, day, hour, minute, second;
    if (!Digits(text, length, &at, 4, &year) || !Literal(text, length, &at, '-') ||
        !Digits(text, length, &at, 2, &month) || !Literal(text, length, &at, '-') ||
        !Digits(text, length, &at, 2, &day) || !Literal(text, length, &at, 'T') ||
        !Digits(text, length, &at, 2, &hour) || !Literal(text, length, &at, ':') ||
        !Digits(text, length, &at, 2, &minute) || !Literal(text, length, &at, ':') ||
        !Digits(text, length, &at, 2, &second))
        return kNoGpxTime;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return kNoGpxTime;
    if (at < length && text[at] == '.') {
        ++at;
        const size_t first = at;
        while (at < length && text[at] >= '0' && text[at] <= '9') ++at;
        if (at == first) return kNoGpxTime;
    }
    int offset = 0;
    if (at < length && text[at] == 'Z') {
        ++at;
    } else if (at < length && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at++] == '-' ? -1 : 1;
        int hours, minutes;
        if (!Digits(text, length, &at, 2, &hours) || !Literal(text, length, &at, ':') ||
            !Digits(text, length, &at, 2, &minutes) || hours > 23 || minutes > 59)
            return kNoGpxTime;
        offset = sign * (hours * 3600 + minutes * 60);
    }
    if (at != length) return kNoGpxTime;
    return FromCivilTime(year, month, day, hour, minute, second) - offset;
}

std::string FormatGpxTime(int64_t seconds) {
    const CivilTime t = ToCivilTime(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(t.year), t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::string FormatLayerTime(int64_t seconds) {
    const CivilTime t = ToCivilTime(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%2.2d/%2.2d/%lld  %2.2d:%2.2d:%2.2d", t.month, t.day,
                  static_cast<long long>(t.year), t.hour, t.minute, t.second);
    return text;
}

int64_t ReadLayerTime(const char* text) {
    int month, day, hour, minute, second;
    long long year;
    char end;
    if (std::sscanf(text, " %d/%d/%lld %d:%d:%d %c", &month, &day, &year, &hour, &minute, &second,
                    &end) != 6)
        return kNoGpxTime;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < -kMaxYear || year > kMaxYear ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return kNoGpxTime;
    return FromCivilTime(year, month, day, hour, minute, second);
}

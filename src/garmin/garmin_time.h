#pragma once
// Garmin time stamps: unsigned 32-bit seconds since 00:00:00 UTC on
// 31 December 1989, the Julian day number 2447892.

#include <cstdint>
#include <string>

// The Julian day number of the receivers' epoch.
constexpr long kGarminEpochJulianDay = 2447892;

// "MM/DD/YYYY  hh:mm:ss" (two blanks between date and time) for `seconds` after
// the start of Julian day `epochDay`, shifted by `hours` from UTC (0 gives UTC).
// FormatGarminTime(kGarminEpochJulianDay, 0, 31626061) is "01/01/1991  01:01:01".
std::string FormatGarminTime(long epochDay, int hours, std::uint32_t seconds);

#pragma once
// Garmin record layouts (the D numbers), encoded from the dataset exactly as a
// receiver puts them into packet data: little-endian numbers, positions in
// semicircles, fixed character arrays padded with blanks, variable texts
// NUL-terminated.

#include <cstdint>
#include <vector>

#include "dataset.h"

int32_t ToSemicircles(double degrees);

// Each returns false for a layout this receiver cannot produce.
bool EncodeWaypoint(int type, const SimWaypoint& w, std::vector<uint8_t>& out);
bool EncodeRouteHeader(int type, const SimRoute& r, std::vector<uint8_t>& out);
bool EncodeRouteLink(int type, std::vector<uint8_t>& out);
// `index`: the track's place in the log (D311 headers carry it instead of a name).
bool EncodeTrackHeader(int type, const SimTrack& t, int index, std::vector<uint8_t>& out);
bool EncodeTrackPoint(int type, const SimTrackPoint& p, bool newTrack, std::vector<uint8_t>& out);

// The record layouts the encoders know, for the profile list.
bool IsKnownWaypointType(int type);

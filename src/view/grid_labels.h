#pragma once
// The texts written beside the grid lines of the map view, in UTF-8: the degree
// sign, an apostrophe for minutes and a double quote for seconds.

#include <array>
#include <string>

struct MeridianLabel {
    std::string bottom;  // degrees, minutes, seconds and E or W: "2°30'00\" E"
    std::string top;     // decimal degrees: "2.50000"
};

// Labels of the meridian at `longitude` (a grid value).
MeridianLabel MeridianLabelTexts(double longitude);

// The four lines written under the left end of the parallel at `latitude`:
// degrees, minutes, seconds, and N or S.
std::array<std::string, 4> ParallelLabelTexts(double latitude);

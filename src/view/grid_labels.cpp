#include "view/grid_labels.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "layers/geometry_store.h"

namespace {

// A grid value k * interval lies a rounding error either side of the exact
// degree, minute or second; moving it a millionth of a degree away from zero
// makes the truncated minutes and seconds come out whole.
double LabelValue(double gridValue) {
    return gridValue < 0 ? gridValue - 1e-6 : gridValue + 1e-6;
}

struct Split {
    int32_t degrees;
    int minutes;
    int seconds;
};

Split SplitLabelValue(double value) {
    Split split{};
    double minutes = 0.0;
    double seconds = 0.0;
    GeometryStore::SplitDegrees(value, split.degrees, minutes, seconds);
    split.minutes = static_cast<int>(minutes);
    split.seconds = static_cast<int>(seconds);
    return split;
}

}  // namespace

MeridianLabel MeridianLabelTexts(double longitude) {
    const double v = LabelValue(longitude);
    const Split s = SplitLabelValue(v);
    char text[96];
    MeridianLabel label;
    std::snprintf(text, sizeof text, v < 0 ? "%d\u00B0%.2d'%.2d\" W" : "%d\u00B0%.2d'%.2d\" E",
                  std::abs(s.degrees), s.minutes, s.seconds);
    label.bottom = text;
    std::snprintf(text, sizeof text, "%.5lf", v);
    label.top = text;
    return label;
}

std::array<std::string, 4> ParallelLabelTexts(double latitude) {
    const double v = LabelValue(latitude);
    const Split s = SplitLabelValue(v);
    char text[32];
    std::array<std::string, 4> lines;
    std::snprintf(text, sizeof text, "%d\u00B0", std::abs(s.degrees));
    lines[0] = text;
    std::snprintf(text, sizeof text, "%.2d'", s.minutes);
    lines[1] = text;
    std::snprintf(text, sizeof text, "%.2d\"", s.seconds);
    lines[2] = text;
    lines[3] = v < 0 ? "S" : "N";
    return lines;
}

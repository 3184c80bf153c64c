// GPX files as they come off a drive: any bytes through the streaming reader,
// with the choice of layers taken from the first byte, then the layers built
// from what was read. The reader's result must describe a consistent set of
// lines (every point and segment of a line inside the points read), and the
// layers built from it must be consistent stores.

#include <cmath>
#include <cstdint>

#include "gpx/gpx_import.h"
#include "harness_support.h"
#include "pictures/picture_set.h"

namespace {

void CheckLines(const std::vector<GpxLine>& lines, const std::vector<GpxTrackPoint>& points) {
    size_t next = 0;
    for (const GpxLine& line : lines) {
        if (line.first != next || line.first + line.count > points.size())
            FuzzFailure("a line's points are not the ones read after the line before");
        next = line.first + line.count;
        size_t previous = line.first;
        for (size_t start : line.segmentStarts) {
            if (start < previous || start >= line.first + line.count)
                FuzzFailure("a segment starts outside its line or before the segment before");
            previous = start + 1;
        }
        if (line.count > 0 && (line.segmentStarts.empty() || line.segmentStarts[0] != line.first))
            FuzzFailure("a line's first point begins no segment");
    }
    for (const GpxTrackPoint& p : points)
        if (!(std::fabs(p.latitude) <= 90.0 && std::fabs(p.longitude) <= 180.0))
            FuzzFailure("a point was kept without a valid position");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    QuietFeedback quiet;
    FuzzInput input(data, size);
    const std::uint8_t choices = input.Byte();
    GpxImportChoice choice;
    choice.waypoints = (choices & 1) == 0;
    choice.routes = (choices & 2) == 0;
    choice.trackLines = (choices & 4) == 0;
    choice.trackPoints = (choices & 8) != 0;

    auto bytes = ExactCopy(input.Rest(), input.Left());
    GpxImport import(choice);
    import.ReadBuffer(reinterpret_cast<const char*>(bytes.get()), input.Left(), "fuzz.gpx");
    const GpxData& read = import.Data();
    CheckLines(read.routes, read.routePoints);
    CheckLines(read.tracks, read.trackPoints);

    Stores& stores = NewDocument();
    import.BuildLayers(stores.geometry, stores.attributes,
                       (choices & 16) != 0 ? &SamplePictures() : nullptr);
    CheckStores(stores.geometry, stores.attributes);
    return 0;
}

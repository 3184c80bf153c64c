// Record decoding of the Garmin transfers with arbitrary bytes and sizes: every
// point layout through AddPoint (waypoints and track points), every header
// layout through NameLine and every point layout through AddLinePoint. Each
// record is an exact heap copy, so a read of one byte past its end is reported.
//
// Input: a byte choosing points or lines, the layouts, then records. A point
// record is a size byte and that many bytes; a line record is a byte whose low
// bit says header or point, then the same.

#include <cstdint>

#include "garmin/garmin_device.h"
#include "harness_support.h"
#include "pictures/picture_set.h"

namespace {

const int kPointTypes[] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
                           150, 151, 152, 153, 154, 155, 300, 301, 0,   -1};
const int kHeaderTypes[] = {200, 201, 202, 310, 210, 0, 312};

void DecodePoints(FuzzInput& in, GarminDevice& device, GeometryStore& geometry,
                  AttributeStore& attributes) {
    const int type = in.Choose(kPointTypes);
    PictureSet* pictures = (in.Byte() & 1) != 0 ? &SamplePictures() : nullptr;
    // A layout without a layer still has its records refused one by one.
    device.NewPointLayer(geometry, attributes, pictures, "Waypoints", "Garmin GPS Waypoints", type);
    while (!in.Empty()) {
        size_t size = 0;
        const std::uint8_t* bytes = in.Take(in.Byte(), &size);
        auto record = ExactCopy(bytes, size);
        const int point =
            device.AddPoint(geometry, attributes, type, record.get(), static_cast<int>(size));
        if (point >= 0 &&
            (device.LayerIndex() < 0 || point >= geometry.Layer(device.LayerIndex()).pointCount))
            FuzzFailure("AddPoint gave the index of no point");
    }
    if (device.LayerIndex() >= 0) geometry.ComputeExtent(device.LayerIndex());
    if (pictures != nullptr) pictures->MatchPictures(attributes, device.TableIndex(), 3);
}

void DecodeLines(FuzzInput& in, GarminDevice& device, GeometryStore& geometry,
                 AttributeStore& attributes) {
    const int headerType = in.Choose(kHeaderTypes);
    const int pointType = in.Choose(kPointTypes);
    device.NewLineLayer(geometry, attributes, "Routes", "Garmin GPS Routes", headerType);
    // As the transfers count them: each header starts the next line, and points
    // before any header make line 0.
    int lineNumber = -1;
    while (!in.Empty()) {
        const bool header = (in.Byte() & 1) != 0;
        size_t size = 0;
        const std::uint8_t* bytes = in.Take(in.Byte(), &size);
        auto record = ExactCopy(bytes, size);
        if (header) {
            ++lineNumber;
            device.NameLine(attributes, headerType, record.get(), static_cast<int>(size),
                            lineNumber);
        } else {
            if (lineNumber < 0) lineNumber = 0;
            device.AddLinePoint(geometry, pointType, record.get(), static_cast<int>(size),
                                lineNumber);
        }
    }
    if (device.LayerIndex() >= 0) geometry.ComputeExtent(device.LayerIndex());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    QuietFeedback quiet;
    FuzzInput in(data, size);
    GarminDevice device;
    Stores& document = NewDocument();
    GeometryStore& geometry = document.geometry;
    AttributeStore& attributes = document.attributes;
    if ((in.Byte() & 1) == 0)
        DecodePoints(in, device, geometry, attributes);
    else
        DecodeLines(in, device, geometry, attributes);
    CheckStores(geometry, attributes);
    return 0;
}

// Record decoding of the Garmin transfers with arbitrary bytes and sizes: every
// point layout through AddPoint (waypoints and track points), every header
// layout through NameLine and every point layout through AddLinePoint. Each
// record is an exact heap copy, so a read of one byte past its end is reported.
//
// Input: a byte choosing points or lines (low bit) and how many passes over the
// records (1 to 16, fewer for long inputs), the layouts, then the records. A point record is a size
// byte and that many bytes; a line record is a byte whose low bit says header
// or point, then the same. Each pass moves every position a little north, so
// that repeated passes make new points: layers and tables then grow past the
// 500 points and records they start with, as long downloads make them.

#include <cstdint>
#include <vector>

#include "core/byte_order.h"
#include "garmin/garmin_download.h"
#include "garmin/record_layouts.h"
#include "harness_support.h"
#include "pictures/picture_set.h"

namespace {

const int kPointTypes[] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 150,
                           151, 152, 153, 154, 155, 300, 301, 302, 303, 304, 0,   -1};
const int kHeaderTypes[] = {200, 201, 202, 310, 210, 0, 312, 311};
// Decodes one run makes at most: enough for 500 points and more, few enough
// that long inputs do not slow the fuzzing down to a crawl.
constexpr size_t kMaxDecodes = 1500;

struct Record {
    bool header;
    const std::uint8_t* bytes;
    size_t size;
};

// Passes over `records`, as many as asked but within kMaxDecodes (at least one).
int PassCount(int wanted, const std::vector<Record>& records) {
    size_t allowed = kMaxDecodes / (records.empty() ? 1 : records.size());
    if (allowed < 1) allowed = 1;
    return static_cast<size_t>(wanted) < allowed ? wanted : static_cast<int>(allowed);
}

std::vector<Record> ReadRecords(FuzzInput& in, bool withKinds) {
    std::vector<Record> records;
    while (!in.Empty()) {
        Record r;
        r.header = withKinds && (in.Byte() & 1) != 0;
        r.bytes = in.Take(in.Byte(), &r.size);
        records.push_back(r);
    }
    return records;
}

// The record of pass `pass`: its latitude `pass` thousand semicircles further
// north, where the layout has one and the record holds it.
std::unique_ptr<unsigned char[]> PassCopy(const Record& r, int pointType, int pass) {
    auto copy = ExactCopy(r.bytes, r.size);
    const PointLayout* layout = FindPointLayout(pointType);
    if (pass > 0 && layout != nullptr && r.size >= static_cast<size_t>(layout->latitude) + 4) {
        unsigned char* latitude = copy.get() + layout->latitude;
        PutLE32(latitude, GetLE32(latitude) + static_cast<std::uint32_t>(pass) * 1000u);
    }
    return copy;
}

void DecodePoints(FuzzInput& in, int passes, GarminDownload& device, GeometryStore& geometry,
                  AttributeStore& attributes) {
    const int type = in.Choose(kPointTypes);
    PictureSet* pictures = (in.Byte() & 1) != 0 ? &SamplePictures() : nullptr;
    // A layout without a layer still has its records refused one by one.
    device.NewPointLayer(pictures, "Waypoints", "Garmin GPS Waypoints", type);
    const std::vector<Record> records = ReadRecords(in, false);
    passes = PassCount(passes, records);
    for (int pass = 0; pass < passes; ++pass) {
        for (const Record& r : records) {
            auto record = PassCopy(r, type, pass);
            const int point = device.AddPoint(type, record.get(), static_cast<int>(r.size));
            if (point >= 0 &&
                (device.layer < 0 || point >= geometry.Layer(device.layer).pointCount))
                FuzzFailure("AddPoint gave the index of no point");
        }
    }
    if (device.layer >= 0) geometry.ComputeExtent(device.layer);
    if (pictures != nullptr) pictures->MatchPictures(attributes, device.table, 3);
}

void DecodeLines(FuzzInput& in, int passes, GarminDownload& device, GeometryStore& geometry) {
    const int headerType = in.Choose(kHeaderTypes);
    const int pointType = in.Choose(kPointTypes);
    device.NewLineLayer("Routes", "Garmin GPS Routes");
    const std::vector<Record> records = ReadRecords(in, true);
    passes = PassCount(passes, records);
    for (int pass = 0; pass < passes; ++pass) {
        for (const Record& r : records) {
            auto record = PassCopy(r, pointType, pass);
            const int size = static_cast<int>(r.size);
            if (r.header)
                device.NameLine(headerType, record.get(), size);
            else
                device.AddLinePoint(pointType, record.get(), size);
        }
    }
    if (device.layer >= 0) geometry.ComputeExtent(device.layer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    QuietFeedback quiet;
    FuzzInput in(data, size);
    Stores& document = NewDocument();
    GarminDownload device(GarminDownload::kRoutes, ProtocolTable(), document.geometry,
                          document.attributes);
    const std::uint8_t choice = in.Byte();
    const int passes = 1 + (choice >> 1) % 16;
    if ((choice & 1) == 0)
        DecodePoints(in, passes, device, document.geometry, document.attributes);
    else
        DecodeLines(in, passes, device, document.geometry);
    CheckStores(document.geometry, document.attributes);
    return 0;
}

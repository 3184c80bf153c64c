#include "harness_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pictures/picture_set.h"

std::unique_ptr<unsigned char[]> ExactCopy(const std::uint8_t* bytes, size_t size) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size]);
    if (size > 0) std::memcpy(copy.get(), bytes, size);
    return copy;
}

QuietFeedback::QuietFeedback() : show_(std::getenv("QUORVEX_FUZZ_SHOW") != nullptr), scope_(this) {}

void QuietFeedback::ShowMessage(const std::string& text) {
    if (show_) std::fprintf(stderr, "message: %s\n", text.c_str());
}

void QuietFeedback::ShowProgress(const std::string& text) {
    if (show_) std::fprintf(stderr, "progress: %s\n", text.c_str());
}

void FuzzFailure(const char* what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

Stores& NewDocument() {
    static Stores stores;
    stores.geometry.Clear();
    stores.attributes.Clear();
    return stores;
}

void CheckStores(const GeometryStore& geometry, const AttributeStore& attributes) {
    for (int l = 0; l < geometry.layerCount; ++l) {
        const GeometryLayer& layer = geometry.Layer(l);
        if (layer.deleted) continue;
        if (layer.pointCount < 0 || layer.pointCount > layer.pointCapacity)
            FuzzFailure("point count outside the layer's capacity");
        if (layer.vertexCount < 0 || layer.vertexCount > layer.vertexCapacity)
            FuzzFailure("edge count outside the layer's capacity");
        for (int v = 0; v < layer.vertexCount; ++v) {
            const SegmentVertex& edge = layer.vertices[v];
            if (edge.fromPoint < 0 || edge.fromPoint >= layer.pointCount || edge.toPoint < 0 ||
                edge.toPoint >= layer.pointCount)
                FuzzFailure("an edge joins a point the layer does not hold");
            if (edge.segment < 0) FuzzFailure("an edge of no line");
        }
    }
    for (int t = 0; t < attributes.tableCount; ++t) {
        const AttributeTable& table = attributes.Table(t);
        if (table.deleted || table.fieldCount == 0) continue;
        const int records = attributes.RecordCount(t);
        if (records < 0 || records > table.recordCapacity)
            FuzzFailure("record count outside the table's capacity");
        if (static_cast<int64_t>(records) * table.RecordLength() > table.bufferSize)
            FuzzFailure("records beyond the table's buffer");
    }
}

PictureSet& SamplePictures() {
    static PictureSet set;
    // The dialog's defaults, as a new set holds them.
    set.relativePath = false;
    set.minimumFieldWidth = 15;
    set.timeWindow = 5;
    const char* const kNames[PictureSet::kMaxPictureFields] = {"North", "East",  "South",
                                                               "West",  "Local", ""};
    for (int i = 0; i < PictureSet::kMaxPictureFields; ++i) set.fieldNames[i] = kNames[i];
    set.picturesPerWaypoint = 4;
    set.fieldWidth = 0;
    set.firstPictureField = -1;
    set.pictureCount = 0;
    set.picturesDirectory = "/trip/";
    const struct {
        const char* path;
        int seconds;
    } kTaken[] = {
        {"/trip/IMG_0001.JPG", 14 * 3600 + 22 * 60 + 1},
        {"/trip/IMG_0002.JPG", 14 * 3600 + 24 * 60},
        {"/trip/IMG_0003.JPG", 9 * 3600},
    };
    for (const auto& taken : kTaken) {
        PictureRecord& picture = set.pictures[set.pictureCount++];
        picture = PictureRecord();
        picture.path = taken.path;
        picture.year = 2003;
        picture.month = 4;
        picture.day = 17;
        picture.seconds = taken.seconds;
    }
    set.longestPathLength = 18;
    set.longestNameLength = 8;
    set.longestFileNameLength = 12;
    set.ComputeFieldWidth();
    return set;
}

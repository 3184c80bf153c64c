#include "shapefile/shapefile_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/byte_order.h"
#include "shapefile/binary_file.h"

namespace {

constexpr int kFileCode = 9994;
constexpr int kVersion = 1000;
constexpr int kHeaderWords = 50;
constexpr int kPoint = 1, kPolyLine = 3, kPolygon = 5, kMultiPoint = 8;

// The coordinate system of every layer, in the ESRI form GIS programs read from a
// .PRJ: one line, no line end.
const char kWgs84[] =
    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
    "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

// The Z variant of a shape type is 10 above the 2-D one and the M variant 20
// above; Z wins when a layer has both flags (its records carry M as well).
int ShapeType(int base, bool hasM, bool hasZ) {
    return hasZ ? base + 10 : hasM ? base + 20 : base;
}

// Bytes that the Z and M blocks add to a multipoint, line or polygon record of n
// points: a range (two doubles) and one double per point for each.
int64_t ZmBytes(int64_t n, bool hasM, bool hasZ) {
    return (hasZ ? 16 + 8 * n : 0) + (hasM ? 16 + 8 * n : 0);
}

struct Range {
    double low = 0.0;
    double high = 0.0;
    void Start(double v) { low = high = v; }
    void Take(double v) {
        if (v < low) low = v;
        if (v > high) high = v;
    }
};

struct Box {
    Range x, y, z, m;
    void Start(const LayerPoint& p) {
        x.Start(p.x);
        y.Start(p.y);
        z.Start(p.z);
        m.Start(p.m);
    }
    // z and m only when the record carries them (`zm`); they stay as started.
    void Take(const LayerPoint& p, bool zm = true) {
        x.Take(p.x);
        y.Take(p.y);
        if (!zm) return;
        z.Take(p.z);
        m.Take(p.m);
    }
};

void PutBox(BinaryFile& file, const Box& box) {
    file.PutDouble(box.x.low);
    file.PutDouble(box.y.low);
    file.PutDouble(box.x.high);
    file.PutDouble(box.y.high);
}

// Writes `count` items of `itemBytes` bytes each, value(i, out) filling the
// bytes of item i, in blocks claimed from the file's buffer.
template <typename Values>
void PutItems(BinaryFile& file, int count, int itemBytes, Values value) {
    const int perBlock = static_cast<int>(BinaryFile::kMaxClaim / itemBytes);
    for (int done = 0; done < count;) {
        int n = std::min(perBlock, count - done);
        unsigned char* p = file.Claim(static_cast<size_t>(n) * itemBytes);
        for (int i = done; i < done + n; ++i, p += itemBytes) value(i, p);
        done += n;
    }
}

void PutRange(BinaryFile& file, const Range& range) {
    file.PutDouble(range.low);
    file.PutDouble(range.high);
}

}  // namespace

ShapefileWriter::ShapefileWriter() : header_{}, recordHeader_{}, indexEntry_{} {
    // Room for a typical track from the start; longer records grow these.
    pointList_.reserve(10000);
    partStarts_.reserve(64);
}

ShapefileWriter::~ShapefileWriter() = default;

void ShapefileWriter::ReverseBytes(void* bytes, int n) {
    unsigned char* b = static_cast<unsigned char*>(bytes);
    for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(b[i], b[j]);
}

// A big-endian 32-bit field: the little-endian value with its bytes reversed.
static void PutBigEndian(unsigned char* p, int32_t v) {
    PutLE32(p, static_cast<uint32_t>(v));
    ShapefileWriter::ReverseBytes(p, 4);
}

std::string ShapefileWriter::ShpPath(const std::string& directory, const GeometryLayer& layer) {
    return directory + layer.fileName + ".SHP";
}

std::string ShapefileWriter::ShxPath(const std::string& directory, const GeometryLayer& layer) {
    return directory + layer.fileName + ".SHX";
}

std::string ShapefileWriter::PrjPath(const std::string& directory, const GeometryLayer& layer) {
    return directory + layer.fileName + ".PRJ";
}

void ShapefileWriter::SetFailure(Failure failure, const std::string& file, int error) {
    failure_ = failure;
    failedFile_ = file;
    failedError_ = error;
}

bool ShapefileWriter::WriteLayer(const std::string& directory, const GeometryLayer& layer,
                                 int recordCount) {
    if (layer.polygonEdges) return WritePolygonFile(directory, layer);
    if (layer.vertices) return WriteLineFile(directory, layer, recordCount);
    if (layer.multiPoint) return WriteMultiPointFile(directory, layer);
    if (layer.points) return WritePointFile(directory, layer);
    SetFailure(Failure::kNothingToWrite);
    return false;
}

void ShapefileWriter::BuildHeader(const GeometryLayer& layer, int shapeType,
                                  int64_t lengthInWords, int recordCount) {
    std::memset(header_, 0, sizeof header_);
    PutBigEndian(header_, kFileCode);
    PutBigEndian(header_ + 24, static_cast<int32_t>(lengthInWords));
    PutLE32(header_ + 28, kVersion);
    PutLE32(header_ + 32, static_cast<uint32_t>(shapeType));
    // The box of a point file is the layer's extent as last computed, not
    // recomputed here. A line or polygon file takes the box of its shapes: a
    // point that only a Null shape refers to lies in no shape, and a file of Null
    // shapes alone has a box of zeros.
    const bool poly = shapeType % 10 == kPolyLine || shapeType % 10 == kPolygon;
    double box[4] = {layer.xMin, layer.yMin, layer.xMax, layer.yMax};
    if (poly && anyShape_)
        std::memcpy(box, shapesBox_, sizeof box);
    else if (poly && recordCount > 0)
        std::memset(box, 0, sizeof box);
    for (int i = 0; i < 4; ++i) PutLEDouble(header_ + 36 + 8 * i, box[i]);

    Box all;
    if ((layer.hasZ || layer.hasM) && layer.points && layer.pointCount > 0) {
        all.Start(layer.points[0]);
        for (int i = 1; i < layer.pointCount; ++i) all.Take(layer.points[i]);
    }
    if (!layer.hasM) all.m = Range();
    if (!layer.hasZ) all.z = Range();
    PutLEDouble(header_ + 68, all.z.low);
    PutLEDouble(header_ + 76, all.z.high);
    PutLEDouble(header_ + 84, all.m.low);
    PutLEDouble(header_ + 92, all.m.high);
}

template <typename RecordWriter>
bool ShapefileWriter::WriteFileSet(const std::string& directory, const GeometryLayer& layer,
                                   int shapeType, int sourceCount, RecordWriter writeRecord) {
    layerPointCount_ = layer.points ? layer.pointCount : 0;
    layerVertexCount_ = layer.vertices ? layer.vertexCount : 0;
    anyShape_ = false;

    BinaryFile shp, shx;
    if (!shp.Create(ShpPath(directory, layer))) {
        SetFailure(Failure::kFileError, shp.Path(), shp.Error());
        return false;
    }
    if (!shx.Create(ShxPath(directory, layer))) {
        SetFailure(Failure::kFileError, shx.Path(), shx.Error());
        shp.CloseAndRemove();
        return false;
    }
    auto giveUp = [&]() {
        shp.CloseAndRemove();
        shx.CloseAndRemove();
        return false;
    };

    // Placeholders; the real headers follow when the length is known.
    std::memset(header_, 0, sizeof header_);
    shp.Put(header_, sizeof header_);
    shx.Put(header_, sizeof header_);

    int64_t offset = kHeaderWords;
    int32_t recordNumber = 0;
    int sourceIndex = 0;
    while (sourceIndex < sourceCount && !shp.Failed() && !shx.Failed()) {
        ++recordNumber;
        int size = writeRecord(shp, recordNumber, sourceIndex);
        if (size == 0) {
            if (failedFile_.empty()) failedFile_ = shp.Path();
            return giveUp();
        }
        // Sized before writing; kept as a guard for the 32-bit fields.
        if ((offset + size) * 2 > kMaxFileBytes) {
            SetFailure(Failure::kFileError, shp.Path(), EFBIG);
            return giveUp();
        }
        PutBigEndian(indexEntry_, static_cast<int32_t>(offset));
        PutBigEndian(indexEntry_ + 4, size - 4);
        shx.Put(indexEntry_, sizeof indexEntry_);
        offset += size;
    }

    BuildHeader(layer, shapeType, offset, recordNumber);
    shp.Rewind();
    shp.Put(header_, sizeof header_);
    PutBigEndian(header_ + 24, kHeaderWords + 4 * recordNumber);
    shx.Rewind();
    shx.Put(header_, sizeof header_);
    bool shpClosed = shp.Close();
    bool shxClosed = shx.Close();
    if (!shpClosed || !shxClosed) {
        const BinaryFile& failed = shpClosed ? shx : shp;
        SetFailure(Failure::kFileError, failed.Path(), failed.Error());
        return giveUp();
    }
    // Every layer holds decimal degrees of WGS 84; the .PRJ says so, so that a GIS
    // places the layer without asking.
    int prjError = BinaryFile::WriteWholeFile(PrjPath(directory, layer), kWgs84);
    if (prjError != 0) {
        SetFailure(Failure::kFileError, PrjPath(directory, layer), prjError);
        return giveUp();
    }
    return true;
}

bool ShapefileWriter::FitsTheFormat(const std::string& directory, const GeometryLayer& layer,
                                    int64_t bytes) {
    SetFailure(Failure::kNone);
    if (bytes <= kMaxFileBytes) return true;
    SetFailure(Failure::kTooLarge, ShpPath(directory, layer), EFBIG);
    return false;
}

void ShapefileWriter::PutRecordHeader(BinaryFile& main, int recordNumber, int contentBytes) {
    PutBigEndian(recordHeader_, recordNumber);
    PutBigEndian(recordHeader_ + 4, contentBytes / 2);
    main.Put(recordHeader_, sizeof recordHeader_);
}

bool ShapefileWriter::WritePointFile(const std::string& directory, const GeometryLayer& layer) {
    int count = layer.points ? layer.pointCount : 0;
    int64_t recordBytes = 8 + (layer.hasZ ? 36 : layer.hasM ? 28 : 20);
    if (!FitsTheFormat(directory, layer, kHeaderWords * 2 + count * recordBytes)) return false;
    return WriteFileSet(directory, layer, ShapeType(kPoint, layer.hasM, layer.hasZ), count,
                        [&](BinaryFile& shp, int number, int& index) {
                            return WritePointRecord(shp, number, layer.points.get(), index,
                                                    layer.hasM, layer.hasZ);
                        });
}

bool ShapefileWriter::WriteMultiPointFile(const std::string& directory,
                                          const GeometryLayer& layer) {
    int count = layer.points ? layer.pointCount : 0;
    int64_t bytes = kHeaderWords * 2;
    for (int i = 0, end = 0; i < count; i = end) {
        end = i + 1;
        while (end < count && layer.points[end].id == layer.points[i].id) ++end;
        bytes += 8 + 40 + 16 * int64_t{end - i} + ZmBytes(end - i, layer.hasM, layer.hasZ);
    }
    if (!FitsTheFormat(directory, layer, bytes)) return false;
    return WriteFileSet(directory, layer, ShapeType(kMultiPoint, layer.hasM, layer.hasZ), count,
                        [&](BinaryFile& shp, int number, int& index) {
                            return WriteMultiPointRecord(shp, number, layer.points.get(), index,
                                                         count, layer.hasM, layer.hasZ);
                        });
}

bool ShapefileWriter::WriteLineFile(const std::string& directory, const GeometryLayer& layer,
                                    int recordCount) {
    const int count = layer.vertices ? layer.vertexCount : 0;
    const SegmentVertex* edges = layer.vertices.get();
    const int type = ShapeType(kPolyLine, layer.hasM, layer.hasZ);

    // One shape per table record when every edge names its record.
    int32_t highest = 0;
    bool numbered = recordCount >= 0, inOrder = true;
    for (int i = 0; i < count && numbered; ++i) {
        numbered = edges[i].segment >= 1;
        if (edges[i].segment < highest) inOrder = false;
        highest = std::max(highest, edges[i].segment);
    }
    // A segment number far beyond the table would only make Null shapes.
    if (numbered && highest > static_cast<int64_t>(recordCount) + count) numbered = false;

    if (!numbered) {
        auto runAt = [&](int i, int32_t& key) {
            key = edges[i].segment;
            return &edges[i];
        };
        if (!FitsTheFormat(directory, layer,
                           LineFileBytes(count, runAt, -1, layer.hasM, layer.hasZ)))
            return false;
        return WriteFileSet(directory, layer, type, count,
                            [&](BinaryFile& shp, int number, int& index) {
                                return WriteLineRecord(shp, number, layer.points.get(), edges,
                                                       index, count, layer.hasM, layer.hasZ);
                            });
    }

    if (!inOrder) {
        edgeOrder_.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) edgeOrder_[i] = i;
        std::stable_sort(edgeOrder_.begin(), edgeOrder_.end(),
                         [&](int32_t a, int32_t b) { return edges[a].segment < edges[b].segment; });
    }
    auto edgeAt = [&](int i, int32_t& key) {
        const SegmentVertex* e = &edges[inOrder ? i : edgeOrder_[i]];
        key = e->segment;
        return e;
    };
    const int records = std::max<int>(recordCount, highest);
    if (!FitsTheFormat(directory, layer,
                       LineFileBytes(count, edgeAt, records, layer.hasM, layer.hasZ)))
        return false;

    int next = 0;  // the first edge not yet written
    return WriteFileSet(directory, layer, type, records,
                        [&](BinaryFile& shp, int number, int& index) {
                            ++index;
                            int32_t key = 0;
                            if (next < count) edgeAt(next, key);
                            if (next >= count || key != number) return WriteNullRecord(shp, number);
                            int used = CollectLine(next, count, edgeAt);
                            if (used == 0) return 0;
                            next += used;
                            return WritePolyRecord(shp, number, layer.points.get(), type,
                                                   layer.hasM, layer.hasZ);
                        });
}

bool ShapefileWriter::WritePolygonFile(const std::string& directory, const GeometryLayer& layer) {
    int count = layer.polygonEdges ? layer.polygonCount : 0;
    auto refAt = [&](int i, int32_t& key) -> const SegmentVertex* {
        key = layer.polygonEdges[i].polygon;
        int32_t edge = layer.polygonEdges[i].edge;
        return edge >= 0 && edge < layerVertexCount_ ? &layer.vertices[edge] : nullptr;
    };
    layerVertexCount_ = layer.vertices ? layer.vertexCount : 0;
    if (!FitsTheFormat(directory, layer, LineFileBytes(count, refAt, -1, layer.hasM, layer.hasZ)))
        return false;
    return WriteFileSet(directory, layer, ShapeType(kPolygon, layer.hasM, layer.hasZ), count,
                        [&](BinaryFile& shp, int number, int& index) {
                            return WritePolygonRecord(
                                shp, number, layer.points.get(), layer.vertices.get(),
                                layer.polygonEdges.get(), index, count, layer.hasM, layer.hasZ);
                        });
}

int ShapefileWriter::WritePointRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                                      int& pointIndex, bool hasM, bool hasZ) {
    int content = hasZ ? 36 : hasM ? 28 : 20;
    const LayerPoint& p = points[pointIndex];
    // The whole record is built in place: a million-point layer is mostly this.
    unsigned char* r = main.Claim(8 + static_cast<size_t>(content));
    PutBigEndian(r, recordNumber);
    PutBigEndian(r + 4, content / 2);
    PutLE32(r + 8, static_cast<uint32_t>(ShapeType(kPoint, hasM, hasZ)));
    PutLEDouble(r + 12, p.x);
    PutLEDouble(r + 20, p.y);
    if (hasZ) {
        PutLEDouble(r + 28, p.z);
        PutLEDouble(r + 36, p.m);
    } else if (hasM) {
        PutLEDouble(r + 28, p.m);
    }
    ++pointIndex;
    return content / 2 + 4;
}

int ShapefileWriter::WriteMultiPointRecord(BinaryFile& main, int recordNumber,
                                           const LayerPoint* points, int& pointIndex,
                                           int pointCount, bool hasM, bool hasZ) {
    // One record takes the run of consecutive points that share an id.
    int first = pointIndex;
    int end = first + 1;
    while (end < pointCount && points[end].id == points[first].id) ++end;
    int64_t n = end - first;
    int64_t content = 40 + 16 * n + ZmBytes(n, hasM, hasZ);
    if (content / 2 + 4 > INT32_MAX) {
        SetFailure(Failure::kFileError, main.Path(), EFBIG);
        return 0;
    }

    Box box;
    box.Start(points[first]);
    for (int i = first + 1; i < end; ++i) box.Take(points[i], hasZ || hasM);

    PutRecordHeader(main, recordNumber, static_cast<int>(content));
    main.PutLE32(ShapeType(kMultiPoint, hasM, hasZ));
    PutBox(main, box);
    main.PutLE32(static_cast<int32_t>(n));
    const LayerPoint* run = points + first;
    int count = end - first;
    PutItems(main, count, 16, [&](int i, unsigned char* out) {
        PutLEDouble(out, run[i].x);
        PutLEDouble(out + 8, run[i].y);
    });
    if (hasZ) {
        PutRange(main, box.z);
        PutItems(main, count, 8, [&](int i, unsigned char* out) { PutLEDouble(out, run[i].z); });
    }
    if (hasM) {
        PutRange(main, box.m);
        PutItems(main, count, 8, [&](int i, unsigned char* out) { PutLEDouble(out, run[i].m); });
    }
    pointIndex = end;
    return static_cast<int>(content / 2 + 4);
}

template <typename EdgeAt>
int ShapefileWriter::CollectLine(int sourceIndex, int sourceCount, EdgeAt edgeAt) {
    auto validPoint = [&](int32_t p) { return p >= 0 && p < layerPointCount_; };
    int32_t key = 0;
    const SegmentVertex* e = edgeAt(sourceIndex, key);
    if (!e || !validPoint(e->fromPoint) || !validPoint(e->toPoint)) {
        SetFailure(Failure::kBadGeometry);
        return 0;
    }
    pointList_.clear();
    partStarts_.clear();
    partStarts_.push_back(0);
    pointList_.push_back(e->fromPoint);
    pointList_.push_back(e->toPoint);
    int used = 1;
    for (int i = sourceIndex + 1; i < sourceCount; ++i) {
        int32_t nextKey = 0;
        const SegmentVertex* next = edgeAt(i, nextKey);
        if (nextKey != key) break;
        if (!next || !validPoint(next->fromPoint) || !validPoint(next->toPoint)) {
            SetFailure(Failure::kBadGeometry);
            return 0;
        }
        ++used;
        if (next->fromPoint != pointList_.back()) {
            // The edge does not join: a new part.
            partStarts_.push_back(static_cast<int32_t>(pointList_.size()));
            pointList_.push_back(next->fromPoint);
        }
        pointList_.push_back(next->toPoint);
    }
    return used;
}

// The size of a line or polygon .SHP: one shape per run of equal keys, plus Null
// shapes up to `records` when that is given (-1: the runs are the records). Walks
// the edges only when a quick upper bound (two points and a part per edge) does
// not already fit the format.
template <typename EdgeAt>
int64_t ShapefileWriter::LineFileBytes(int sourceCount, EdgeAt edgeAt, int records, bool hasM,
                                       bool hasZ) {
    const int64_t shapeBytes = 8 + 44 + ZmBytes(0, hasM, hasZ);  // a shape of no points
    const int64_t pointBytes = ZmBytes(1, hasM, hasZ) - ZmBytes(0, hasM, hasZ) + 16;
    const int64_t headerBytes = kHeaderWords * 2;
    int64_t bound = headerBytes + std::max<int64_t>(records, sourceCount) * shapeBytes +
                    int64_t{sourceCount} * (4 + 2 * pointBytes);
    if (bound <= kMaxFileBytes) return bound;

    int64_t bytes = headerBytes, runs = 0, parts = 0, points = 0;
    int32_t key = 0, runKey = 0, lastPoint = -1;
    for (int i = 0; i < sourceCount; ++i) {
        const SegmentVertex* e = edgeAt(i, key);
        if (i == 0 || key != runKey) {
            ++runs;
            runKey = key;
            lastPoint = -1;
        }
        if (!e) continue;  // refused when written
        if (e->fromPoint != lastPoint) {
            ++parts;
            ++points;
        }
        ++points;
        lastPoint = e->toPoint;
    }
    bytes += runs * shapeBytes + parts * 4 + points * pointBytes;
    if (records > runs) bytes += (records - runs) * 12;
    return bytes;
}

int ShapefileWriter::WriteNullRecord(BinaryFile& main, int recordNumber) {
    unsigned char* r = main.Claim(12);
    PutBigEndian(r, recordNumber);
    PutBigEndian(r + 4, 2);
    PutLE32(r + 8, 0);
    return 6;
}

int ShapefileWriter::WritePolyRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                                     int shapeType, bool hasM, bool hasZ) {
    const int64_t pointTotal = static_cast<int64_t>(pointList_.size());
    const int64_t partTotal = static_cast<int64_t>(partStarts_.size());
    const int64_t content = 44 + 4 * partTotal + 16 * pointTotal + ZmBytes(pointTotal, hasM, hasZ);
    if (content / 2 + 4 > kMaxFileBytes / 2) {
        SetFailure(Failure::kTooLarge, main.Path(), EFBIG);
        return 0;
    }

    // One pass over the points puts X and Y in file order and takes the box, which
    // the record holds before them and is filled in behind. A record that fits
    // one claim of the file's buffer is built there in place; a larger one gathers
    // its X and Y in a buffer of its own that goes to the file in one write.
    const bool inPlace = 8 + content <= static_cast<int64_t>(BinaryFile::kMaxClaim);
    unsigned char head[8 + 44];
    unsigned char* r = inPlace ? main.Claim(static_cast<size_t>(8 + content)) : head;
    unsigned char* xy = r + 52 + 4 * partTotal;
    if (!inPlace) {
        coordinates_.resize(static_cast<size_t>(16 * pointTotal));
        xy = coordinates_.data();
    }
    const int32_t* list = pointList_.data();
    Box box;
    box.Start(points[list[0]]);
    for (int64_t i = 0; i < pointTotal; ++i) {
        const LayerPoint& p = points[list[i]];
        box.Take(p, hasZ || hasM);
        PutLEDouble(xy + 16 * i, p.x);
        PutLEDouble(xy + 16 * i + 8, p.y);
    }
    if (!anyShape_) {
        shapesBox_[0] = box.x.low, shapesBox_[1] = box.y.low;
        shapesBox_[2] = box.x.high, shapesBox_[3] = box.y.high;
        anyShape_ = true;
    } else {
        shapesBox_[0] = std::min(shapesBox_[0], box.x.low);
        shapesBox_[1] = std::min(shapesBox_[1], box.y.low);
        shapesBox_[2] = std::max(shapesBox_[2], box.x.high);
        shapesBox_[3] = std::max(shapesBox_[3], box.y.high);
    }

    PutBigEndian(r, recordNumber);
    PutBigEndian(r + 4, static_cast<int32_t>(content / 2));
    PutLE32(r + 8, static_cast<uint32_t>(shapeType));
    PutLEDouble(r + 12, box.x.low);
    PutLEDouble(r + 20, box.y.low);
    PutLEDouble(r + 28, box.x.high);
    PutLEDouble(r + 36, box.y.high);
    PutLE32(r + 44, static_cast<uint32_t>(partTotal));
    PutLE32(r + 48, static_cast<uint32_t>(pointTotal));
    const int32_t* starts = partStarts_.data();
    if (inPlace) {
        for (int64_t i = 0; i < partTotal; ++i) PutLE32(r + 52 + 4 * i, starts[i]);
    } else {
        main.Put(head, sizeof head);
        PutItems(main, static_cast<int>(partTotal), 4, [&](int i, unsigned char* out) {
            PutLE32(out, static_cast<uint32_t>(starts[i]));
        });
        main.Put(coordinates_.data(), coordinates_.size());
    }
    unsigned char* out = xy + 16 * pointTotal;  // in place: where Z and M go
    auto putMeasure = [&](const Range& range, double LayerPoint::*value) {
        auto measure = [&](int i, unsigned char* at) { PutLEDouble(at, points[list[i]].*value); };
        if (!inPlace) {
            PutRange(main, range);
            PutItems(main, static_cast<int>(pointTotal), 8, measure);
            return;
        }
        PutLEDouble(out, range.low);
        PutLEDouble(out + 8, range.high);
        out += 16;
        for (int i = 0; i < pointTotal; ++i, out += 8) measure(i, out);
    };
    if (hasZ) putMeasure(box.z, &LayerPoint::z);
    if (hasM) putMeasure(box.m, &LayerPoint::m);
    return static_cast<int>(content / 2 + 4);
}

int ShapefileWriter::WriteLineRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                                     const SegmentVertex* edges, int& edgeIndex, int edgeCount,
                                     bool hasM, bool hasZ) {
    int used = CollectLine(edgeIndex, edgeCount, [&](int i, int32_t& key) {
        key = edges[i].segment;
        return &edges[i];
    });
    if (used == 0) return 0;
    edgeIndex += used;
    return WritePolyRecord(main, recordNumber, points, ShapeType(kPolyLine, hasM, hasZ), hasM,
                           hasZ);
}

int ShapefileWriter::WritePolygonRecord(BinaryFile& main, int recordNumber,
                                        const LayerPoint* points, const SegmentVertex* edges,
                                        const PolygonEdgeRef* polygons, int& polygonIndex,
                                        int polygonCount, bool hasM, bool hasZ) {
    int used = CollectLine(polygonIndex, polygonCount,
                           [&](int i, int32_t& key) -> const SegmentVertex* {
                               key = polygons[i].polygon;
                               int32_t edge = polygons[i].edge;
                               return edge >= 0 && edge < layerVertexCount_ ? &edges[edge]
                                                                            : nullptr;
                           });
    if (used == 0) return 0;
    polygonIndex += used;
    // The rings are written as the edges give them: not closed, not reoriented.
    return WritePolyRecord(main, recordNumber, points, ShapeType(kPolygon, hasM, hasZ), hasM,
                           hasZ);
}

#include "shapefile/shapefile_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/byte_order.h"
#include "core/user_feedback.h"
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

// Writes `values` doubles per item for `count` items, value(i, out) filling the
// doubles of item i, in blocks claimed from the file's buffer.
template <typename Values>
void PutDoubles(BinaryFile& file, int count, int values, Values value) {
    const int perBlock = static_cast<int>(BinaryFile::kMaxClaim / (8 * values));
    for (int done = 0; done < count;) {
        int n = std::min(perBlock, count - done);
        unsigned char* p = file.Claim(static_cast<size_t>(n) * 8 * values);
        for (int i = done; i < done + n; ++i, p += 8 * values) value(i, p);
        done += n;
    }
}

void PutRange(BinaryFile& file, const Range& range) {
    file.PutDouble(range.low);
    file.PutDouble(range.high);
}

}  // namespace

ShapefileWriter::ShapefileWriter()
    : pointBuffer_(new int32_t[MAX_POINTS]),
      partBuffer_(new int32_t[MAX_POINTS]),
      header_{},
      recordHeader_{},
      indexEntry_{} {}

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

bool ShapefileWriter::WriteLayer(const std::string& directory, const GeometryLayer& layer) {
    if (layer.polygonEdges) return WritePolygonFile(directory, layer);
    if (layer.vertices) return WriteLineFile(directory, layer);
    if (layer.multiPoint) return WriteMultiPointFile(directory, layer);
    if (layer.points) return WritePointFile(directory, layer);
    SetFailure(Failure::kNothingToWrite);
    return false;
}

void ShapefileWriter::BuildHeader(const GeometryLayer& layer, int shapeType,
                                  int64_t lengthInWords) {
    std::memset(header_, 0, sizeof header_);
    PutBigEndian(header_, kFileCode);
    PutBigEndian(header_ + 24, static_cast<int32_t>(lengthInWords));
    PutLE32(header_ + 28, kVersion);
    PutLE32(header_ + 32, static_cast<uint32_t>(shapeType));
    // The box is the layer's extent as last computed, not recomputed here.
    PutLEDouble(header_ + 36, layer.xMin);
    PutLEDouble(header_ + 44, layer.yMin);
    PutLEDouble(header_ + 52, layer.xMax);
    PutLEDouble(header_ + 60, layer.yMax);

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
    SetFailure(Failure::kNone);
    layerPointCount_ = layer.points ? layer.pointCount : 0;
    layerVertexCount_ = layer.vertices ? layer.vertexCount : 0;

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
        // File lengths and offsets are 32-bit counts of 16-bit words.
        if (offset + size > INT32_MAX) {
            SetFailure(Failure::kFileError, shp.Path(), EFBIG);
            return giveUp();
        }
        PutBigEndian(indexEntry_, static_cast<int32_t>(offset));
        PutBigEndian(indexEntry_ + 4, size - 4);
        shx.Put(indexEntry_, sizeof indexEntry_);
        offset += size;
    }

    BuildHeader(layer, shapeType, offset);
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

void ShapefileWriter::PutRecordHeader(BinaryFile& main, int recordNumber, int contentBytes) {
    PutBigEndian(recordHeader_, recordNumber);
    PutBigEndian(recordHeader_ + 4, contentBytes / 2);
    main.Put(recordHeader_, sizeof recordHeader_);
}

bool ShapefileWriter::WritePointFile(const std::string& directory, const GeometryLayer& layer) {
    int count = layer.points ? layer.pointCount : 0;
    return WriteFileSet(directory, layer, ShapeType(kPoint, layer.hasM, layer.hasZ), count,
                        [&](BinaryFile& shp, int number, int& index) {
                            return WritePointRecord(shp, number, layer.points.get(), index,
                                                    layer.hasM, layer.hasZ);
                        });
}

bool ShapefileWriter::WriteMultiPointFile(const std::string& directory,
                                          const GeometryLayer& layer) {
    int count = layer.points ? layer.pointCount : 0;
    return WriteFileSet(directory, layer, ShapeType(kMultiPoint, layer.hasM, layer.hasZ), count,
                        [&](BinaryFile& shp, int number, int& index) {
                            return WriteMultiPointRecord(shp, number, layer.points.get(), index,
                                                         count, layer.hasM, layer.hasZ);
                        });
}

bool ShapefileWriter::WriteLineFile(const std::string& directory, const GeometryLayer& layer) {
    int count = layer.vertices ? layer.vertexCount : 0;
    return WriteFileSet(directory, layer, ShapeType(kPolyLine, layer.hasM, layer.hasZ), count,
                        [&](BinaryFile& shp, int number, int& index) {
                            return WriteLineRecord(shp, number, layer.points.get(),
                                                   layer.vertices.get(), index, count, layer.hasM,
                                                   layer.hasZ);
                        });
}

bool ShapefileWriter::WritePolygonFile(const std::string& directory, const GeometryLayer& layer) {
    int count = layer.polygonEdges ? layer.polygonCount : 0;
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
    PutDoubles(main, count, 2, [&](int i, unsigned char* out) {
        PutLEDouble(out, run[i].x);
        PutLEDouble(out + 8, run[i].y);
    });
    if (hasZ) {
        PutRange(main, box.z);
        PutDoubles(main, count, 1, [&](int i, unsigned char* out) { PutLEDouble(out, run[i].z); });
    }
    if (hasM) {
        PutRange(main, box.m);
        PutDoubles(main, count, 1, [&](int i, unsigned char* out) { PutLEDouble(out, run[i].m); });
    }
    pointIndex = end;
    return static_cast<int>(content / 2 + 4);
}

template <typename EdgeAt>
int ShapefileWriter::CollectLine(int sourceIndex, int sourceCount, EdgeAt edgeAt, int& pointTotal,
                                 int& partTotal) {
    auto validPoint = [&](int32_t p) { return p >= 0 && p < layerPointCount_; };
    int32_t key = 0;
    const SegmentVertex* e = edgeAt(sourceIndex, key);
    if (!e || !validPoint(e->fromPoint) || !validPoint(e->toPoint)) {
        SetFailure(Failure::kBadGeometry);
        return 0;
    }
    pointTotal = 0;
    partTotal = 0;
    partBuffer_[partTotal++] = 0;
    pointBuffer_[pointTotal++] = e->fromPoint;
    pointBuffer_[pointTotal++] = e->toPoint;
    int used = 1;

    // Each append is checked at once, so the buffers never take more than
    // MAX_POINTS entries, also when a new part adds two points for one edge.
    auto append = [&](int32_t point) {
        pointBuffer_[pointTotal++] = point;
        if (pointTotal < MAX_POINTS) return true;
        ShowMessage("Too Many segments in one line. Limit is MAX_POINTS");
        SetFailure(Failure::kTooManyPoints);
        return false;
    };

    for (int i = sourceIndex + 1; i < sourceCount; ++i) {
        int32_t nextKey = 0;
        const SegmentVertex* next = edgeAt(i, nextKey);
        if (nextKey != key) break;
        if (!next || !validPoint(next->fromPoint) || !validPoint(next->toPoint)) {
            SetFailure(Failure::kBadGeometry);
            return 0;
        }
        ++used;
        if (next->fromPoint != pointBuffer_[pointTotal - 1]) {
            partBuffer_[partTotal++] = pointTotal;  // the edge does not join: a new part
            if (!append(next->fromPoint)) return 0;
        }
        if (!append(next->toPoint)) return 0;
    }
    return used;
}

int ShapefileWriter::WritePolyRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                                     int shapeType, int pointTotal, int partTotal, bool hasM,
                                     bool hasZ) {
    int content =
        static_cast<int>(44 + 4 * partTotal + 16 * pointTotal + ZmBytes(pointTotal, hasM, hasZ));
    // A record of fewer than MAX_POINTS points always fits one claim, so it is
    // built in place in one pass over its points; the box, which comes first in
    // the record, is filled in behind them.
    static_assert(8 + 76 + 36 * MAX_POINTS <= BinaryFile::kMaxClaim, "a record fits one claim");
    unsigned char* r = main.Claim(8 + static_cast<size_t>(content));
    PutBigEndian(r, recordNumber);
    PutBigEndian(r + 4, content / 2);
    PutLE32(r + 8, static_cast<uint32_t>(shapeType));
    PutLE32(r + 44, static_cast<uint32_t>(partTotal));
    PutLE32(r + 48, static_cast<uint32_t>(pointTotal));
    unsigned char* out = r + 52;
    for (int i = 0; i < partTotal; ++i, out += 4)
        PutLE32(out, static_cast<uint32_t>(partBuffer_[i]));

    const int32_t* list = pointBuffer_.get();
    Box box;
    box.Start(points[list[0]]);
    for (int i = 0; i < pointTotal; ++i, out += 16) {
        const LayerPoint& p = points[list[i]];
        box.Take(p, hasZ || hasM);
        PutLEDouble(out, p.x);
        PutLEDouble(out + 8, p.y);
    }
    PutLEDouble(r + 12, box.x.low);
    PutLEDouble(r + 20, box.y.low);
    PutLEDouble(r + 28, box.x.high);
    PutLEDouble(r + 36, box.y.high);
    auto putMeasure = [&](const Range& range, double LayerPoint::*value) {
        PutLEDouble(out, range.low);
        PutLEDouble(out + 8, range.high);
        out += 16;
        for (int i = 0; i < pointTotal; ++i, out += 8) PutLEDouble(out, points[list[i]].*value);
    };
    if (hasZ) putMeasure(box.z, &LayerPoint::z);
    if (hasM) putMeasure(box.m, &LayerPoint::m);
    return content / 2 + 4;
}

int ShapefileWriter::WriteLineRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                                     const SegmentVertex* edges, int& edgeIndex, int edgeCount,
                                     bool hasM, bool hasZ) {
    int pointTotal = 0, partTotal = 0;
    int used = CollectLine(
        edgeIndex, edgeCount,
        [&](int i, int32_t& key) {
            key = edges[i].segment;
            return &edges[i];
        },
        pointTotal, partTotal);
    if (used == 0) return 0;
    edgeIndex += used;
    return WritePolyRecord(main, recordNumber, points, ShapeType(kPolyLine, hasM, hasZ), pointTotal,
                           partTotal, hasM, hasZ);
}

int ShapefileWriter::WritePolygonRecord(BinaryFile& main, int recordNumber,
                                        const LayerPoint* points, const SegmentVertex* edges,
                                        const PolygonEdgeRef* polygons, int& polygonIndex,
                                        int polygonCount, bool hasM, bool hasZ) {
    int pointTotal = 0, partTotal = 0;
    int used = CollectLine(
        polygonIndex, polygonCount,
        [&](int i, int32_t& key) -> const SegmentVertex* {
            key = polygons[i].polygon;
            int32_t edge = polygons[i].edge;
            return edge >= 0 && edge < layerVertexCount_ ? &edges[edge] : nullptr;
        },
        pointTotal, partTotal);
    if (used == 0) return 0;
    polygonIndex += used;
    // The rings are written as the edges give them: not closed, not reoriented.
    return WritePolyRecord(main, recordNumber, points, ShapeType(kPolygon, hasM, hasZ), pointTotal,
                           partTotal, hasM, hasZ);
}

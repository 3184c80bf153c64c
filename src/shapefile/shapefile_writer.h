#pragma once
// Writes geometry layers as ESRI shapefile pairs: the main file (.SHP) and its
// index (.SHX). A layer goes out as Point, MultiPoint, PolyLine or Polygon shapes,
// in the 2-D, M or Z variant its hasM / hasZ flags choose (hasZ wins).
//
// All four file writers share one skeleton: a 100-byte header written first as a
// placeholder, then the records (each .SHP record followed by its .SHX entry),
// then the final header over the placeholder in both files, and last the .PRJ
// that names the coordinate system. A writer that fails removes its files, so a failed layer never leaves a truncated pair behind, and
// says why through LastFailure(), FailedFile() and FailedError().

#include <cstdint>
#include <memory>
#include <string>

#include "layers/geometry_store.h"

class BinaryFile;

class ShapefileWriter {
  public:
    // Size of the two work buffers, and the bound on the points of one line or
    // polygon record: a record that reaches this many points is refused.
    static constexpr int MAX_POINTS = 10000;

    enum class Failure {
        kNone,
        kFileError,      // create, write or close failed: FailedFile(), FailedError()
        kTooManyPoints,  // a record reached MAX_POINTS; the message has been shown
        kBadGeometry,    // an edge refers to a point, or a polygon to an edge, that is missing
        kNothingToWrite  // the layer has no arrays at all
    };

    ShapefileWriter();
    virtual ~ShapefileWriter();
    ShapefileWriter(const ShapefileWriter&) = delete;
    ShapefileWriter& operator=(const ShapefileWriter&) = delete;

    // Runs the writer that fits the layer: polygon array, else edge array (even an
    // empty one), else multipoint flag, else point array. False when nothing was
    // written or the writer failed.
    bool WriteLayer(const std::string& directory, const GeometryLayer& layer);

    // `directory` is empty or ends with a path separator; the files are directory
    // + fileName + ".SHP" / ".SHX".
    bool WritePointFile(const std::string& directory, const GeometryLayer& layer);
    bool WriteMultiPointFile(const std::string& directory, const GeometryLayer& layer);
    bool WriteLineFile(const std::string& directory, const GeometryLayer& layer);
    bool WritePolygonFile(const std::string& directory, const GeometryLayer& layer);

    // Record writers: each writes one record (header and content) to the main
    // file, advances the source index past what it used, and returns the record's
    // size in 16-bit words including its 8-byte header, or 0 when the record was
    // refused (see LastFailure()). The line and polygon writers check point and
    // edge indices against the counts of the layer being written.
    int WritePointRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                         int& pointIndex, bool hasM, bool hasZ);
    int WriteMultiPointRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                              int& pointIndex, int pointCount, bool hasM, bool hasZ);
    int WriteLineRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                        const SegmentVertex* edges, int& edgeIndex, int edgeCount, bool hasM,
                        bool hasZ);
    int WritePolygonRecord(BinaryFile& main, int recordNumber, const LayerPoint* points,
                           const SegmentVertex* edges, const PolygonEdgeRef* polygons,
                           int& polygonIndex, int polygonCount, bool hasM, bool hasZ);

    // Reverses n bytes in place; turns a little-endian integer into the
    // big-endian one of the record headers and index entries.
    static void ReverseBytes(void* bytes, int n);

    static std::string ShpPath(const std::string& directory, const GeometryLayer& layer);
    static std::string ShxPath(const std::string& directory, const GeometryLayer& layer);
    // The layer's coordinate system (WGS 84), written beside the pair.
    static std::string PrjPath(const std::string& directory, const GeometryLayer& layer);

    // Why the last WriteLayer / Write*File returned false.
    Failure LastFailure() const { return failure_; }
    const std::string& FailedFile() const { return failedFile_; }
    int FailedError() const { return failedError_; }

  private:
    template <typename RecordWriter>
    bool WriteFileSet(const std::string& directory, const GeometryLayer& layer, int shapeType,
                      int sourceCount, RecordWriter writeRecord);
    void BuildHeader(const GeometryLayer& layer, int shapeType, int64_t lengthInWords);
    void PutRecordHeader(BinaryFile& main, int recordNumber, int contentBytes);
    // Collects the points of one line record into pointBuffer_ / partBuffer_;
    // `edgeAt` gives the n-th edge of the run source. Returns the number of
    // source entries used, or 0 on failure.
    template <typename EdgeAt>
    int CollectLine(int sourceIndex, int sourceCount, EdgeAt edgeAt, int& pointTotal,
                    int& partTotal);
    int WritePolyRecord(BinaryFile& main, int recordNumber, const LayerPoint* points, int shapeType,
                        int pointTotal, int partTotal, bool hasM, bool hasZ);
    void SetFailure(Failure failure, const std::string& file = std::string(), int error = 0);

    std::unique_ptr<int32_t[]> pointBuffer_;  // point indices of the record being built
    std::unique_ptr<int32_t[]> partBuffer_;   // part starts of the record being built
    unsigned char header_[100];
    unsigned char recordHeader_[8];
    unsigned char indexEntry_[8];

    // Counts of the layer being written, for the index checks of the record writers.
    int32_t layerPointCount_ = 0;
    int32_t layerVertexCount_ = 0;

    Failure failure_ = Failure::kNone;
    std::string failedFile_;
    int failedError_ = 0;
};

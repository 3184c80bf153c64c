#pragma once
// Writes geometry layers as ESRI shapefile pairs: the main file (.SHP) and its
// index (.SHX). A layer goes out as Point, MultiPoint, PolyLine or Polygon shapes,
// in the 2-D, M or Z variant its hasM / hasZ flags choose (hasZ wins).
//
// All four file writers share one skeleton: a 100-byte header written first as a
// placeholder, then the records (each .SHP record followed by its .SHX entry),
// then the final header over the placeholder in both files, and last the .PRJ
// that names the coordinate system. A writer that fails removes its files, so a
// failed layer never leaves a truncated set behind, and says why through
// LastFailure(), FailedFile() and FailedError().

#include <cstdint>
#include <string>
#include <vector>

#include "layers/geometry_store.h"

class BinaryFile;

class ShapefileWriter {
  public:
    // The most a .SHP may hold: its offsets and lengths are signed 32-bit counts,
    // and readers take 2 GB as the format's limit. A larger layer is refused
    // before any of its files is made.
    static constexpr int64_t kMaxFileBytes = INT32_MAX;

    enum class Failure {
        kNone,
        kFileError,      // create, write or close failed: FailedFile(), FailedError()
        kTooLarge,       // the .SHP would exceed kMaxFileBytes; nothing was written
        kBadGeometry,    // an edge refers to a point, or a polygon to an edge, that is missing
        kNothingToWrite  // the layer has no arrays at all
    };

    ShapefileWriter();
    virtual ~ShapefileWriter();
    ShapefileWriter(const ShapefileWriter&) = delete;
    ShapefileWriter& operator=(const ShapefileWriter&) = delete;

    // Runs the writer that fits the layer: polygon array, else edge array (even an
    // empty one), else multipoint flag, else point array. False when nothing was
    // written or the writer failed. `recordCount` is the number of records of the
    // layer's table (-1: no table); see WriteLineFile.
    bool WriteLayer(const std::string& directory, const GeometryLayer& layer,
                    int recordCount = -1);

    // `directory` is empty or ends with a path separator; the files are directory
    // + fileName + ".SHP" / ".SHX" / ".PRJ".
    bool WritePointFile(const std::string& directory, const GeometryLayer& layer);
    bool WriteMultiPointFile(const std::string& directory, const GeometryLayer& layer);
    // A line layer whose every edge carries a segment number of 1 or more, with a
    // table of `recordCount` records, is written one shape per table record:
    // shape n holds the edges numbered n, wherever they lie in the edge array, and
    // is a Null shape when there are none, so that shape n always goes with record
    // n. Any other line layer (no table, or edges numbered 0 or less) gets one
    // shape per run of consecutive edges with equal segment numbers. Inside a
    // shape a new part starts wherever an edge does not begin where the previous
    // one ended.
    bool WriteLineFile(const std::string& directory, const GeometryLayer& layer,
                       int recordCount = -1);
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
    // A record without geometry (shape type 0): 12 bytes, 6 words.
    int WriteNullRecord(BinaryFile& main, int recordNumber);

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
    // False, with kTooLarge, when a .SHP of `bytes` would be too large.
    bool FitsTheFormat(const std::string& directory, const GeometryLayer& layer, int64_t bytes);
    void BuildHeader(const GeometryLayer& layer, int shapeType, int64_t lengthInWords,
                     int recordCount);
    void PutRecordHeader(BinaryFile& main, int recordNumber, int contentBytes);
    // Collects the points of one line record into pointList_ / partStarts_;
    // `edgeAt` gives the n-th edge of the run source. Returns the number of
    // source entries used, or 0 on failure.
    template <typename EdgeAt>
    int CollectLine(int sourceIndex, int sourceCount, EdgeAt edgeAt);
    template <typename EdgeAt>
    int64_t LineFileBytes(int sourceCount, EdgeAt edgeAt, int nullRecords, bool hasM, bool hasZ);
    int WritePolyRecord(BinaryFile& main, int recordNumber, const LayerPoint* points, int shapeType,
                        bool hasM, bool hasZ);
    void SetFailure(Failure failure, const std::string& file = std::string(), int error = 0);

    // The record being built: its point indices, its part starts and its X/Y
    // pairs in file order. They grow to the largest record and are reused, so a
    // record allocates nothing once they have grown.
    std::vector<int32_t> pointList_;
    std::vector<int32_t> partStarts_;
    std::vector<unsigned char> coordinates_;
    // Edge indices in record order, for a line layer whose edges are not in it.
    std::vector<int32_t> edgeOrder_;

    unsigned char header_[100];
    unsigned char recordHeader_[8];
    unsigned char indexEntry_[8];

    // Counts of the layer being written, for the index checks of the record writers.
    int32_t layerPointCount_ = 0;
    int32_t layerVertexCount_ = 0;
    // Bounding box over the line or polygon shapes written so far (Null shapes
    // have none), for the header of such a file.
    double shapesBox_[4] = {0, 0, 0, 0};
    bool anyShape_ = false;

    Failure failure_ = Failure::kNone;
    std::string failedFile_;
    int failedError_ = 0;
};

#pragma once
// The document's geometry: up to 256 layers of points, line edges and polygon edge
// references, each with its extent and state flags. Coordinates are decimal
// degrees, x = longitude and y = latitude.

#include <cstdint>
#include <memory>

struct LayerPoint {
    int32_t id;  // the point's own index, set by FindOrAddPoint
    double x;
    double y;
    double z;
    double m;
};

// One edge of a line layer; a run of consecutive edges with equal segment number
// is one line shape.
struct SegmentVertex {
    int32_t segment;
    int32_t fromPoint;
    int32_t toPoint;
};

// One edge of a polygon; a run with equal polygon number is one polygon shape.
struct PolygonEdgeRef {
    int32_t polygon;
    int32_t edge;  // index into the layer's vertices
};

class PointIndex;  // lookup of points by position, internal to the store (point_index.h)

struct GeometryLayer {
    GeometryLayer();
    ~GeometryLayer();

    char name[41];
    char fileName[129];
    int32_t attributeTable;
    int32_t pointCapacity;
    int32_t vertexCapacity;
    int32_t polygonCapacity;
    int32_t pointCount;
    int32_t vertexCount;
    int32_t polygonCount;
    double xMin, yMin, xMax, yMax;
    std::unique_ptr<LayerPoint[]> points;
    std::unique_ptr<SegmentVertex[]> vertices;
    std::unique_ptr<PolygonEdgeRef[]> polygonEdges;
    bool active;
    bool deleted;
    bool hasM;
    bool hasZ;
    bool multiPoint;
    bool modified;

    // Slots actually allocated behind pointCapacity and vertexCapacity. The
    // capacities follow the store's growth rule (by 1000 at a time); the memory
    // behind them grows geometrically so that a layer of a million points is not
    // copied a thousand times on its way up.
    int32_t pointsAllocated;
    int32_t verticesAllocated;

    // Finds points by position for FindOrAddPoint. Kept in step with `points` by
    // the store; points must be added through FindOrAddPoint, and their x and y
    // must not be changed in place afterwards.
    std::unique_ptr<PointIndex> pointIndex;
};

class GeometryStore {
  public:
    static constexpr int kMaxLayers = 256;

    GeometryStore();
    virtual ~GeometryStore();
    GeometryStore(const GeometryStore&) = delete;
    GeometryStore& operator=(const GeometryStore&) = delete;

    // Index of the new layer, or -1 when all 256 slots hold active layers.
    int AddLayer(const char* name, const char* fileName, int pointCapacity, int vertexCapacity,
                 int polygonCapacity);
    bool DeleteLayer(int layer);
    void Clear();

    bool GrowPoints(int layer, int minCapacity);
    bool GrowVertices(int layer, int minCapacity);

    // Index of the lowest-numbered point within matchTolerance of (x, y), or of a
    // new point appended there; -1 for a bad or deleted layer or when memory ran out.
    int FindOrAddPoint(int layer, double x, double y, double z = 0.0, double m = 0.0);
    // Appends a point without looking for one at the same position: the points of a
    // point layer (waypoints, track points) are each their own record, even when two
    // share a position. Index of the new point, or -1 as for FindOrAddPoint.
    int AppendPoint(int layer, double x, double y, double z = 0.0, double m = 0.0);
    // Appends an edge and returns its index; -1 for a bad or deleted layer or when
    // memory ran out. segment > 0 sets the segment number, segment < 0 starts a new
    // line, segment 0 continues the previous line while the edges join up.
    int AddVertex(int layer, int segment, int fromPoint, int toPoint);

    void ComputeExtent(int layer);
    void ComputeTotalExtent();

    // Splits decimal degrees into whole degrees (truncated toward zero), minutes
    // and seconds (both with their fractions, never negative).
    static void SplitDegrees(double value, int32_t& degrees, double& minutes, double& seconds);

    GeometryLayer& Layer(int index) { return layers[index]; }
    const GeometryLayer& Layer(int index) const { return layers[index]; }

    int32_t layerCount;
    int32_t currentLayer;
    double xMin, yMin, xMax, yMax;  // total extent
    std::unique_ptr<GeometryLayer[]> layers;
    double matchTolerance;
};

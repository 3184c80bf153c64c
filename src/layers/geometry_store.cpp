#include "layers/geometry_store.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "core/fixed_text.h"
#include "layers/point_index.h"

namespace {

constexpr int kGrowth = 1000;
constexpr double kInitialTolerance = 3e-6;

// Moves the first `used` records of `array` into a new array of `allocate` slots.
template <typename T>
bool Reallocate(std::unique_ptr<T[]>& array, int32_t used, int32_t allocate) {
    std::unique_ptr<T[]> bigger(new (std::nothrow) T[static_cast<size_t>(allocate)]);
    if (!bigger) return false;
    if (used > 0) std::memcpy(bigger.get(), array.get(), sizeof(T) * static_cast<size_t>(used));
    array = std::move(bigger);
    return true;
}

// Raises a capacity to max(minCapacity, capacity + 1000). The memory behind it
// grows by half again when it runs out, so the copies stay linear overall.
template <typename T>
bool Grow(std::unique_ptr<T[]>& array, int32_t used, int32_t& capacity, int32_t& allocated,
          int minCapacity) {
    if (capacity > INT32_MAX - kGrowth) return false;
    int32_t wanted = std::max<int32_t>(minCapacity, capacity + kGrowth);
    if (wanted > allocated || !array) {
        int64_t roomy = static_cast<int64_t>(allocated) + allocated / 2;
        int32_t allocate =
            static_cast<int32_t>(std::min<int64_t>(INT32_MAX, std::max<int64_t>(wanted, roomy)));
        if (!Reallocate(array, used, allocate)) return false;
        allocated = allocate;
    }
    capacity = wanted;
    return true;
}

template <typename T>
void Allocate(std::unique_ptr<T[]>& array, int capacity, int32_t& capacityField,
              int32_t& allocated) {
    array.reset();
    capacityField = 0;
    allocated = 0;
    if (capacity <= 0) return;
    array.reset(new (std::nothrow) T[static_cast<size_t>(capacity)]);
    if (array) capacityField = allocated = capacity;
}

}  // namespace

GeometryLayer::GeometryLayer()
    : name{},
      fileName{},
      attributeTable(-1),
      pointCapacity(0),
      vertexCapacity(0),
      polygonCapacity(0),
      pointCount(0),
      vertexCount(0),
      polygonCount(0),
      xMin(0),
      yMin(0),
      xMax(0),
      yMax(0),
      active(false),
      deleted(false),
      hasM(false),
      hasZ(false),
      multiPoint(false),
      modified(false),
      pointsAllocated(0),
      verticesAllocated(0) {}

GeometryLayer::~GeometryLayer() = default;

GeometryStore::GeometryStore()
    : layerCount(0),
      currentLayer(0),
      xMin(0),
      yMin(0),
      xMax(0),
      yMax(0),
      layers(new GeometryLayer[kMaxLayers]),
      matchTolerance(kInitialTolerance) {}

GeometryStore::~GeometryStore() = default;

int GeometryStore::AddLayer(const char* name, const char* fileName, int pointCapacity,
                            int vertexCapacity, int polygonCapacity) {
    int slot = -1;
    for (int i = 0; i < layerCount; ++i) {
        if (layers[i].deleted) {
            slot = i;
            break;
        }
    }
    if (slot < 0) {
        if (layerCount >= kMaxLayers) return -1;
        slot = layerCount++;
    }

    GeometryLayer& layer = layers[slot];
    CopyFixedText(layer.name, name);
    CopyFixedText(layer.fileName, fileName);
    Allocate(layer.points, pointCapacity, layer.pointCapacity, layer.pointsAllocated);
    Allocate(layer.vertices, vertexCapacity, layer.vertexCapacity, layer.verticesAllocated);
    int32_t polygonsAllocated = 0;
    Allocate(layer.polygonEdges, polygonCapacity, layer.polygonCapacity, polygonsAllocated);
    layer.pointIndex.reset();
    layer.pointCount = layer.vertexCount = layer.polygonCount = 0;
    layer.xMin = layer.yMin = layer.xMax = layer.yMax = 0.0;
    layer.active = true;
    layer.deleted = false;
    layer.hasM = layer.hasZ = layer.multiPoint = layer.modified = false;
    layer.attributeTable = -1;
    currentLayer = slot;
    return slot;
}

bool GeometryStore::DeleteLayer(int layer) {
    if (layer < 0 || layer >= layerCount) return false;
    GeometryLayer& l = layers[layer];
    l.points.reset();
    l.vertices.reset();
    l.polygonEdges.reset();
    l.pointIndex.reset();
    l.pointCapacity = l.vertexCapacity = l.polygonCapacity = 0;
    l.pointsAllocated = l.verticesAllocated = 0;
    l.pointCount = l.vertexCount = l.polygonCount = 0;
    l.active = false;
    l.deleted = true;
    return true;
}

void GeometryStore::Clear() {
    for (int i = 0; i < layerCount; ++i) DeleteLayer(i);
    layerCount = 0;
    xMin = yMin = xMax = yMax = 0.0;
    matchTolerance = 0.0;
}

bool GeometryStore::GrowPoints(int layer, int minCapacity) {
    if (layer < 0 || layer >= layerCount) return false;
    GeometryLayer& l = layers[layer];
    return Grow(l.points, l.pointCount, l.pointCapacity, l.pointsAllocated, minCapacity);
}

bool GeometryStore::GrowVertices(int layer, int minCapacity) {
    if (layer < 0 || layer >= layerCount) return false;
    GeometryLayer& l = layers[layer];
    return Grow(l.vertices, l.vertexCount, l.vertexCapacity, l.verticesAllocated, minCapacity);
}

int GeometryStore::FindOrAddPoint(int layer, double x, double y, double z, double m) {
    if (layer < 0 || layer >= layerCount || layers[layer].deleted) return -1;
    GeometryLayer& l = layers[layer];
    const LayerPoint* points = l.points.get();

    if (PointIndex::Supports(matchTolerance)) {
        std::unique_ptr<PointIndex>& index = l.pointIndex;
        // Rebuild when the tolerance changed since the index was made (Clear, or
        // a caller setting matchTolerance) or when the layer lost points.
        if (!index || index->Tolerance() != matchTolerance || index->IndexedCount() > l.pointCount)
            index.reset(new PointIndex(matchTolerance));
        while (index->IndexedCount() < l.pointCount) index->Add(points);
        int found = index->Find(points, x, y);
        if (found >= 0) return found;
    } else {
        l.pointIndex.reset();
        for (int i = 0; i < l.pointCount; ++i) {
            if (std::fabs(x - points[i].x) <= matchTolerance &&
                std::fabs(y - points[i].y) <= matchTolerance)
                return i;
        }
    }

    int index = AppendPoint(layer, x, y, z, m);
    if (index >= 0 && l.pointIndex) l.pointIndex->Add(l.points.get());
    return index;
}

int GeometryStore::AppendPoint(int layer, double x, double y, double z, double m) {
    if (layer < 0 || layer >= layerCount || layers[layer].deleted) return -1;
    GeometryLayer& l = layers[layer];
    if (l.pointCount + 1 >= l.pointCapacity && !GrowPoints(layer, l.pointCapacity + kGrowth))
        return -1;
    int index = l.pointCount++;
    l.points[index] = LayerPoint{index, x, y, z, m};
    // A point index catches up with appended points at the next FindOrAddPoint.
    l.modified = true;
    return index;
}

int GeometryStore::AddVertex(int layer, int segment, int fromPoint, int toPoint) {
    if (layer < 0 || layer >= layerCount || layers[layer].deleted) return -1;
    GeometryLayer& l = layers[layer];
    if (l.vertexCount + 1 >= l.vertexCapacity && !GrowVertices(layer, l.vertexCapacity + kGrowth))
        return -1;

    int32_t number;
    if (l.vertexCount == 0) {
        number = segment > 0 ? segment : 0;
    } else {
        const SegmentVertex& previous = l.vertices[l.vertexCount - 1];
        if (segment < 0)
            number = previous.segment + 1;
        else if (segment == 0)
            number = fromPoint == previous.toPoint ? previous.segment : previous.segment + 1;
        else
            number = segment;
    }
    int index = l.vertexCount++;
    l.vertices[index] = SegmentVertex{number, fromPoint, toPoint};
    l.modified = true;
    return index;
}

void GeometryStore::ComputeExtent(int layer) {
    if (layer < 0 || layer >= layerCount) return;
    GeometryLayer& l = layers[layer];
    if (l.deleted || l.pointCount < 1 || !l.points) return;
    double x0 = l.points[0].x, y0 = l.points[0].y, x1 = x0, y1 = y0;
    for (int i = 1; i < l.pointCount; ++i) {
        const LayerPoint& p = l.points[i];
        if (p.x < x0) x0 = p.x;
        if (p.y < y0) y0 = p.y;
        if (p.x > x1) x1 = p.x;
        if (p.y > y1) y1 = p.y;
    }
    l.xMin = x0;
    l.yMin = y0;
    l.xMax = x1;
    l.yMax = y1;
}

void GeometryStore::ComputeTotalExtent() {
    bool first = true;
    for (int i = 0; i < layerCount; ++i) {
        GeometryLayer& l = layers[i];
        if (!l.active || l.pointCount <= 0) continue;
        ComputeExtent(i);
        if (first) {
            xMin = l.xMin;
            yMin = l.yMin;
            xMax = l.xMax;
            yMax = l.yMax;
            first = false;
            continue;
        }
        xMin = std::min(xMin, l.xMin);
        yMin = std::min(yMin, l.yMin);
        xMax = std::max(xMax, l.xMax);
        yMax = std::max(yMax, l.yMax);
    }
}

void GeometryStore::SplitDegrees(double value, int32_t& degrees, double& minutes, double& seconds) {
    double whole = std::trunc(value);
    // A value beyond the range of an int (never a real coordinate) saturates
    // instead of overflowing the conversion.
    if (std::isnan(whole))
        degrees = 0;
    else if (whole >= 2147483647.0)
        degrees = INT32_MAX;
    else if (whole <= -2147483648.0)
        degrees = INT32_MIN;
    else
        degrees = static_cast<int32_t>(whole);
    minutes = std::fabs(value - whole) * 60.0;
    seconds = (minutes - std::trunc(minutes)) * 60.0;
}

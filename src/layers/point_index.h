#pragma once
// Finds the points of one layer by position, so that FindOrAddPoint need not
// compare a new position with every point of the layer.
//
// The answer is always the one a scan from index 0 upward gives: the lowest index
// i with |x - x[i]| <= tolerance and |y - y[i]| <= tolerance, computed with exactly
// that test. The index only narrows down the candidates:
//   - tolerance 0: a hash of the exact coordinates (-0.0 and 0.0 are one key);
//   - tolerance > 0: a hash of grid cells a little larger than the tolerance, so a
//     match can only lie in the 3 x 3 cells around the position.
// Points with an infinite or NaN coordinate can never pass the test and are not
// indexed. Positions too far out for a cell number (more than about 2^41 cells
// from the origin) go to a short list that is scanned.

#include <cstdint>
#include <vector>

#include "layers/geometry_store.h"

class PointIndex {
  public:
    // True when a tolerance can be served by the index (0, or finite and above 0).
    static bool Supports(double tolerance);

    explicit PointIndex(double tolerance);

    double Tolerance() const { return tolerance_; }
    // Points 0 .. IndexedCount() - 1 of the layer are in the index.
    int32_t IndexedCount() const { return static_cast<int32_t>(next_.size()); }

    // Lowest index below IndexedCount() that matches (x, y), or -1.
    int32_t Find(const LayerPoint* points, double x, double y) const;

    // Adds point IndexedCount() of `points`.
    void Add(const LayerPoint* points);

  private:
    struct Key {
        uint64_t a;
        uint64_t b;
        bool operator==(const Key& o) const { return a == o.a && b == o.b; }
    };
    enum class Place { kNone, kTable, kFar };

    Place KeyOf(double x, double y, Key& key) const;
    bool Matches(const LayerPoint& p, double x, double y) const;
    static uint64_t Hash(const Key& key);
    // Slot holding the chain of `key`, or the empty slot where it would go.
    size_t Probe(const LayerPoint* points, const Key& key) const;
    void Grow(const LayerPoint* points);
    int32_t LowestInChain(const LayerPoint* points, int32_t head, double x, double y,
                          int32_t best) const;

    double tolerance_;
    double cellsPerUnit_;         // 1 / cell size; unused for tolerance 0
    std::vector<int32_t> slots_;  // head of each key's chain, -1 when empty
    size_t usedSlots_ = 0;
    std::vector<int32_t> next_;  // next point of the same key, -1 at the end
    std::vector<int32_t> far_;   // points too far out for a cell number
};

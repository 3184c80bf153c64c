#pragma once
// Finds the points of one layer by position, so that FindOrAddPoint need not
// compare a new position with every point of the layer.
//
// The answer is always the one a scan from index 0 upward gives: the lowest index
// i with |x - x[i]| <= tolerance and |y - y[i]| <= tolerance, computed with exactly
// that test. The index only narrows down the candidates:
//   - tolerance 0: a hash of the exact coordinates (-0.0 and 0.0 are one key);
//   - tolerance > 0: a hash of grid cells a little more than twice the tolerance,
//     so a match can only lie in the cells that the square of half a cell around
//     the position touches: at most 2 x 2 of them.
// Points with an infinite or NaN coordinate can never pass the test and are not
// indexed. Positions too far out for a cell number (more than 2^38 cells from
// the origin) go to a short list that is scanned.

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
    int32_t Find(const LayerPoint* points, double x, double y);

    // Adds point IndexedCount() of `points`. Right after a Find for the same
    // position that found nothing, the slot that Find probed is reused.
    void Add(const LayerPoint* points);

  private:
    struct Key {
        uint64_t a;
        uint64_t b;
        bool operator==(const Key& o) const { return a == o.a && b == o.b; }
    };
    enum class Place { kNone, kTable, kFar };
    // One key's chain: its newest point, and the upper half of the key's hash,
    // so that probing passes other keys without reading their points.
    struct Slot {
        int32_t head;  // -1: empty
        uint32_t tag;
    };

    Place KeyOf(double x, double y, Key& key) const;
    bool Matches(const LayerPoint& p, double x, double y) const;
    static uint64_t Hash(const Key& key);
    // Slot holding the chain of `key`, or the empty slot where it would go.
    size_t Probe(const LayerPoint* points, const Key& key, uint64_t hash) const;
    void Grow();
    // Lowest match below `best` in the chain of `key`, or `best`; `remember`
    // keeps the probed slot for the Add that may follow.
    int32_t FindInChain(const LayerPoint* points, const Key& key, double x, double y, int32_t best,
                        bool remember);

    double tolerance_;
    double cellsPerUnit_;  // 1 / cell size; unused for tolerance 0
    std::vector<Slot> slots_;
    size_t usedSlots_ = 0;
    std::vector<int32_t> next_;  // next point of the same key, -1 at the end
    std::vector<int32_t> far_;   // points too far out for a cell number

    // The probe of the last Find for the position's own key, for the Add that
    // follows it.
    Key pendingKey_{};
    size_t pendingSlot_ = 0;
    bool pending_ = false;
};

#include "layers/point_index.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

// The cell is 1/1024 larger than the tolerance. Two positions that pass the test
// are then less than 1 - 1/1100 cells apart, which leaves room for the rounding of
// position / cell (at most 2^-53 of the cell number) as long as cell numbers stay
// below kMaxCell; so their cell numbers differ by at most one.
constexpr double kCellSlack = 1.0 + 1.0 / 1024.0;
constexpr double kMaxCell = 2199023255552.0;  // 2^41

uint64_t BitsOf(double v) {
    v += 0.0;  // turns -0.0 into 0.0: they pass the test against each other
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

uint64_t Mix(uint64_t v) {
    v ^= v >> 30;
    v *= 0xbf58476d1ce4e5b9ULL;
    v ^= v >> 27;
    v *= 0x94d049bb133111ebULL;
    v ^= v >> 31;
    return v;
}

}  // namespace

bool PointIndex::Supports(double tolerance) {
    return tolerance == 0.0 || (tolerance > 0.0 && std::isfinite(tolerance));
}

PointIndex::PointIndex(double tolerance)
    : tolerance_(tolerance),
      cellsPerUnit_(tolerance > 0.0 ? 1.0 / (tolerance * kCellSlack) : 0.0),
      slots_(1024, -1) {}

bool PointIndex::Matches(const LayerPoint& p, double x, double y) const {
    return std::fabs(x - p.x) <= tolerance_ && std::fabs(y - p.y) <= tolerance_;
}

PointIndex::Place PointIndex::KeyOf(double x, double y, Key& key) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return Place::kNone;
    if (tolerance_ == 0.0) {
        key = {BitsOf(x), BitsOf(y)};
        return Place::kTable;
    }
    double cx = x * cellsPerUnit_;
    double cy = y * cellsPerUnit_;
    if (!(std::fabs(cx) <= kMaxCell && std::fabs(cy) <= kMaxCell)) return Place::kFar;
    key = {static_cast<uint64_t>(static_cast<int64_t>(std::floor(cx))),
           static_cast<uint64_t>(static_cast<int64_t>(std::floor(cy)))};
    return Place::kTable;
}

uint64_t PointIndex::Hash(const Key& key) {
    return Mix(key.a ^ Mix(key.b + 0x9e3779b97f4a7c15ULL));
}

size_t PointIndex::Probe(const LayerPoint* points, const Key& key) const {
    size_t mask = slots_.size() - 1;
    size_t slot = Hash(key) & mask;
    while (slots_[slot] >= 0) {
        const LayerPoint& head = points[slots_[slot]];
        Key other;
        if (KeyOf(head.x, head.y, other) == Place::kTable && other == key) break;
        slot = (slot + 1) & mask;
    }
    return slot;
}

int32_t PointIndex::LowestInChain(const LayerPoint* points, int32_t head, double x, double y,
                                  int32_t best) const {
    for (int32_t i = head; i >= 0; i = next_[i])
        if (i < best && Matches(points[i], x, y)) best = i;
    return best;
}

int32_t PointIndex::Find(const LayerPoint* points, double x, double y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return -1;
    int32_t best = INT32_MAX;
    if (tolerance_ == 0.0) {
        Key key{BitsOf(x), BitsOf(y)};
        best = LowestInChain(points, slots_[Probe(points, key)], x, y, best);
        return best == INT32_MAX ? -1 : best;
    }

    double cx = x * cellsPerUnit_;
    double cy = y * cellsPerUnit_;
    // A matching point lies less than one cell away, so it is in the table only
    // when the position is within a cell or two of the table's range, and in the
    // far list only when the position is near or beyond that range's edge.
    if (std::fabs(cx) <= kMaxCell + 2.0 && std::fabs(cy) <= kMaxCell + 2.0) {
        int64_t fx = static_cast<int64_t>(std::floor(cx));
        int64_t fy = static_cast<int64_t>(std::floor(cy));
        for (int64_t dx = -1; dx <= 1; ++dx) {
            for (int64_t dy = -1; dy <= 1; ++dy) {
                Key key{static_cast<uint64_t>(fx + dx), static_cast<uint64_t>(fy + dy)};
                best = LowestInChain(points, slots_[Probe(points, key)], x, y, best);
            }
        }
    }
    if (!far_.empty() && !(std::fabs(cx) < kMaxCell - 2.0 && std::fabs(cy) < kMaxCell - 2.0)) {
        for (int32_t i : far_)
            if (i < best && Matches(points[i], x, y)) best = i;
    }
    return best == INT32_MAX ? -1 : best;
}

void PointIndex::Add(const LayerPoint* points) {
    int32_t index = IndexedCount();
    next_.push_back(-1);
    const LayerPoint& p = points[index];
    Key key;
    switch (KeyOf(p.x, p.y, key)) {
        case Place::kNone:
            return;
        case Place::kFar:
            far_.push_back(index);
            return;
        case Place::kTable:
            break;
    }
    size_t slot = Probe(points, key);
    if (slots_[slot] >= 0) {
        next_[index] = slots_[slot];  // same key: the new point heads the chain
        slots_[slot] = index;
        return;
    }
    slots_[slot] = index;
    if (++usedSlots_ * 2 > slots_.size()) Grow(points);
}

void PointIndex::Grow(const LayerPoint* points) {
    std::vector<int32_t> old(slots_.size() * 2, -1);
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (int32_t head : old) {
        if (head < 0) continue;
        // Every chain has its own key, so the first free slot is the right one.
        Key key;
        KeyOf(points[head].x, points[head].y, key);
        size_t slot = Hash(key) & mask;
        while (slots_[slot] >= 0) slot = (slot + 1) & mask;
        slots_[slot] = head;
    }
}

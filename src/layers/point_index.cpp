#include "layers/point_index.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

// The cell is 2 x tolerance x (1 + 1/1024). Two positions that pass the test are
// then less than (1/2)(1 - 1/1100) cells apart, which leaves room for the
// rounding of position / cell (at most 2^-52 of the cell number, so 2^-14 below
// kMaxCell); the cells of a match are then those that the square of half a cell
// around the position touches.
constexpr double kCellSlack = 1.0 + 1.0 / 1024.0;
constexpr double kMaxCell = 274877906944.0;  // 2^38

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
      cellsPerUnit_(tolerance > 0.0 ? 1.0 / (2.0 * tolerance * kCellSlack) : 0.0),
      slots_(1024, Slot{-1, 0}) {}

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

// The upper 32 bits pick the slot (their low bits) and serve as the tag, so the
// table can be grown from the tags alone.
uint64_t PointIndex::Hash(const Key& key) {
    return Mix(key.a ^ Mix(key.b + 0x9e3779b97f4a7c15ULL)) >> 32;
}

size_t PointIndex::Probe(const LayerPoint* points, const Key& key, uint64_t hash) const {
    size_t mask = slots_.size() - 1;
    uint32_t tag = static_cast<uint32_t>(hash);
    size_t slot = tag & mask;
    while (slots_[slot].head >= 0) {
        if (slots_[slot].tag == tag) {
            const LayerPoint& head = points[slots_[slot].head];
            Key other{};
            if (KeyOf(head.x, head.y, other) == Place::kTable && other == key) break;
        }
        slot = (slot + 1) & mask;
    }
    return slot;
}

int32_t PointIndex::FindInChain(const LayerPoint* points, const Key& key, double x, double y,
                                int32_t best, bool remember) {
    size_t slot = Probe(points, key, Hash(key));
    if (remember) {
        pending_ = true;
        pendingKey_ = key;
        pendingSlot_ = slot;
    }
    for (int32_t i = slots_[slot].head; i >= 0; i = next_[i])
        if (i < best && Matches(points[i], x, y)) best = i;
    return best;
}

int32_t PointIndex::Find(const LayerPoint* points, double x, double y) {
    pending_ = false;
    if (!std::isfinite(x) || !std::isfinite(y)) return -1;
    int32_t best = INT32_MAX;
    if (tolerance_ == 0.0) {
        best = FindInChain(points, Key{BitsOf(x), BitsOf(y)}, x, y, best, true);
        return best == INT32_MAX ? -1 : best;
    }

    double cx = x * cellsPerUnit_;
    double cy = y * cellsPerUnit_;
    // A matching point in the table lies less than half a cell away, so the
    // position is at most half a cell beyond the table's range; a point in the
    // far list lies beyond that range, so the position is at most half a cell
    // inside it.
    if (std::fabs(cx) <= kMaxCell + 1.0 && std::fabs(cy) <= kMaxCell + 1.0) {
        bool inTable = std::fabs(cx) <= kMaxCell && std::fabs(cy) <= kMaxCell;
        int64_t ownX = static_cast<int64_t>(std::floor(cx));
        int64_t ownY = static_cast<int64_t>(std::floor(cy));
        int64_t x1 = static_cast<int64_t>(std::floor(cx + 0.5));
        int64_t y1 = static_cast<int64_t>(std::floor(cy + 0.5));
        for (int64_t a = static_cast<int64_t>(std::floor(cx - 0.5)); a <= x1; ++a) {
            for (int64_t b = static_cast<int64_t>(std::floor(cy - 0.5)); b <= y1; ++b) {
                Key key{static_cast<uint64_t>(a), static_cast<uint64_t>(b)};
                best = FindInChain(points, key, x, y, best, inTable && a == ownX && b == ownY);
            }
        }
    }
    if (!far_.empty() && !(std::fabs(cx) < kMaxCell - 1.0 && std::fabs(cy) < kMaxCell - 1.0)) {
        for (int32_t i : far_)
            if (i < best && Matches(points[i], x, y)) best = i;
    }
    return best == INT32_MAX ? -1 : best;
}

void PointIndex::Add(const LayerPoint* points) {
    int32_t index = IndexedCount();
    next_.push_back(-1);
    bool usePending = pending_;
    pending_ = false;
    const LayerPoint& p = points[index];
    Key key{};
    switch (KeyOf(p.x, p.y, key)) {
        case Place::kNone:
            return;
        case Place::kFar:
            far_.push_back(index);
            return;
        case Place::kTable:
            break;
    }
    uint64_t hash = Hash(key);
    size_t slot = usePending && key == pendingKey_ ? pendingSlot_ : Probe(points, key, hash);
    Slot& s = slots_[slot];
    if (s.head >= 0) {
        next_[index] = s.head;  // same key: the new point heads the chain
        s.head = index;
        return;
    }
    s.head = index;
    s.tag = static_cast<uint32_t>(hash);
    if (++usedSlots_ * 2 > slots_.size()) Grow();
}

void PointIndex::Grow() {
    std::vector<Slot> old(slots_.size() * 2, Slot{-1, 0});
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.head < 0) continue;
        // Every chain has its own key, so the first free slot is the right one.
        size_t slot = s.tag & mask;
        while (slots_[slot].head >= 0) slot = (slot + 1) & mask;
        slots_[slot] = s;
    }
}

#include "layers/geometry_store.h"

#include "quorvex_test.h"

#include <cmath>
#include <random>
#include <tuple>

namespace {

// Adds each position and checks the answer against what FindOrAddPoint must
// agree with: a scan for the lowest index within tolerance, else a new point.
void AddChecked(GeometryStore& store, int layer, const std::vector<double>& xy) {
    for (size_t i = 0; i + 1 < xy.size(); i += 2) {
        const GeometryLayer& l = store.Layer(layer);
        const double t = store.matchTolerance;
        int expected = 0;
        while (expected < l.pointCount && !(std::fabs(xy[i] - l.points[expected].x) <= t &&
                                            std::fabs(xy[i + 1] - l.points[expected].y) <= t))
            ++expected;
        EXPECT_EQ(store.FindOrAddPoint(layer, xy[i], xy[i + 1]), expected)
            << "position " << i / 2 << " (" << xy[i] << ", " << xy[i + 1] << ") tolerance " << t;
    }
}

}  // namespace

TEST(GeometryStore, SlotsAndBadIndices) {
    GeometryStore store;
    EXPECT_EQ(store.FindOrAddPoint(0, 1, 2), -1);
    for (int i = 0; i < GeometryStore::kMaxLayers; ++i)
        ASSERT_EQ(store.AddLayer("L", "F", 0, 0, 0), i);
    EXPECT_EQ(store.AddLayer("L", "F", 0, 0, 0), -1);
    EXPECT_TRUE(store.DeleteLayer(5));
    EXPECT_FALSE(store.DeleteLayer(256) || store.DeleteLayer(-1));
    EXPECT_EQ(store.FindOrAddPoint(5, 1, 2), -1);
    EXPECT_EQ(store.AddVertex(5, 0, 0, 1), -1);
    EXPECT_EQ(store.AddVertex(300, 0, 0, 1), -1);
    EXPECT_FALSE(store.GrowPoints(256, 10));
    store.ComputeExtent(99);  // not a layer: no effect, no crash
    EXPECT_EQ(store.AddLayer("Again", "AGAIN", 500, 0, 0), 5);
    const GeometryLayer& l = store.Layer(5);
    EXPECT_EQ(std::make_tuple(store.currentLayer, store.layerCount, l.active, l.deleted,
                              l.pointCapacity, l.attributeTable),
              std::make_tuple(5, 256, true, false, 500, -1));
}

// Within tolerance of points 0 and 1, the lower index wins and nothing changes;
// the tolerance is loose until the first Clear, then exact.
TEST(GeometryStore, Tolerance) {
    GeometryStore store;
    int l = store.AddLayer("W", "W", 500, 0, 0);
    store.FindOrAddPoint(l, 1.0, 1.0, 5.0, 6.0);
    EXPECT_EQ(store.FindOrAddPoint(l, 1.000002, 1.0), 0);
    EXPECT_EQ(store.FindOrAddPoint(l, 1.000005, 1.0), 1);
    store.Layer(l).modified = false;
    EXPECT_EQ(store.FindOrAddPoint(l, 1.0000026, 1.0, 9.0, 9.0), 0);
    const LayerPoint& p = store.Layer(l).points[0];
    EXPECT_EQ(std::make_tuple(store.Layer(l).modified, p.z, p.m, store.Layer(l).points[1].id),
              std::make_tuple(false, 5.0, 6.0, 1));

    store.Clear();
    EXPECT_EQ(store.matchTolerance, 0.0);
    l = store.AddLayer("W", "W", 500, 0, 0);
    EXPECT_EQ(store.FindOrAddPoint(l, 10.0, 20.0), 0);
    EXPECT_EQ(store.FindOrAddPoint(l, 10.000002, 20.0), 1);
    EXPECT_EQ(store.FindOrAddPoint(l, 10.0, 20.0), 0);
    EXPECT_EQ(store.FindOrAddPoint(l, -0.0, 0.0), 2);
    EXPECT_EQ(store.FindOrAddPoint(l, 0.0, -0.0), 2);  // -0 and 0 are the same position
}

// Points and edges fill past several growths (the address checks see any write
// beyond the arrays); one spare slot is always kept and the values survive each
// move. Edges are numbered as given, or as the run they join.
TEST(GeometryStore, GrowthAndSegmentNumbering) {
    GeometryStore store;
    store.Clear();
    int l = store.AddLayer("W", "W", 500, 0, 0);
    for (int i = 0; i < 5000; ++i) {
        store.FindOrAddPoint(l, i, 0);
        ASSERT_GT(store.Layer(l).pointCapacity, store.Layer(l).pointCount) << i;
    }
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(std::make_pair(store.Layer(l).points[i].x, store.Layer(l).points[i].id),
                  std::make_pair(double(i), i));
    int empty = store.AddLayer("E", "E", 0, 0, 0);
    EXPECT_FALSE(store.Layer(empty).points);
    EXPECT_EQ(store.FindOrAddPoint(empty, 1, 2), 0);
    EXPECT_TRUE(store.GrowPoints(empty, 9000));
    EXPECT_EQ(store.Layer(empty).pointCapacity, 9000);
    EXPECT_EQ(store.Layer(empty).points[0].y, 2);

    int r = store.AddLayer("R", "R", 500, 500, 0);
    int edges[][3] = {{0, 0, 1}, {0, 1, 2}, {0, 5, 6}, {-1, 6, 7}, {7, 7, 8}, {0, 8, 9}};
    for (auto& e : edges) store.AddVertex(r, e[0], e[1], e[2]);
    int expected[] = {0, 0, 1, 2, 7, 7};
    ASSERT_EQ(store.Layer(r).vertexCount, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(store.Layer(r).vertices[i].segment, expected[i]) << i;
    int a = store.AddLayer("A", "A", 0, 0, 0);
    EXPECT_EQ(store.AddVertex(a, -3, 0, 1), 0);
    EXPECT_EQ(store.Layer(a).vertices[0].segment, 0);
    int b = store.AddLayer("B", "B", 0, 0, 0);
    for (int i = 0; i < 2500; ++i) ASSERT_EQ(store.AddVertex(b, i ? 0 : 4, i, i + 1), i);
    EXPECT_GT(store.Layer(b).vertexCapacity, 2500);
    EXPECT_EQ(store.Layer(b).vertices[2499].segment, 4);
}

// (A layer's own extent is the written header's box: ShapefileWriter.ByteForByte.)
TEST(GeometryStore, TotalExtent) {
    GeometryStore store;
    int empty = store.AddLayer("E", "E", 500, 0, 0);
    store.ComputeExtent(empty);
    store.xMin = -1;
    store.ComputeTotalExtent();  // nothing qualifies: unchanged
    EXPECT_EQ(store.xMin, -1);
    const double points[][2] = {
        {-83.5, 42.25}, {-84.0, 43.0}, {-83.0, 41.0}, {10.0, -5.0}, {100.0, 80.0}};
    for (int i = 0; i < 5; ++i) {
        int l = i < 3 ? 1 : i - 1;
        if (store.layerCount <= l) store.AddLayer("L", "L", 500, 0, 0);
        store.FindOrAddPoint(l, points[i][0], points[i][1]);
    }
    store.DeleteLayer(3);
    store.ComputeExtent(3);  // deleted: no effect
    store.ComputeTotalExtent();
    EXPECT_EQ(std::vector<double>({store.xMin, store.yMin, store.xMax, store.yMax}),
              std::vector<double>({-84.0, -5.0, 10.0, 43.0}));
}

TEST(GeometryStore, SplitDegrees) {
    // Out of the int range (not a coordinate): saturates rather than overflowing.
    const struct {
        double value;
        int32_t degrees;
        double minutes, seconds;
    } rows[] = {{-12.75, -12, 45.0, 0.0},
                {-0.5, 0, 30.0, 0.0},
                {83.1234, 83, 7.404, 24.24},
                {1e12, INT32_MAX, NAN, NAN},
                {NAN, 0, NAN, NAN}};
    for (const auto& row : rows) {
        int32_t d;
        double m, s;
        GeometryStore::SplitDegrees(row.value, d, m, s);
        EXPECT_EQ(d, row.degrees) << row.value;
        EXPECT_TRUE(std::isnan(row.minutes) || std::fabs(m - row.minutes) < 1e-9) << row.value;
        EXPECT_TRUE(std::isnan(row.seconds) || std::fabs(s - row.seconds) < 1e-7) << row.value;
    }
}

// The position index must give exactly the scan's answer, whatever the tolerance
// and however the points lie against the index's cells.
TEST(PointLookup, AgreesWithTheScan) {
    std::mt19937_64 random(7);
    for (double tolerance : {0.0, 3e-6, 1e-3, 0.5, 1e-300, 1e300}) {
        GeometryStore store;
        store.Clear();
        store.matchTolerance = tolerance;
        int l = store.AddLayer("P", "P", 500, 0, 0);
        std::vector<double> xy;
        std::uniform_real_distribution<double> wide(-180, 180);
        std::uniform_int_distribution<int> step(-3, 3);
        for (int i = 0; i < 1500; ++i) {
            // Clusters on multiples of the tolerance, nudged by single ulps, so
            // that matches straddle cell borders; plus spread-out positions.
            double bx = (i % 40) * tolerance, by = (i % 7) * tolerance;
            double x = bx, y = by;
            for (int k = step(random); k != 0; k += k > 0 ? -1 : 1)
                x = std::nextafter(x, k > 0 ? INFINITY : -INFINITY);
            y = std::nextafter(y, step(random) > 0 ? INFINITY : -INFINITY);
            if (i % 5 == 0) x = wide(random), y = wide(random);
            if (i % 11 == 0) x = bx + tolerance * (1.0 + (step(random) * 1e-16));
            xy.push_back(x);
            xy.push_back(y);
        }
        // Across the edge of the range where positions get a cell number of
        // their own (2^38 cells of 2 x 1.0009765625 x tolerance).
        double edge = std::ldexp(2.0 * tolerance * (1.0 + 1.0 / 1024.0), 38);
        for (int k = -12; k <= 12; ++k) {
            for (double sign : {1.0, -1.0}) {
                xy.push_back(sign * (edge + k * 0.5 * tolerance));
                xy.push_back(k % 3 == 0 ? edge : 1.0);
            }
        }
        for (int k = 12; k >= -12; --k) {  // outside first, then inside
            xy.push_back(edge + k * 0.5 * tolerance);
            xy.push_back(2.0);
            xy.push_back(3.0);
            xy.push_back(-edge - k * 0.5 * tolerance);
        }
        // Exact repeats and the odd values.
        for (int i = 0; i < 200; i += 2) xy.push_back(xy[i]), xy.push_back(xy[i + 1]);
        double odd[] = {-0.0,     0.0,   0.0,      -0.0, NAN,   1.0,   NAN,    1.0,
                        INFINITY, 2.0,   INFINITY, 2.0,  1e308, 1e308, -1e308, 1e308,
                        1e308,    1e308, 5e15,     5e15, 5e15,  5e15,  1e-310, 0.0};
        xy.insert(xy.end(), std::begin(odd), std::end(odd));
        AddChecked(store, l, xy);
    }
}

TEST(PointLookup, StaysRightAcrossToleranceChangesDeletionAndClear) {
    GeometryStore store;  // 3e-6 at first
    int l = store.AddLayer("P", "P", 500, 0, 0);
    std::vector<double> xy;
    for (int i = 0; i < 3000; ++i) xy.push_back(i * 2e-6), xy.push_back(0.5);
    AddChecked(store, l, xy);
    EXPECT_LT(store.Layer(l).pointCount, 3000);

    store.matchTolerance = 0.0;  // the index is rebuilt for the new tolerance
    AddChecked(store, l, xy);
    store.matchTolerance = 1e-5;
    AddChecked(store, l, xy);
    store.matchTolerance = -1.0;  // nothing can match
    int count = store.Layer(l).pointCount;
    EXPECT_EQ(store.FindOrAddPoint(l, 0.0, 0.5), count);
    store.matchTolerance = INFINITY;  // everything matches the first point
    EXPECT_EQ(store.FindOrAddPoint(l, 77.0, 12.0), 0);

    // A deleted slot taken again starts with an empty index.
    store.matchTolerance = 0.0;
    store.DeleteLayer(l);
    EXPECT_EQ(store.AddLayer("Q", "Q", 500, 0, 0), l);
    EXPECT_EQ(store.FindOrAddPoint(l, 0.0, 0.5), 0);
    EXPECT_EQ(store.FindOrAddPoint(l, 2e-6, 0.5), 1);

    store.Clear();
    l = store.AddLayer("R", "R", 500, 0, 0);
    EXPECT_EQ(store.FindOrAddPoint(l, 0.0, 0.5), 0);

    // Points appended around the store are taken into the index before a lookup.
    GeometryLayer& layer = store.Layer(l);
    layer.points[1] = LayerPoint{1, 7.0, 8.0, 0, 0};
    layer.pointCount = 2;
    EXPECT_EQ(store.FindOrAddPoint(l, 7.0, 8.0), 1);
    layer.pointCount = 1;  // and points taken away are dropped from it
    EXPECT_EQ(store.FindOrAddPoint(l, 7.0, 8.0), 1);
    EXPECT_EQ(store.Layer(l).pointCount, 2);
}

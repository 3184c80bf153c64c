// The two stores of a document. (A table's bytes as written, and a layer's extent as
// the header's box: the writers' byte tables in tests/shapefile.)

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

#include "quorvex_test.h"

#include <cmath>
#include <random>
#include <tuple>

#include "core/byte_order.h"
#include "core/text_encoding.h"

namespace {

std::string Field(AttributeStore& store, int t, int record, int field) {
    char out[256];
    store.GetText(t, record, field, out);
    return out;
}

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

TEST(AttributeStore, SlotsAndLimits) {
    AttributeStore store;
    for (int i = 0; i < 254; ++i) ASSERT_EQ(store.AddTable("T", "T"), i);
    EXPECT_EQ(store.AddTable("T", "T"), -1);
    EXPECT_EQ(store.currentTable, 253);
    // Deleting the last slot frees it; a deleted slot in the middle stays used.
    EXPECT_TRUE(store.DeleteTable(253));
    EXPECT_EQ(store.tableCount, 253);
    EXPECT_TRUE(store.DeleteTable(3));
    EXPECT_EQ(store.AddTable("T", "T"), 253);
    EXPECT_FALSE(store.DeleteTable(254));
    store.Clear();

    int t = store.AddTable("T", "T");
    for (auto [width, decimals] : {std::pair{256, 0}, {0, 0}, {-4, 0}, {10, 300}})
        EXPECT_FALSE(store.AddField(t, "Bad", 'N', width, decimals)) << width;
    EXPECT_FALSE(store.AddField(9, "X", 'C', 1, 0));
    EXPECT_EQ(store.FieldCount(t), 0);
    // A name is cut to 11 bytes with no terminator spilled into the type.
    ASSERT_TRUE(store.AddField(t, "ABCDEFGHIJKLMN", 'C', 255, 0));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&store.Table(t).fields[0]), 12),
              "ABCDEFGHIJKC");
    // 128 fields of 255 bytes reach 32641; a 129th would pass 32767.
    for (int i = 1; i < 128; ++i) ASSERT_TRUE(store.AddField(t, "W", 'C', 255, 0));
    EXPECT_FALSE(store.AddField(t, "W", 'C', 255, 0));
    EXPECT_TRUE(store.AddField(t, "W", 'C', 126, 0));  // exactly 32767
    EXPECT_EQ(store.Table(t).RecordLength(), 32767);
    EXPECT_FALSE(store.AddField(t, "W", 'C', 1, 0));

    int many = store.AddTable("M", "M");
    for (int i = 0; i < 254; ++i) ASSERT_TRUE(store.AddField(many, "F", 'C', 1, 0));
    EXPECT_FALSE(store.AddField(many, "F", 'C', 1, 0));
    EXPECT_EQ(store.FieldCount(many), 254);
    EXPECT_EQ(store.Table(many).fieldOffsets[254], 255);

    // Once records have a buffer the layout is fixed.
    int fixed = store.AddTable("F", "F");
    store.AddField(fixed, "A", 'C', 4, 0);
    store.ReserveRecords(fixed, 10);
    EXPECT_FALSE(store.AddField(fixed, "B", 'C', 20, 0));
    EXPECT_EQ(store.Table(fixed).RecordLength(), 5);
}

TEST(AttributeStore, TextFieldsAndFindRecord) {
    AttributeStore store;
    int t = store.AddTable("T", "T");
    store.AddField(t, "Code", 'C', 5, 0);
    store.AddField(t, "Other", 'C', 3, 0);
    store.ReserveRecords(t, 10);
    EXPECT_EQ(store.FindRecord(t, 0, "abc"), -1);  // no records yet
    EXPECT_TRUE(store.SetText(t, 0, 0, nullptr));
    EXPECT_EQ(Field(store, t, 0, 0), "     ");
    EXPECT_EQ(Field(store, t, 0, -1), " ");  // the deletion flag of a written record

    // Receiver text converted on arrival, then cut at the width of 5 bytes without
    // splitting a UTF-8 character.
    enum { kRaw, kWindows1252, kLatin1 };
    const struct {
        int from;
        const char* bytes;
        size_t length;
        const char* stored;
    } texts[] = {
        {kWindows1252, "ab\xe9", 3, "ab\xc3\xa9 "},          // é
        {kWindows1252, "abcd\xe9", 5, "abcd "},              // é would be split
        {kWindows1252, "\x80\x80", 2, "\xe2\x82\xac  "},     // €€ is 6 bytes
        {kWindows1252, "\x9f\x81", 2, "\xc5\xb8\xc2\x81 "},  // Ÿ, unassigned
        {kLatin1, "\x9f\xff", 2, "\xc2\x9f\xc3\xbf "},
        {kLatin1, "a\0b", 3, "a    "},          // a NUL ends the text
        {kRaw, "abcd\x80\x80", 6, "abcd\x80"},  // stray continuation bytes
    };
    for (const auto& row : texts) {
        SCOPED_TRACE(row.stored);
        std::string text = row.from == kRaw      ? std::string(row.bytes, row.length)
                           : row.from == kLatin1 ? Latin1ToUtf8(row.bytes, row.length)
                                                 : Windows1252ToUtf8(row.bytes, row.length);
        store.SetText(t, 1, 0, text.c_str());
        EXPECT_EQ(Field(store, t, 1, 0), row.stored);
        EXPECT_EQ(store.FindRecord(t, 0, text.c_str()), text.empty() ? -1 : 1);
    }

    // FindRecord: the first record whose field begins with the text, ignoring
    // case; the blanks of the padding count; a text longer than the field is
    // looked for as SetText stored it, cut, not compared with the field behind.
    for (auto [record, text] : {std::pair{1, "XYZ"}, {2, "ABCD"}, {3, "abc"}, {4, "LOOKOUTPOINT"}})
        store.SetText(t, record, 0, text);
    for (auto [text, record] : {std::pair<const char*, int>{"abc", 2},
                                {"ABC ", 3},
                                {"", -1},
                                {nullptr, -1},
                                {"Q", -1},
                                {"lookoutpointnorth", 4}})
        EXPECT_EQ(store.FindRecord(t, 0, text), record) << (text ? text : "null");
    EXPECT_EQ(store.FindRecord(t, 9, "abc"), -1);

    EXPECT_FALSE(store.SetText(t, 0, 2, "x") || store.SetText(7, 0, 0, "x"));  // no such field
    char out[8] = "junk";
    EXPECT_EQ(store.GetText(t, 10, 0, out), nullptr);  // beyond the buffer
    EXPECT_STREQ(out, "");
    EXPECT_EQ(store.GetText(9, 0, 0, out), nullptr);
}

TEST(AttributeStore, NumberFields) {
    AttributeStore store;
    int t = store.AddTable("T", "T");
    const struct {
        const char* name;
        char type;
        int width, decimals;
    } fields[] = {{"Longitude", 'N', 12, 5}, {"Label", 'C', 12, 0}, {"Double", 'F', 8, 0},
                  {"Single", 'F', 4, 0},     {"Bad", 'F', 6, 0},    {"Logical", 'L', 1, 0}};
    for (const auto& f : fields) store.AddField(t, f.name, f.type, f.width, f.decimals);
    store.ReserveRecords(t, 500);

    EXPECT_TRUE(store.SetNumber(t, 0, 1, 2.5));
    EXPECT_EQ(Field(store, t, 0, 1), "2.500000    ");
    // A value that needs more than the width is no value, not a cut-off number;
    // exactly the width still fits.
    for (double wide : {1234567890123.0, 1.0e25, double(NAN), double(-INFINITY), -99999.12345}) {
        EXPECT_TRUE(store.SetNumber(t, 1, 0, wide));
        EXPECT_EQ(Field(store, t, 1, 0), wide == -99999.12345 ? "-99999.12345" : "            ")
            << wide;
    }
    EXPECT_TRUE(store.SetNumber(t, 0, 2, -122.25));
    EXPECT_EQ(GetLEDouble(store.RecordField(t, 0, 2)), -122.25);
    EXPECT_TRUE(store.SetNumber(t, 0, 3, 1.5));
    EXPECT_EQ(GetLEFloat(store.RecordField(t, 0, 3)), 1.5f);

    store.Table(t).modified = false;
    EXPECT_FALSE(store.SetNumber(t, 3, 4, 1.0) || store.SetNumber(t, 3, 5, 1.0));
    EXPECT_EQ(store.RecordCount(t), 4);  // still counted as written
    EXPECT_TRUE(store.Table(t).modified);
    EXPECT_FALSE(store.SetNumber(5, 0, 1, 1.0));
}

TEST(AttributeStore, RecordGrowth) {
    AttributeStore store;
    int t = store.AddTable("Waypoints", "WPTS");
    for (const char* name : {"Ident", "Longitude", "Latitude"}) store.AddField(t, name, 'C', 12, 0);
    EXPECT_TRUE(store.ReserveRecords(t, 500));
    EXPECT_FALSE(store.ReserveRecords(t, 500));  // not larger
    for (int r = 0; r < 1000; ++r) ASSERT_TRUE(store.SetText(t, r, 0, "P"));
    EXPECT_EQ(std::make_tuple(store.Table(t).recordCapacity, store.Table(t).bufferSize,
                              store.RecordCount(t), GetLE32(store.Table(t).dbfHeader + 4)),
              std::make_tuple(1500, 1500 * 37, 1000, 1000u));
    EXPECT_EQ(Field(store, t, 999, 0), "P           ");

    // A record far beyond the capacity is refused rather than written outside.
    EXPECT_FALSE(store.EnsureRecord(t, 2500));
    EXPECT_FALSE(store.SetText(t, 2500, 0, "far"));
    EXPECT_EQ(store.RecordCount(t), 1000);
    // Just below capacity + 1000 grows by exactly 1000; skipped records are blank,
    // deletion flag included (a NUL there reads as a deleted record).
    EXPECT_TRUE(store.SetText(t, 2499, 0, "last"));
    EXPECT_EQ(store.Table(t).recordCapacity, 2500);
    EXPECT_EQ(store.RecordCount(t), 2500);
    EXPECT_EQ(Field(store, t, 2000, -1) + Field(store, t, 2000, 0), std::string(13, ' '));
    EXPECT_EQ(*store.RecordField(t, 2499, -1), ' ');
    EXPECT_FALSE(store.EnsureRecord(t, -1));

    // Line tables reserve nothing: the first record makes room for 1000.
    int lines = store.AddTable("Routes", "RTE");
    store.AddField(lines, "Ident", 'C', 40, 0);
    EXPECT_TRUE(store.SetText(lines, 0, 0, "R1"));
    EXPECT_EQ(store.Table(lines).recordCapacity, 1000);

    // A table without fields gets no buffer.
    int bare = store.AddTable("Bare", "BARE");
    EXPECT_FALSE(store.ReserveRecords(bare, 10));
    EXPECT_FALSE(store.SetText(bare, 0, 0, "x"));
    EXPECT_EQ(store.RecordField(bare, 0, -1), nullptr);
}

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

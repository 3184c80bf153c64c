#include "shapefile/shapefile_writer.h"

#include "quorvex_test.h"

#include <cstdint>
#include <tuple>

#include "core/byte_order.h"
#include "read_back.h"

using nlohmann::json;

namespace {

void Append(Bytes& b, std::initializer_list<unsigned char> more) {
    b.insert(b.end(), more);
}

// A double whose low six bytes are zero, given by its two high bytes (1.0 is
// 3FF0 0000 0000 0000, stored little-endian as 00 00 00 00 00 00 F0 3F).
void AppendDouble(Bytes& b, unsigned char high6, unsigned char high7) {
    Append(b, {0, 0, 0, 0, 0, 0, high6, high7});
}

// Builds a layer in a store, with the given points and edges, and its extent.
struct LayerFixture {
    GeometryStore store;
    int layer;
    explicit LayerFixture(const char* fileName, int vertexCapacity = 0) {
        store.Clear();
        layer = store.AddLayer("Test", fileName, 500, vertexCapacity, 0);
    }
    GeometryLayer& Layer() { return store.Layer(layer); }
    int Point(double x, double y, double z = 0, double m = 0) {
        return store.FindOrAddPoint(layer, x, y, z, m);
    }
};

// One writer variant: `second` picks the multipoint writer over the point writer,
// or the polygon writer over the line writer; `type` is the shape type expected.
struct Variant {
    const char* name;
    bool second, hasM, hasZ;
    int type;
};

// Each member of `expected` as pyshp read it.
void ExpectMembers(const json& got, const json& expected) {
    for (const auto& [key, value] : expected.items()) EXPECT_EQ(got[key], value) << key;
}

// The points of a line or polygon as [x, y] pairs, for comparing with pyshp.
json Xy(std::initializer_list<std::pair<double, double>> points) {
    json list = json::array();
    for (auto& p : points) list.push_back({p.first, p.second});
    return list;
}

}  // namespace

// Three 2-D points: 100 + 3 x 28 = 184 bytes of .SHP, 100 + 3 x 8 = 124 of .SHX.
TEST(ShapefileWriter, ThreePointsByteForByte) {
    TempDir dir;
    LayerFixture f("PTS");
    f.Point(1.0, 2.0);
    f.Point(-1.5, 0.5);
    f.Point(4.0, 1.0);
    f.store.ComputeExtent(f.layer);
    ShapefileWriter writer;
    ASSERT_TRUE(writer.WriteLayer(dir.path(), f.Layer()));

    auto header = [](unsigned char lengthWords) {
        Bytes b = {0x00, 0x00, 0x27, 0x0A};  // 9994, big-endian
        b.insert(b.end(), 20, 0);
        Append(b, {0, 0, 0, lengthWords});  // file length in words, big-endian
        Append(b, {0xE8, 0x03, 0, 0});      // version 1000
        Append(b, {1, 0, 0, 0});            // Point
        AppendDouble(b, 0xF8, 0xBF);        // Xmin -1.5
        AppendDouble(b, 0xE0, 0x3F);        // Ymin 0.5
        AppendDouble(b, 0x10, 0x40);        // Xmax 4
        AppendDouble(b, 0x00, 0x40);        // Ymax 2
        b.insert(b.end(), 32, 0);           // Z and M ranges
        return b;
    };
    Bytes shp = header(92);
    auto record = [&](unsigned char number, std::pair<unsigned char, unsigned char> x,
                      std::pair<unsigned char, unsigned char> y) {
        Append(shp, {0, 0, 0, number, 0, 0, 0, 10, 1, 0, 0, 0});
        AppendDouble(shp, x.first, x.second);
        AppendDouble(shp, y.first, y.second);
    };
    record(1, {0xF0, 0x3F}, {0x00, 0x40});
    record(2, {0xF8, 0xBF}, {0xE0, 0x3F});
    record(3, {0x10, 0x40}, {0xF0, 0x3F});
    ASSERT_EQ(shp.size(), 184u);
    EXPECT_EQ(ReadBytes(dir.File("PTS.SHP")), shp);

    Bytes shx = header(62);
    Append(shx, {0, 0, 0, 50, 0, 0, 0, 10, 0, 0, 0, 64, 0, 0, 0, 10, 0, 0, 0, 78, 0, 0, 0, 10});
    ASSERT_EQ(shx.size(), 124u);
    EXPECT_EQ(ReadBytes(dir.File("PTS.SHX")), shx);
}

TEST(ShapefileWriter, HeaderTakesTheStoredExtentAndZmRanges) {
    TempDir dir;
    ShapefileWriter writer;
    // No points, or a line layer without edges: two header-only files with the
    // layer's stored box.
    for (auto [name, vertices, type] : {std::tuple{"EMPTY", 0, 1u}, {"NOEDGES", 500, 3u}}) {
        SCOPED_TRACE(name);
        LayerFixture f(name, vertices);
        if (vertices) f.Point(1, 1);
        f.Layer().xMin = -3;
        f.Layer().yMax = 7;
        ASSERT_TRUE(writer.WriteLayer(dir.path(), f.Layer()));
        Bytes shp = ReadBytes(dir.File(name + std::string(".SHP")));
        ASSERT_EQ(shp.size(), 100u);
        EXPECT_EQ(GetBE32(&shp[24]), 50u);
        EXPECT_EQ(GetLE32(&shp[32]), type);
        EXPECT_EQ(GetLEDouble(&shp[36]), -3.0);
        EXPECT_EQ(GetLEDouble(&shp[60]), 7.0);
        EXPECT_EQ(ReadBytes(dir.File(name + std::string(".SHX"))), shp);
    }
    {
        // Points added after the last ComputeExtent do not widen the box; Z
        // without M gives PointZ records that still carry M, and an M range of 0.
        LayerFixture f("Z");
        f.Point(1, 1, 10, 5);
        f.store.ComputeExtent(f.layer);
        f.Point(9, 9, -20, 8);
        f.Layer().hasZ = true;
        ASSERT_TRUE(writer.WriteLayer(dir.path(), f.Layer()));
        Bytes shp = ReadBytes(dir.File("Z.SHP"));
        ASSERT_EQ(shp.size(), 100u + 2 * (8 + 36));
        EXPECT_EQ(GetLE32(&shp[32]), 11u);
        EXPECT_EQ(GetLEDouble(&shp[52]), 1.0);  // Xmax as stored, not 9
        EXPECT_EQ(GetLEDouble(&shp[68]), -20.0);
        EXPECT_EQ(GetLEDouble(&shp[76]), 10.0);
        EXPECT_EQ(GetLEDouble(&shp[84]), 0.0);
        EXPECT_EQ(GetLEDouble(&shp[92]), 0.0);
        EXPECT_EQ(GetBE32(&shp[104]), 18u);               // content length in words
        EXPECT_EQ(GetLEDouble(&shp[100 + 8 + 28]), 5.0);  // M of the first record
    }
}

// Every point writer variant, read back by pyshp.
TEST(ShapefileWriter, PointAndMultiPointVariantsReadBack) {
    TempDir dir;
    const Variant cases[] = {{"P", false, false, false, 1},  {"PM", false, true, false, 21},
                             {"PZ", false, false, true, 11}, {"PZM", false, true, true, 11},
                             {"MP", true, false, false, 8},  {"MPM", true, true, false, 28},
                             {"MPZ", true, false, true, 18}, {"MPZM", true, true, true, 18}};
    ShapefileWriter writer;
    for (const Variant& c : cases) {
        SCOPED_TRACE(c.name);
        LayerFixture f(c.name);
        f.Point(-83.5, 42.25, 100.5, 1.0);
        f.Point(-84.0, 43.0, -2.0, 2.0);
        f.Point(-83.0, 41.0, 7.0, 3.0);
        f.Point(-82.0, 44.0, 8.0, 4.0);
        GeometryLayer& l = f.Layer();
        // Points 1 and 2 share an id: one multipoint of two points.
        l.points[2].id = l.points[1].id;
        l.multiPoint = c.second;
        l.hasM = c.hasM;
        l.hasZ = c.hasZ;
        f.store.ComputeExtent(f.layer);
        ASSERT_TRUE(writer.WriteLayer(dir.path(), l));

        json got = ReadBack(dir.File(c.name));
        ASSERT_FALSE(got.is_null());
        json header = {{"shapeType", c.type}, {"bbox", {-84.0, 41.0, -82.0, 44.0}}};
        if (c.hasZ) header["zbox"] = {-2.0, 100.5};
        if (c.hasZ || c.hasM) header["mbox"] = c.hasM ? json({1.0, 4.0}) : json({0.0, 0.0});
        ExpectMembers(got["shp"], header);
        // The last point, or the multipoint of two.
        json shape = c.second ? json{{"points", Xy({{-84.0, 43.0}, {-83.0, 41.0}})},
                                     {"bbox", {-84.0, 41.0, -83.0, 43.0}}}
                              : json{{"points", Xy({{-82.0, 44.0}})}};
        if (c.hasZ) shape["z"] = c.second ? json({-2.0, 7.0}) : json({8.0});
        if (c.hasM) shape["m"] = c.second ? json({2.0, 3.0}) : json({4.0});
        ASSERT_EQ(got["shp"]["shapes"].size(), c.second ? 3u : 4u);
        EXPECT_EQ(got["shx"]["offsets"].size(), c.second ? 3u : 4u);
        ExpectMembers(got["shp"]["shapes"][c.second ? 1 : 3], shape);
        if (!c.second) continue;
        const int n = 2, words = (c.hasZ && c.hasM)   ? (72 + 32 * n) / 2
                                 : (c.hasZ || c.hasM) ? (56 + 24 * n) / 2
                                                      : (40 + 16 * n) / 2;
        Bytes shx = ReadBytes(dir.File(std::string(c.name) + ".SHX"));
        EXPECT_EQ(GetBE32(&shx[100 + 8 + 4]), static_cast<uint32_t>(words));
    }
}

TEST(ShapefileWriter, LineRecordsAndParts) {
    TempDir dir;
    ShapefileWriter writer;
    LayerFixture f("LINES", 500);
    for (int i = 0; i < 10; ++i) f.Point(i, i * 0.5);
    auto edge = [&](int segment, int from, int to) {
        f.Layer().vertices[f.Layer().vertexCount++] = SegmentVertex{segment, from, to};
    };
    edge(0, 0, 1);  // record 1: one part of four points
    edge(0, 1, 2);
    edge(0, 2, 3);
    edge(3, 0, 1);  // record 2: parts at 0 and 3
    edge(3, 1, 2);
    edge(3, 5, 6);
    edge(1, 7, 8);  // records 3, 4, 5: segment numbers 1, 1, 0, 0, 1
    edge(1, 8, 9);
    edge(0, 9, 4);
    edge(0, 4, 4);
    edge(1, 3, 3);
    ASSERT_TRUE(writer.WriteLayer(dir.path(), f.Layer()));

    json got = ReadBack(dir.File("LINES"));
    ASSERT_FALSE(got.is_null());
    const json& shapes = got["shp"]["shapes"];
    EXPECT_EQ(got["shp"]["shapeType"], 3);
    ASSERT_EQ(shapes.size(), 5u);
    EXPECT_EQ(shapes[0]["parts"], json({0}));
    EXPECT_EQ(shapes[0]["points"], Xy({{0, 0}, {1, 0.5}, {2, 1}, {3, 1.5}}));
    EXPECT_EQ(shapes[0]["bbox"], json({0.0, 0.0, 3.0, 1.5}));
    EXPECT_EQ(shapes[1]["parts"], json({0, 3}));
    EXPECT_EQ(shapes[1]["points"], Xy({{0, 0}, {1, 0.5}, {2, 1}, {5, 2.5}, {6, 3}}));
    EXPECT_EQ(shapes[2]["points"], Xy({{7, 3.5}, {8, 4}, {9, 4.5}}));
    EXPECT_EQ(shapes[3]["points"], Xy({{9, 4.5}, {4, 2}, {4, 2}}));  // revisits stay
    EXPECT_EQ(shapes[4]["points"], Xy({{3, 1.5}, {3, 1.5}}));

    Bytes shx = ReadBytes(dir.File("LINES.SHX"));
    EXPECT_EQ(GetBE32(&shx[100 + 4]), 56u);  // (44 + 4 + 64) / 2
    EXPECT_EQ(GetBE32(&shx[24]), 50u + 4 * 5);

    // Edges numbered with their table record: shape n goes with record n wherever
    // its edges lie; a record without edges (a one-node route, whose point lies in
    // no shape and so not in the header's box) is a Null shape.
    LayerFixture routes("ROUTES", 500);
    for (int i = 0; i < 6; ++i) routes.Point(i, i);
    routes.Point(50, 50);
    for (auto e : {SegmentVertex{2, 0, 1}, {4, 3, 4}, {2, 1, 2}, {4, 4, 5}})
        routes.store.AddVertex(routes.layer, e.segment, e.fromPoint, e.toPoint);
    routes.store.ComputeExtent(routes.layer);
    ASSERT_TRUE(writer.WriteLayer(dir.path(), routes.Layer(), 5));
    got = ReadBack(dir.File("ROUTES"));
    ASSERT_FALSE(got.is_null());
    const json& numbered = got["shp"]["shapes"];
    ASSERT_EQ(numbered.size(), 5u);
    for (int r : {0, 2, 4}) EXPECT_EQ(numbered[r]["shapeType"], 0) << r;
    EXPECT_EQ(numbered[0]["points"], json::array());
    EXPECT_EQ(numbered[1]["points"], Xy({{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(numbered[3]["points"], Xy({{3, 3}, {4, 4}, {5, 5}}));
    EXPECT_EQ(got["shp"]["bbox"], json({0.0, 0.0, 5.0, 5.0}));
    EXPECT_EQ(got["shx"]["offsets"], json({100, 112, 216, 228, 332}));
}

TEST(ShapefileWriter, LineAndPolygonVariantsReadBack) {
    TempDir dir;
    ShapefileWriter writer;
    const Variant cases[] = {{"L", false, false, false, 3},  {"LM", false, true, false, 23},
                             {"LZ", false, false, true, 13}, {"LZM", false, true, true, 13},
                             {"G", true, false, false, 5},   {"GM", true, true, false, 25},
                             {"GZ", true, false, true, 15},  {"GZM", true, true, true, 15}};
    for (const Variant& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryStore store;
        store.Clear();
        int l = store.AddLayer("Test", c.name, 500, 500, c.second ? 10 : 0);
        // A square ring 0-1-2-3-0 and a triangle 4-5-6-4.
        double xy[][2] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {20, 20}, {21, 22}, {22, 20}};
        for (int i = 0; i < 7; ++i) store.FindOrAddPoint(l, xy[i][0], xy[i][1], i * 1.5, 100 + i);
        int ring[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 4}};
        for (int i = 0; i < 7; ++i) store.AddVertex(l, i < 4 ? 1 : 2, ring[i][0], ring[i][1]);
        GeometryLayer& layer = store.Layer(l);
        if (c.second) {
            // Polygon 0 takes the square; polygon 1 the triangle, through the refs.
            for (int i = 0; i < 7; ++i) layer.polygonEdges[i] = PolygonEdgeRef{i < 4 ? 0 : 1, i};
            layer.polygonCount = 7;
        }
        layer.hasM = c.hasM;
        layer.hasZ = c.hasZ;
        store.ComputeExtent(l);
        ASSERT_TRUE(writer.WriteLayer(dir.path(), layer));

        json got = ReadBack(dir.File(c.name));
        ASSERT_FALSE(got.is_null());
        json header = {{"shapeType", c.type}, {"bbox", {0.0, 0.0, 22.0, 22.0}}};
        if (c.hasZ) header["zbox"] = {0.0, 9.0};
        if (c.hasM) header["mbox"] = {100.0, 106.0};
        ExpectMembers(got["shp"], header);
        const json& shapes = got["shp"]["shapes"];
        ASSERT_EQ(shapes.size(), 2u);
        EXPECT_EQ(shapes[0]["points"], Xy({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}));
        json triangle = {{"points", Xy({{20, 20}, {21, 22}, {22, 20}, {20, 20}})},
                         {"bbox", {20.0, 20.0, 22.0, 22.0}},
                         {"parts", json::array({0})}};
        if (c.hasZ) triangle["z"] = {6.0, 7.5, 9.0, 6.0};
        if (c.hasM) triangle["m"] = {104.0, 105.0, 106.0, 104.0};
        ExpectMembers(shapes[1], triangle);
        if (c.type != 5) continue;
        // shapelib's own reader, which also validates the rings.
        CommandResult dump = RunCommand("shpdump '" + dir.File("G.SHP") + "'");
        EXPECT_TRUE(Contains(dump.output, "Shapefile Type: Polygon   # of Shapes: 2"));
        EXPECT_TRUE(Contains(dump.output, "(Polygon)  nVertices=4, nParts=1"));
    }
}

// A line of any length is one record.
TEST(ShapefileWriter, LongLinesAreOneRecord) {
    TempDir dir;
    ShapefileWriter writer;
    GeometryStore store;
    int l = store.AddLayer("Track", "TRK", 500, 500, 0);
    const int n = 100000;
    for (int i = 0; i < n; ++i) store.FindOrAddPoint(l, i * 1e-3, 0);
    // One break in the middle: a second part of the same record.
    for (int i = 0; i + 1 < n; ++i)
        if (i != n / 2) store.AddVertex(l, 1, i, i + 1);
    ASSERT_TRUE(writer.WriteLayer(dir.path(), store.Layer(l), 1));
    json got = ReadBack(dir.File("TRK"));
    ASSERT_FALSE(got.is_null());
    ASSERT_EQ(got["shp"]["shapes"].size(), 1u);
    const json& line = got["shp"]["shapes"][0];
    EXPECT_EQ(line["parts"], json({0, n / 2 + 1}));
    ASSERT_EQ(line["points"].size(), static_cast<size_t>(n));
    for (int i : {0, 4095, 32768, n - 1}) EXPECT_EQ(line["points"][i], json({i * 1e-3, 0.0}));
    // (A layer too large for the format: LayerExport.TooLargeALayerFailsOnlyItself.)
}

TEST(ShapefileWriter, EdgesToMissingPointsAreRefused) {
    TempDir dir;
    ShapefileWriter writer;
    LayerFixture f("BAD", 500);
    f.Point(0, 0);
    f.Point(1, 1);
    f.store.AddVertex(f.layer, 0, 0, 1);
    f.store.AddVertex(f.layer, 0, 1, 7);
    EXPECT_FALSE(writer.WriteLayer(dir.path(), f.Layer()));
    EXPECT_EQ(writer.LastFailure(), ShapefileWriter::Failure::kBadGeometry);
    EXPECT_FALSE(FileExists(dir.File("BAD.SHP")));

    GeometryStore store;
    int l = store.AddLayer("G", "GBAD", 10, 10, 10);
    store.FindOrAddPoint(l, 0, 0);
    store.FindOrAddPoint(l, 1, 1);
    store.AddVertex(l, 0, 0, 1);
    store.Layer(l).polygonEdges[0] = PolygonEdgeRef{0, 5};
    store.Layer(l).polygonCount = 1;
    EXPECT_FALSE(writer.WriteLayer(dir.path(), store.Layer(l)));
    EXPECT_EQ(writer.LastFailure(), ShapefileWriter::Failure::kBadGeometry);

    int bare = store.AddLayer("N", "NONE", 0, 0, 0);
    EXPECT_FALSE(writer.WriteLayer(dir.path(), store.Layer(bare)));
    EXPECT_EQ(writer.LastFailure(), ShapefileWriter::Failure::kNothingToWrite);
    EXPECT_FALSE(FileExists(dir.File("NONE.SHP")));
}

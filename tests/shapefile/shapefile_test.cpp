// The shapefile set: the .SHP/.SHX and .DBF writers byte for byte and through independent
// readers, and the save step that writes a document's layers and tables.

#include "shapefile/layer_export.h"
#include "shapefile/shapefile_writer.h"

#include <unistd.h>

#include "quorvex_test.h"

#include <ctime>
#include <filesystem>

#include "core/byte_order.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

// Bytes (of a text, or of a file as ReadTextFile gives them) as lower-case hex.
std::string Hex(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (unsigned char b : bytes) std::snprintf(two, sizeof two, "%02x", b), hex += two;
    return hex;
}

// A main-file header: file code 9994, five unused words, the file length in
// 16-bit words, version 1000, the shape type; `ranges` is the box and the Z
// and M ranges, eight little-endian doubles.
std::string Header(const char* words, const char* type, const std::string& ranges) {
    return "0000270a" + std::string(40, '0') + words + "e8030000" + type + ranges;
}
std::string Zeros(int doubles) {
    return std::string(16 * doubles, '0');
}
// Doubles as little-endian hex.
const std::string kMinus3 = "00000000000008c0", kMinus20 = "00000000000034c0",
                  k1 = "000000000000f03f", k7 = "0000000000001c40", k9 = "0000000000002240",
                  k10 = "0000000000002440";

// A layer in a store of its own.
struct LayerFixture {
    GeometryStore store;
    int layer;
    explicit LayerFixture(const char* fileName, int vertexCapacity = 0, int polygons = 0,
                          int points = 500) {
        store.Clear();
        layer = store.AddLayer("Test", fileName, points, vertexCapacity, polygons);
    }
    GeometryLayer& Layer() { return store.Layer(layer); }
    int Point(double x, double y, double z = 0, double m = 0) {
        return store.FindOrAddPoint(layer, x, y, z, m);
    }
};

// The points of a line or polygon as [x, y] pairs, for comparing with pyshp.
json Xy(std::initializer_list<std::pair<double, double>> points) {
    json list = json::array();
    for (auto& p : points) list.push_back({p.first, p.second});
    return list;
}

// A .DBF field descriptor: the name NUL-padded to 11 bytes, the type, 4 unused
// bytes, width and decimals, 14 unused bytes.
std::string Descriptor(const std::string& name, char type, int width, int decimals) {
    char hex[80];
    std::snprintf(hex, sizeof hex, "%02x00000000%02x%02x%028d", type, width, decimals, 0);
    return Hex(name) + std::string(22 - 2 * name.size(), '0') + hex;
}

// The date bytes of a .DBF written now: year - 1900, month, day.
std::string Today() {
    std::time_t now = std::time(nullptr);
    std::tm day{};
    localtime_r(&now, &day);
    char hex[7];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x", day.tm_year & 0xFF, day.tm_mon + 1, day.tm_mday);
    return hex;
}

// A document's two stores, filled the way the transfers fill them.
struct Document {
    GeometryStore geometry;
    AttributeStore attributes;

    Document() {
        geometry.Clear();
        attributes.Clear();
    }

    // A waypoint layer with one record per point.
    int Waypoints(const char* name, const char* fileName, int count, double x0 = 0) {
        int l = geometry.AddLayer(name, fileName, 500, 0, 0);
        int t = attributes.AddTable(name, fileName);
        geometry.Layer(l).attributeTable = t;
        attributes.AddField(t, "Ident", 'C', 12, 0);
        attributes.AddField(t, "Longitude", 'N', 12, 5);
        attributes.ReserveRecords(t, 500);
        for (int i = 0; i < count; ++i) {
            int p = geometry.FindOrAddPoint(l, x0 + i, i * 0.5);
            attributes.SetText(t, p, 0, ("WP" + std::to_string(i)).c_str());
            attributes.SetNumber(t, p, 1, x0 + i);
        }
        geometry.ComputeExtent(l);
        return l;
    }

    // A route layer of one line through `points` points, with one record: its
    // edges carry the record's number, 1.
    int Route(const char* fileName, int points) {
        int l = geometry.AddLayer("Route", fileName, 500, 500, 0);
        int t = attributes.AddTable("Route", fileName);
        geometry.Layer(l).attributeTable = t;
        attributes.AddField(t, "Ident", 'C', 40, 0);
        for (int i = 0; i < points; ++i)
            if (geometry.FindOrAddPoint(l, i * 0.001, 1.0) > 0) geometry.AddVertex(l, 1, i - 1, i);
        attributes.SetText(t, 0, 0, "R1");
        geometry.ComputeExtent(l);
        return l;
    }

    int TableOf(int layer) { return geometry.Layer(layer).attributeTable; }
};

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// The header's box is the layer's stored extent (points added after the last
// ComputeExtent do not widen it); its Z range covers every point, and a layer
// with Z but without M writes records that still carry M, with an M range of 0.
TEST(ShapefileWriter, ByteForByte) {
    TempDir dir;
    ShapefileWriter writer;
    LayerFixture pts("PTS");
    for (auto [x, y] : {std::pair{1.0, 2.0}, {-1.5, 0.5}, {4.0, 1.0}}) pts.Point(x, y);
    pts.store.ComputeExtent(pts.layer);
    ASSERT_TRUE(writer.WriteLayer(dir.path(), pts.Layer()));
    // No points, or a line layer without edges: header-only files.
    for (auto [name, vertices] : {std::pair{"EMPTY", 0}, {"NOEDGES", 500}}) {
        LayerFixture f(name, vertices);
        if (vertices) f.Point(1, 1);
        f.Layer().xMin = -3;
        f.Layer().yMax = 7;
        ASSERT_TRUE(writer.WriteLayer(dir.path(), f.Layer()));
    }
    LayerFixture z("Z");
    z.Point(1, 1, 10, 5);
    z.store.ComputeExtent(z.layer);
    z.Point(9, 9, -20, 8);
    z.Layer().hasZ = true;
    ASSERT_TRUE(writer.WriteLayer(dir.path(), z.Layer()));

    const std::string box = kMinus3 + Zeros(2) + k7 + Zeros(4);
    const struct {
        const char* name;
        std::string shp, shx;
    } files[] = {
        // 100 + 3 x 28 = 184 bytes of .SHP, 100 + 3 x 8 = 124 of .SHX; the box
        // is (-1.5, 0.5)-(4, 2).
        {"PTS",
         Header("0000005c", "01000000",
                "000000000000f8bf000000000000e03f00000000000010400000000000000040" + Zeros(4)) +
             "000000010000000a01000000000000000000f03f0000000000000040"
             "000000020000000a01000000000000000000f8bf000000000000e03f"
             "000000030000000a010000000000000000001040000000000000f03f",
         Header("0000003e", "01000000",
                "000000000000f8bf000000000000e03f00000000000010400000000000000040" + Zeros(4)) +
             "000000320000000a000000400000000a0000004e0000000a"},
        {"EMPTY", Header("00000032", "01000000", box), Header("00000032", "01000000", box)},
        {"NOEDGES", Header("00000032", "03000000", box), Header("00000032", "03000000", box)},
        // Two PointZ records of 36 bytes: x, y, z, m.
        {"Z",
         Header("0000005e", "0b000000", k1 + k1 + k1 + k1 + kMinus20 + k10 + Zeros(2)) +
             "00000001000000120b000000" + k1 + k1 + k10 + "0000000000001440" +
             "00000002000000120b000000" + k9 + k9 + kMinus20 + "0000000000002040",
         Header("0000003a", "0b000000", k1 + k1 + k1 + k1 + kMinus20 + k10 + Zeros(2)) +
             "00000032000000120000004800000012"},
    };
    for (const auto& f : files) {
        EXPECT_EQ(Hex(ReadTextFile(dir.File(f.name + std::string(".SHP")))), f.shp) << f.name;
        EXPECT_EQ(Hex(ReadTextFile(dir.File(f.name + std::string(".SHX")))), f.shx) << f.name;
    }
}

// Every writer variant, read back by pyshp: seven points with z = 1.5 i and
// m = 100 + i, as points (the last two sharing an id: one multipoint of two), or
// joined as a square ring and a triangle (two polygons through the edge
// references).
TEST(ShapefileWriter, VariantsReadBack) {
    TempDir dir;
    ShapefileWriter writer;
    const struct {
        const char* name;
        bool lines, second, hasM, hasZ;
        int type;
    } cases[] = {{"P", 0, 0, 0, 0, 1},    {"PM", 0, 0, 1, 0, 21},   {"PZ", 0, 0, 0, 1, 11},
                 {"PZM", 0, 0, 1, 1, 11}, {"MP", 0, 1, 0, 0, 8},    {"MPM", 0, 1, 1, 0, 28},
                 {"MPZ", 0, 1, 0, 1, 18}, {"MPZM", 0, 1, 1, 1, 18}, {"L", 1, 0, 0, 0, 3},
                 {"LM", 1, 0, 1, 0, 23},  {"LZ", 1, 0, 0, 1, 13},   {"LZM", 1, 0, 1, 1, 13},
                 {"G", 1, 1, 0, 0, 5},    {"GM", 1, 1, 1, 0, 25},   {"GZ", 1, 1, 0, 1, 15},
                 {"GZM", 1, 1, 1, 1, 15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LayerFixture f(c.name, c.lines ? 500 : 0, c.lines && c.second ? 10 : 0);
        GeometryLayer& l = f.Layer();
        double xy[][2] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {20, 20}, {21, 22}, {22, 20}};
        for (int i = 0; i < 7; ++i) f.Point(xy[i][0], xy[i][1], i * 1.5, 100 + i);
        int ring[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 4}};
        for (int i = 0; c.lines && i < 7; ++i) {
            f.store.AddVertex(f.layer, i < 4 ? 1 : 2, ring[i][0], ring[i][1]);
            if (c.second) l.polygonEdges[l.polygonCount++] = PolygonEdgeRef{i < 4 ? 0 : 1, i};
        }
        if (!c.lines) l.points[6].id = l.points[5].id;
        l.multiPoint = !c.lines && c.second;
        l.hasM = c.hasM;
        l.hasZ = c.hasZ;
        f.store.ComputeExtent(f.layer);
        ASSERT_TRUE(writer.WriteLayer(dir.path(), l));

        json got = ReadBack(dir.File(c.name));
        ASSERT_FALSE(got.is_null());
        json header = {{"shapeType", c.type}, {"bbox", {0.0, 0.0, 22.0, 22.0}}};
        if (c.hasZ) header["zbox"] = {0.0, 9.0};
        if (c.hasZ || c.hasM) header["mbox"] = c.hasM ? json({100.0, 106.0}) : json({0.0, 0.0});
        for (const auto& [key, value] : header.items()) EXPECT_EQ(got["shp"][key], value) << key;
        // The last shape: the triangle, the multipoint of two, or the last point.
        json last = c.lines    ? json{{"points", Xy({{20, 20}, {21, 22}, {22, 20}, {20, 20}})},
                                   {"bbox", {20.0, 20.0, 22.0, 22.0}},
                                   {"parts", {0}},
                                   {"z", {6.0, 7.5, 9.0, 6.0}},
                                   {"m", {104.0, 105.0, 106.0, 104.0}}}
                    : c.second ? json{{"points", Xy({{21, 22}, {22, 20}})},
                                      {"bbox", {21.0, 20.0, 22.0, 22.0}},
                                      {"z", {7.5, 9.0}},
                                      {"m", {105.0, 106.0}}}
                               : json{{"points", Xy({{22, 20}})}, {"z", {9.0}}, {"m", {106.0}}};
        if (!c.hasZ) last.erase("z");
        if (!c.hasM) last.erase("m");
        const size_t shapes = c.lines ? 2 : c.second ? 6 : 7;
        ASSERT_EQ(got["shp"]["shapes"].size(), shapes);
        EXPECT_EQ(got["shx"]["offsets"].size(), shapes);
        for (const auto& [key, value] : last.items())
            EXPECT_EQ(got["shp"]["shapes"][shapes - 1][key], value) << key;
        if (c.lines) {
            EXPECT_EQ(got["shp"]["shapes"][0]["points"],
                      Xy({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}));
        } else if (c.second) {
            // The multipoint's content length in the index: 2 points, with Z and M.
            const int words = c.hasZ && c.hasM ? 68 : c.hasZ || c.hasM ? 52 : 36;
            EXPECT_EQ(GetBE32(&ReadBytes(dir.File(std::string(c.name) + ".SHX"))[144]),
                      static_cast<uint32_t>(words));
        }
    }
    // shapelib's own reader, which also validates the rings.
    CommandResult dump = RunCommand("shpdump '" + dir.File("G.SHP") + "'");
    EXPECT_TRUE(Contains(dump.output, "Shapefile Type: Polygon   # of Shapes: 2"));
    EXPECT_TRUE(Contains(dump.output, "(Polygon)  nVertices=4, nParts=1"));
}

TEST(ShapefileWriter, LineRecordsAndParts) {
    TempDir dir;
    ShapefileWriter writer;
    // Each shape as pyshp read it: [type, parts, points].
    auto shapes = [&](const char* base) {
        json got = ReadBack(dir.File(base)), list = json::array();
        for (const json& s : got["shp"]["shapes"])
            list.push_back({s["shapeType"], s.value("parts", json::array()), s["points"]});
        return std::make_pair(list, got);
    };
    // Runs of edges with one segment number: record 1 one part of four points,
    // record 2 parts at 0 and 3, records 3, 4, 5 with segment numbers 1, 1, 0, 0, 1.
    LayerFixture f("LINES", 500);
    for (int i = 0; i < 10; ++i) f.Point(i, i * 0.5);
    const int edges[][3] = {{0, 0, 1}, {0, 1, 2}, {0, 2, 3}, {3, 0, 1}, {3, 1, 2}, {3, 5, 6},
                            {1, 7, 8}, {1, 8, 9}, {0, 9, 4}, {0, 4, 4}, {1, 3, 3}};
    for (auto& e : edges) f.Layer().vertices[f.Layer().vertexCount++] = {e[0], e[1], e[2]};
    ASSERT_TRUE(writer.WriteLayer(dir.path(), f.Layer()));
    auto [lines, got] = shapes("LINES");
    EXPECT_EQ(lines, json::parse(R"([[3, [0], [[0, 0], [1, 0.5], [2, 1], [3, 1.5]]],
        [3, [0, 3], [[0, 0], [1, 0.5], [2, 1], [5, 2.5], [6, 3]]],
        [3, [0], [[7, 3.5], [8, 4], [9, 4.5]]], [3, [0], [[9, 4.5], [4, 2], [4, 2]]],
        [3, [0], [[3, 1.5], [3, 1.5]]]])"));  // revisits stay
    EXPECT_EQ(got["shp"]["shapes"][0]["bbox"], json({0.0, 0.0, 3.0, 1.5}));
    EXPECT_EQ(got["shx"]["offsets"], json({100, 220, 360, 464, 568}));

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
    auto [numbered, read] = shapes("ROUTES");
    EXPECT_EQ(numbered,
              json::parse(R"([[0, [], []], [3, [0], [[0, 0], [1, 1], [2, 2]]], [0, [], []],
        [3, [0], [[3, 3], [4, 4], [5, 5]]], [0, [], []]])"));
    EXPECT_EQ(read["shp"]["bbox"], json({0.0, 0.0, 5.0, 5.0}));
    EXPECT_EQ(read["shx"]["offsets"], json({100, 112, 216, 228, 332}));

    // A line of any length is one record; a break in the middle makes a second
    // part. (A layer too large for the format: LayerExport.FailedFiles.)
    LayerFixture track("TRK", 500);
    const int n = 100000;
    for (int i = 0; i < n; ++i) track.Point(i * 1e-3, 0);
    for (int i = 0; i + 1 < n; ++i)
        if (i != n / 2) track.store.AddVertex(track.layer, 1, i, i + 1);
    ASSERT_TRUE(writer.WriteLayer(dir.path(), track.Layer(), 1));
    got = ReadBack(dir.File("TRK"));
    ASSERT_FALSE(got.is_null());
    ASSERT_EQ(got["shp"]["shapes"].size(), 1u);
    const json& line = got["shp"]["shapes"][0];
    EXPECT_EQ(line["parts"], json({0, n / 2 + 1}));
    ASSERT_EQ(line["points"].size(), static_cast<size_t>(n));
    for (int i : {0, 4095, 32768, n - 1}) EXPECT_EQ(line["points"][i], json({i * 1e-3, 0.0}));
}

TEST(ShapefileWriter, EdgesToMissingPointsAreRefused) {
    TempDir dir;
    ShapefileWriter writer;
    LayerFixture line("BAD", 500), polygon("GBAD", 10, 10), bare("NONE", 0, 0, 0);
    for (LayerFixture* f : {&line, &polygon}) {
        f->Point(0, 0);
        f->Point(1, 1);
        f->store.AddVertex(f->layer, 0, 0, 1);
    }
    line.store.AddVertex(line.layer, 0, 1, 7);
    polygon.Layer().polygonEdges[0] = PolygonEdgeRef{0, 5};
    polygon.Layer().polygonCount = 1;
    for (auto [f, failure] : {std::pair{&line, ShapefileWriter::Failure::kBadGeometry},
                              {&polygon, ShapefileWriter::Failure::kBadGeometry},
                              {&bare, ShapefileWriter::Failure::kNothingToWrite}}) {
        EXPECT_FALSE(writer.WriteLayer(dir.path(), f->Layer()));
        EXPECT_EQ(writer.LastFailure(), failure);
    }
    EXPECT_FALSE(FileExists(dir.File("BAD.SHP")) || FileExists(dir.File("NONE.SHP")));
}

// Header 32 + 3 descriptors 96 + terminator 1 + the records of 37 + end mark 1.
TEST(DbfWriter, ByteForByte) {
    TempDir dir;
    AttributeStore store;
    for (const char* file : {"WPTS", "EMPTY"}) {
        int t = store.AddTable("Waypoints", file);
        store.AddField(t, "Ident", 'C', 12, 0);
        store.AddField(t, "Longitude", 'N', 12, 5);
        store.AddField(t, "Latitude", 'N', 12, 5);
        store.ReserveRecords(t, 500);
    }
    const int t = 0;
    store.SetText(t, 0, 0, "HOME");
    store.SetNumber(t, 0, 1, -83.123456789);
    store.SetNumber(t, 0, 2, 42.5);
    store.SetText(t, 1, 0, "CAMP-ABCDEFGHIJ");
    store.SetNumber(t, 1, 1, 7.0);
    store.SetNumber(t, 1, 2, 1.0e25);  // "no altitude" from a receiver: does not fit
    // NUL bytes in a flag or a field go out as blanks.
    *store.RecordField(t, 1, -1) = 0;
    store.RecordField(t, 1, 2)[11] = 0;

    const std::string fields = Descriptor("Ident", 'C', 12, 0) +
                               Descriptor("Longitude", 'N', 12, 5) +
                               Descriptor("Latitude", 'N', 12, 5) + "0d";
    const struct {
        int table;
        const char* file;
        std::string counts, records;  // record count, header and record length
    } rows[] = {
        {t, "WPTS.DBF", "0200000081002500",
         Hex(" HOME           -83.12346    42.50000 CAMP-ABCDEFG     7.00000            ")},
        {t + 1, "EMPTY.DBF", "0000000081002500", ""},
    };
    for (const auto& row : rows) {
        // Written twice, the same bytes; the date is the day of writing.
        for (int pass = 0; pass < 2; ++pass) {
            std::string before = Today();
            ASSERT_TRUE(store.WriteDbf(row.table, dir.path()));
            std::string file = Hex(ReadTextFile(dir.File(row.file))), after = Today();
            std::string date = file.substr(2, 6);
            EXPECT_TRUE(date == before || date == after) << date;
            EXPECT_EQ(file, "03" + date + row.counts + std::string(40, '0') + fields + row.records +
                                "1a");
        }
    }
    // pyshp reads the record whose flag was a NUL as a record, not a deleted one,
    // and the number too wide for its field as no value.
    json got = ReadBack(dir.File("WPTS"));
    ASSERT_FALSE(got.is_null());
    EXPECT_EQ(got["dbf"]["records"],
              json({{"HOME", -83.12346, 42.5}, {"CAMP-ABCDEFG", 7.0, nullptr}}));
}

TEST(LayerExport, WritesChangedLayersThenTablesOnce) {
    const char* paths[][2] = {{"/data/out/anything.xyz", "/data/out/"},
                              {"/data/out/", "/data/out/"},
                              {"anything.xyz", ""},
                              {"/x", "/"}};
    for (auto& path : paths) EXPECT_EQ(ExportDirectory(path[0]), path[1]);
    TempDir dir;
    RecordingFeedback feedback;
    Document doc;
    doc.Waypoints("Garmin GPS Waypoints", "WPTS", 3);
    doc.Route("ROUTE1", 4);
    int gone = doc.Waypoints("Gone", "GONE", 2);
    doc.geometry.DeleteLayer(gone);
    doc.geometry.Layer(gone).modified = true;  // deleted wins over modified

    ExportResult result = ExportLayers(doc.geometry, doc.attributes, dir.File("anything.xyz"));
    EXPECT_TRUE(result.allWritten);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(result.layersWritten, 2);
    EXPECT_EQ(result.tablesWritten, 3);  // the deleted layer's table is still a table
    std::vector<std::string> written;
    for (const char* file :
         {"WPTS.SHP", "WPTS.SHX", "WPTS.PRJ", "ROUTE1.SHP", "ROUTE1.SHX", "ROUTE1.PRJ", "WPTS.DBF",
          "WPTS.CPG", "ROUTE1.DBF", "ROUTE1.CPG", "GONE.DBF", "GONE.CPG"})
        written.push_back(dir.File(file));
    EXPECT_EQ(result.filesWritten, written);
    EXPECT_EQ(FilesIn(dir.path()).size(), 12u);
    // The code page and the coordinate system, byte for byte (no line end).
    EXPECT_EQ(ReadTextFile(dir.File("GONE.CPG")), "UTF-8");
    EXPECT_EQ(ReadTextFile(dir.File("ROUTE1.PRJ")),
              "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
              "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]");

    // Nothing changed since: a second save writes nothing, wherever it goes.
    TempDir other;
    result = ExportLayers(doc.geometry, doc.attributes, other.File("again.shp"));
    EXPECT_TRUE(result.allWritten);
    EXPECT_TRUE(result.filesWritten.empty());
    EXPECT_TRUE(FilesIn(other.path()).empty());

    // A download afterwards: only what it made is written next time.
    doc.Waypoints("More", "MORE", 1);
    result = ExportLayers(doc.geometry, doc.attributes, other.path());
    EXPECT_EQ(FilesIn(other.path()), (std::vector<std::string>{"MORE.CPG", "MORE.DBF", "MORE.PRJ",
                                                               "MORE.SHP", "MORE.SHX"}));
}

// A file that cannot be written fails its own layer or table: one message
// naming it, no half of a set left behind, the layer or table still modified,
// and the rest written; the next save writes just what is still due.
TEST(LayerExport, FailedFiles) {
    enum Obstacle { kMissingDirectory, kBelowAFile, kFullDisk, kTooLarge };
    const std::vector<const char*> all = {"WPTS.SHP", "ROUTE1.SHP", "WPTS.DBF", "ROUTE1.DBF"};
    const struct {
        Obstacle obstacle;
        const char* directory;            // where the save goes, in the scratch directory
        std::vector<const char*> failed;  // the files named by the messages, in order
        const char* reason;               // the end of each message
        std::vector<std::string> left;    // files in the scratch directory afterwards
        std::vector<bool> modified;       // waypoint layer and table, route layer and table
        size_t dueNext;                   // files the next save writes
    } rows[] = {
        {kMissingDirectory, "missing/", all, "No such file or directory", {}, {1, 1, 1, 1}, 10},
        {kBelowAFile, "plainfile/", all, "Not a directory", {"plainfile"}, {1, 1, 1, 1}, 10},
        // The .SHX of the waypoints and the .DBF of the route go to a full disk.
        {kFullDisk,
         "",
         {"WPTS.SHX", "ROUTE1.DBF"},
         "No space left on device",
         {"ROUTE1.PRJ", "ROUTE1.SHP", "ROUTE1.SHX", "WPTS.CPG", "WPTS.DBF"},
         {1, 0, 0, 1},
         5},
        // A .SHP of 2.2 GB; the route of 10,001 points is well within the format.
        {kTooLarge,
         "",
         {"WPTS.SHP"},
         "the layer needs more than 2 GB, the most a shapefile can hold; nothing of it was written",
         {"ROUTE1.CPG", "ROUTE1.DBF", "ROUTE1.PRJ", "ROUTE1.SHP", "ROUTE1.SHX", "WPTS.CPG",
          "WPTS.DBF"},
         {1, 0, 0, 0},
         3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.obstacle);
        TempDir dir;
        RecordingFeedback feedback;
        Document doc;
        int w = doc.Waypoints("W", "WPTS", 2000);
        int r = doc.Route("ROUTE1", 10001);
        if (row.obstacle == kBelowAFile) std::ofstream(dir.File("plainfile")) << "x";
        if (row.obstacle == kFullDisk) {
            ASSERT_EQ(symlink("/dev/full", dir.File("WPTS.SHX").c_str()), 0);
            ASSERT_EQ(symlink("/dev/full", dir.File("ROUTE1.DBF").c_str()), 0);
        }
        if (row.obstacle == kTooLarge) doc.geometry.Layer(w).pointCount = 80000000;

        ExportResult result =
            ExportLayers(doc.geometry, doc.attributes, dir.File(row.directory + std::string("x")));
        EXPECT_FALSE(result.allWritten);
        std::vector<std::string> messages;
        for (const char* file : row.failed)
            messages.push_back("Could not write the file " + dir.File(row.directory) + file + ": " +
                               row.reason);
        EXPECT_EQ(feedback.messages, messages);
        EXPECT_EQ(result.filesFailed.size(), messages.size());
        EXPECT_EQ(FilesIn(dir.path()), row.left);
        EXPECT_EQ(
            (std::vector<bool>{
                doc.geometry.Layer(w).modified, doc.attributes.Table(doc.TableOf(w)).modified,
                doc.geometry.Layer(r).modified, doc.attributes.Table(doc.TableOf(r)).modified}),
            row.modified);

        if (row.obstacle == kTooLarge) doc.geometry.Layer(w).pointCount = 2000;
        TempDir again;
        result = ExportLayers(doc.geometry, doc.attributes, again.path());
        EXPECT_TRUE(result.allWritten);
        EXPECT_EQ(result.filesWritten.size(), row.dueNext);
    }
}

// A save asks once before replacing files that this document did not write for
// the same layer or table; No writes nothing.
TEST(LayerExport, AsksBeforeReplacingFilesItDidNotWrite) {
    TempDir dir;
    RecordingFeedback feedback;
    Document doc;
    int w = doc.Waypoints("W", "WPTS", 2);
    std::ofstream(dir.File("WPTS.DBF")) << "another program's";
    WrittenFiles written;
    std::vector<std::vector<std::string>> asked;
    bool answer = false;
    auto save = [&] {
        return ExportLayers(doc.geometry, doc.attributes, dir.path(), &written,
                            [&](const std::vector<std::string>& files) {
                                asked.push_back(files);
                                return answer;
                            });
    };
    ExportResult result = save();
    EXPECT_TRUE(result.declined);
    EXPECT_FALSE(result.allWritten);
    EXPECT_EQ(asked, (std::vector<std::vector<std::string>>{{dir.File("WPTS.DBF")}}));
    EXPECT_EQ(ReadTextFile(dir.File("WPTS.DBF")), "another program's");
    EXPECT_EQ(FilesIn(dir.path()).size(), 1u);
    EXPECT_TRUE(doc.geometry.Layer(w).modified);

    answer = true;
    EXPECT_TRUE(save().allWritten);
    EXPECT_EQ(FilesIn(dir.path()).size(), 5u);
    // The same layer saved again replaces its own files without a question.
    doc.geometry.Layer(w).modified = doc.attributes.Table(doc.TableOf(w)).modified = true;
    EXPECT_TRUE(save().allWritten);
    EXPECT_EQ(asked.size(), 2u);
    // A second download under the same file name is another layer: asked again.
    doc.Waypoints("W", "WPTS", 3);
    EXPECT_TRUE(save().allWritten);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].size(), 5u);
}

TEST(LayerExport, SameFileNamesGetNumberedOnce) {
    TempDir dir;
    RecordingFeedback feedback;
    Document doc;
    doc.Waypoints("Garmin GPS Waypoints", "Waypoints", 1, 10);
    doc.Waypoints("Magellan Waypoints", "Waypoints", 2, 20);
    doc.Waypoints("Own name", "Waypoints1", 3, 30);  // already takes the first number
    int fourth = doc.Waypoints("Shouting", "WAYPOINTS", 4, 40);
    // A renamed layer takes its table along, also one saved before (only the layer is
    // due); a table of its own that shares a name, with no layer, is numbered too.
    doc.Waypoints("First", "Tracks", 1, 50);
    int sixth = doc.Waypoints("Second", "Tracks", 2, 60);
    doc.attributes.Table(doc.TableOf(sixth)).modified = false;
    int lone = doc.attributes.AddTable("Lone", "tracks");
    doc.attributes.AddField(lone, "Note", 'C', 4, 0);
    doc.attributes.SetText(lone, 0, 0, "x");

    ExportResult result = ExportLayers(doc.geometry, doc.attributes, dir.path());
    EXPECT_TRUE(result.allWritten);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0],
              "Some layers would have been saved under the same file name and overwritten each "
              "other.\nThese were saved under new file names instead:\n"
              "    Magellan Waypoints: Waypoints -> Waypoints2\n"
              "    Shouting: WAYPOINTS -> WAYPOINTS3\n    Second: Tracks -> Tracks1\n"
              "    Lone: tracks -> tracks2");
    EXPECT_TRUE(FileExists(dir.File("tracks2.DBF")));
    EXPECT_STREQ(doc.geometry.Layer(fourth).fileName, "WAYPOINTS3");
    EXPECT_STREQ(doc.attributes.Table(doc.TableOf(fourth)).fileName, "WAYPOINTS3");

    // Each set holds its own layer's points and records: count, first x.
    for (auto [base, count, x0] : {std::tuple{"Waypoints", 1u, 10.0},
                                   {"Waypoints2", 2u, 20.0},
                                   {"Waypoints1", 3u, 30.0},
                                   {"WAYPOINTS3", 4u, 40.0},
                                   {"Tracks", 1u, 50.0},
                                   {"Tracks1", 2u, 60.0}}) {
        json got = ReadBack(dir.File(base));
        EXPECT_EQ(
            std::make_tuple(got["shp"]["shapes"].size(), got["dbf"]["records"].size(),
                            got["shp"]["shapes"][0]["points"][0][0], got["dbf"]["records"][0][1]),
            std::make_tuple(count, count, json(x0), json(x0)))
            << base;
    }

    // The names stay: a later save of the same layers needs no renaming.
    doc.geometry.Layer(fourth).modified = true;
    doc.geometry.Layer(0).modified = true;
    feedback.messages.clear();
    result = ExportLayers(doc.geometry, doc.attributes, dir.path());
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(result.layersWritten, 2);
}

// Decoding of the record layouts into points, lines and attribute bytes, with
// records built by hand. Each record is exactly as long as its packet data, so
// the sanitizer catches any read beyond it.

#include <memory>

#include "quorvex_test.h"

#include "garmin/garmin_download.h"
#include "garmin_on_pty.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

using Record = Bytes;

Record D108(double lat, double lon, float alt, const std::string& texts) {
    return RecordBuilder(48).Position(24, 28, lat, lon).Float(32, alt).Then(texts);
}

std::string Left(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

// A point layer of one record layout in stores of its own.
class PointLayerTest : public ::testing::Test {
  protected:
    void MakeLayer(int type) {
        geometry.Clear();
        attributes.Clear();
        download = std::make_unique<GarminDownload>(GarminDownload::kWaypoints, ProtocolTable(),
                                                    geometry, attributes);
        ASSERT_TRUE(download->NewPointLayer(nullptr, "Waypoints", "Garmin GPS Waypoints", type));
    }
    int Add(int type, const Record& record) {
        return download->AddPoint(type, record.data(), static_cast<int>(record.size()));
    }
    // The stored bytes of a record's fields, exactly as the .DBF will hold them.
    std::vector<std::string> Row(int record) {
        std::vector<std::string> row;
        char text[AttributeStore::kMaxFieldWidth + 1];
        for (int f = 0; f < attributes.FieldCount(download->table); ++f) {
            attributes.GetText(download->table, record, f, text);
            row.push_back(text);
        }
        return row;
    }
    const GeometryLayer& Layer() { return geometry.Layer(download->layer); }

    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    std::unique_ptr<GarminDownload> download;
};

}  // namespace

// One hand-built record of each family of offsets, with its attribute bytes.
TEST_F(PointLayerTest, EveryLayoutReadsItsFieldsAtTheirOffsets) {
    const std::string none = Left("", 12), noComment = Left("", 40);
    struct Case {
        int type;
        Record record;
        std::vector<std::string> row;
    };
    const std::vector<Case> cases = {
        {108,
         D108(47.5, -122.25, 152.4f, std::string("HOME\0FRONT DOOR GATE\0\0\0", 23)),
         {Left("HOME", 12), "  -122.25000", "    47.50000", Left("FRONT DOOR GATE", 40),
          "       152.4"}},
        // A comment without its NUL stops at the end of the packet; an ident
        // without one has no comment after it; "not available" altitudes are blank.
        {108,
         D108(1, 2, 1.0e25f, std::string("GATE\0OPEN ALL DAY", 17)),
         {Left("GATE", 12), "     2.00000", "     1.00000", Left("OPEN ALL DAY", 40), none}},
        {108,
         D108(1, 2, 0, "AVERYLONGIDENTWITHOUTEND"),
         {"AVERYLONGIDE", "     2.00000", "     1.00000", noComment, "         0.0"}},
        {108,
         D108(1, 2, 0, std::string("LAST\0", 5)),
         {Left("LAST", 12), "     2.00000", "     1.00000", noComment, "         0.0"}},
        // The six-character ident runs straight into the latitude's bytes.
        {100,
         RecordBuilder(58, ' ')
             .Text(0, "ABCDEF")
             .Position(6, 10, 10, 20)
             .Text(18, std::string(40, 'C'))
             .bytes,
         {"ABCDEF      ", "    20.00000", "    10.00000", std::string(40, 'C')}},
        // A comment ends early at its NUL; D101 has an altitude field it never fills.
        {101,
         RecordBuilder(63)
             .Text(0, "NORTH ")
             .Position(6, 10, -10, -20)
             .Text(18, "SHORT")
             .Float(58, 123)
             .bytes,
         {"NORTH       ", "   -20.00000", "   -10.00000", Left("SHORT", 40), none}},
        // An ident without its NUL ends with the packet.
        {105,
         RecordBuilder(10).Position(0, 4, 46, 9).Then("BRID"),
         {"BRID        ", "     9.00000", "    46.00000"}},
        {106,
         RecordBuilder(24, 0xEE).Position(14, 18, -45, -9).Then(std::string("DOCK\0\0", 6)),
         {"DOCK        ", "    -9.00000", "   -45.00000"}},
        // Aviation layouts: signed 16-bit altitudes. (The plain layouts, D109 and
        // D150 among them, are read end to end from every simulated profile.)
        {151,
         RecordBuilder(120, ' ')
             .Text(0, "VOR123")
             .Position(6, 10, 10.5, 20.5)
             .Text(18, "BEACON")
             .I16(118, 32767)
             .bytes,
         {"VOR123      ", "    20.50000", "    10.50000", Left("BEACON", 40), "     32767.0"}},
        // Track points: times from the receivers' epoch (D301 as every profile run reads it).
        {300,
         RecordBuilder(13).Position(0, 4, 48.2, 11.35).U32(8, 31626061).bytes,
         {"    11.35000", "    48.20000", "01/01/1991  01:01:01"}},
        // Times of 0, 0x7FFFFFFF and 0xFFFFFFFF are no time.
        {300,
         RecordBuilder(13).Position(0, 4, 1, 2).U32(8, 0xFFFFFFFF).bytes,
         {"     2.00000", "     1.00000", Left("", 20)}},
        {110,
         RecordBuilder(62)
             .Position(24, 28, -33.5, 151.25)
             .Float(32, 1.0e25f)
             .U32(56, 31626061)
             .Then(std::string("CAF\xC9\0EAST\0", 10)),
         {"CAF\xC3\x89       ", "   151.25000", "   -33.50000", Left("EAST", 40), none,
          "01/01/1991  01:01:01"}},
        {302,
         RecordBuilder(25)
             .Position(0, 4, 1, 2)
             .U32(8, 0x7FFFFFFF)
             .Float(12, 1.5f)
             .Float(16, 2.5f)
             .Float(20, -3.25f)
             .bytes,
         {"     2.00000", "     1.00000", Left("", 20), "         1.5", "         2.5",
          "        -3.2"}},
        {303,
         RecordBuilder(17).Position(0, 4, 1, 2).U32(8, 9).Float(12, 1.0e25f).bytes,
         {"     2.00000", "     1.00000", "12/31/1989  00:00:09", none, none, "   "}},
        {304,
         RecordBuilder(23)
             .Position(0, 4, 1, 2)
             .U32(8, 0)
             .Float(12, 7.0f)
             .Float(16, 9.0f)
             .I16(20, 142)
             .bytes,
         {"     2.00000", "     1.00000", Left("", 20), "         7.0", none, "142"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row[0]);
        MakeLayer(c.type);
        ASSERT_EQ(Add(c.type, c.record), 0);
        EXPECT_EQ(Row(0), c.row);
        EXPECT_NEAR(Layer().points[0].x, std::stod(c.row[c.type < 300 ? 1 : 0]), 1e-5);
    }
    EXPECT_TRUE(feedback.messages.empty());

    // A second point at a position already held is a record of its own; one
    // without a position is left out and counted.
    MakeLayer(301);
    EXPECT_EQ(Add(301, RecordBuilder(21).Position(0, 4, 48.2, 11.35).Float(12, 540.5f).bytes), 0);
    EXPECT_EQ(Add(301, RecordBuilder(21).Position(0, 4, 48.2, 11.35).bytes), 1);
    EXPECT_EQ(Add(301, RecordBuilder(21, 0xFF).U32(0, 0x7FFFFFFF).U32(4, 0x7FFFFFFF).bytes), -2);
    EXPECT_EQ(attributes.RecordCount(download->table), 2);
    EXPECT_EQ(Row(0)[3], "       540.5");
    EXPECT_EQ(Row(1)[3], "         0.0");
    EXPECT_EQ(download->LeftOut(), 1);
}

TEST_F(PointLayerTest, RecordsShorterThanTheirLayoutAreRefused) {
    // The shortest record of each layout that holds every field read.
    const std::vector<std::pair<int, size_t>> shortest = {
        {100, 58},  {101, 58}, {102, 58}, {103, 58},  {104, 58},  {107, 58},  {105, 10},
        {106, 24},  {108, 48}, {109, 52}, {150, 115}, {151, 120}, {152, 120}, {154, 120},
        {155, 120}, {300, 12}, {301, 20}, {110, 62},  {302, 24},  {303, 17},  {304, 21}};
    for (const auto& [type, size] : shortest) {
        SCOPED_TRACE(type);
        MakeLayer(type);
        feedback.messages.clear();
        EXPECT_EQ(Add(type, Record(size - 1, 'x')), -1);
        EXPECT_EQ(feedback.messages,
                  std::vector<std::string>{FormatText(
                      "AddPoint(): Waypoint Data Type(D%d) not defined at this time. \nUnable to "
                      "process Waypoints.",
                      type)});
        EXPECT_EQ(Layer().pointCount, 0);
        EXPECT_EQ(Add(type, Record(size, 'x')), 0);
    }
    EXPECT_EQ(download->AddPoint(301, nullptr, 0), -1);
    // Layouts between the readable ones are no layout.
    for (int type : {0, 153, 305})
        EXPECT_FALSE(download->NewPointLayer(nullptr, "W", "L", type)) << type;
}

namespace {

// A line download fed packet by packet: the names of its records and its
// edges as "segment:from-to".
struct LineResult {
    std::vector<std::string> names;
    std::vector<std::string> edges;
};

LineResult FeedLines(GarminDownload::Kind kind, const std::vector<std::string>& capabilities,
                     const std::vector<std::pair<int, Bytes>>& packets) {
    Bytes list = CapabilityData(capabilities);
    ProtocolTable protocols;
    ParseCapabilityList(list.data(), static_cast<int>(list.size()), &protocols);
    GeometryStore geometry;
    AttributeStore attributes;
    GarminDownload download(kind, protocols, geometry, attributes);
    EXPECT_TRUE(download.Begin("Lines"));
    for (const auto& [id, data] : packets)
        EXPECT_EQ(download.HandlePacket(id, data.data(), static_cast<int>(data.size())),
                  GarminDownload::kGoOn);
    LineResult result;
    char text[41];
    for (int r = 0; r < attributes.RecordCount(download.table); ++r) {
        attributes.GetText(download.table, r, 0, text);
        std::string name = text;
        result.names.push_back(name.erase(name.find_last_not_of(' ') + 1));
    }
    const GeometryLayer& layer = geometry.Layer(download.layer);
    for (int e = 0; e < layer.vertexCount; ++e)
        result.edges.push_back(FormatText("%d:%d-%d", layer.vertices[e].segment,
                                          layer.vertices[e].fromPoint, layer.vertices[e].toPoint));
    return result;
}

// Track points at x = 0, 1, 2, ... with their new-track byte.
Bytes D301(int x, bool newTrack = false) {
    RecordBuilder r(21);
    r.Position(0, 4, 10, x).bytes[20] = newTrack;
    return r.bytes;
}
Bytes D100(int x) {
    return RecordBuilder(58, ' ').Position(6, 10, 10, x).bytes;
}
Bytes Named(const std::string& name) {
    return RecordBuilder(2, 1).Then(name + '\0');
}

}  // namespace

// Every header is a record of its own, also when it repeats the one before or
// no second point follows; edges carry their record's number + 1. (Segments,
// logs without headers and one-node routes are read end to end from the
// oddities and edge-values datasets by every profile run.)
TEST(GarminLineRecords, EachLineIsOneRecordAndSegmentsArePartsOfIt) {
    const std::vector<std::string> a301 = {"A100", "D108", "A301", "D310", "D301"};
    const int kPts = 27;  // the records packet
    struct Case {
        const char* what;
        GarminDownload::Kind kind;
        std::vector<std::string> capabilities;
        std::vector<std::pair<int, Bytes>> packets;
        LineResult expected;
    };
    const std::vector<Case> cases = {
        {"one-point track first, a header twice",
         GarminDownload::kTrackLines,
         a301,
         {{kPts, {6, 0}},
          {99, Named("ONE")},
          {34, D301(0, true)},
          {99, Named("TWICE")},
          {99, Named("TWICE")},
          {34, D301(1, true)},
          {34, D301(2)}},
         {{"ONE", "TWICE", "TWICE"}, {"3:1-2"}}},
        {"route waypoints before a header make an unnamed route",
         GarminDownload::kRoutes,
         {"A100", "D100", "A200", "D200", "D100"},
         {{30, D100(0)}, {30, D100(1)}, {29, {7}}, {30, D100(2)}},
         {{"", "Route #1"}, {"1:0-1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingFeedback feedback;
        const LineResult got = FeedLines(c.kind, c.capabilities, c.packets);
        EXPECT_EQ(got.names, c.expected.names);
        EXPECT_EQ(got.edges, c.expected.edges);
        EXPECT_TRUE(feedback.messages.empty()) << feedback.messages[0];
    }
}

// Each header layout names its line; a text without its NUL ends with the
// packet; headers of other types, or too short for theirs, name nothing.
TEST(GarminLineRecords, HeaderLayoutsNameTheirLines) {
    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    GarminDownload download(GarminDownload::kRoutes, ProtocolTable(), geometry, attributes);
    ASSERT_TRUE(download.NewLineLayer("Routes", "Garmin GPS Routes"));
    const Record d201 = RecordBuilder(21, ' ').Text(1, "TWENTY CHARS COMMENT").bytes;
    const Record d310 = {1, 0xFF, 'H', 'I', 'K', 'E', 0};
    const struct {
        int type;
        Record record;
        std::string name;  // "" when refused
    } rows[] = {
        {200, {7}, "Route #0"},
        {201, d201, "TWENTY CHARS COMMENT"},
        {202, Record(45, 'R'), std::string(40, 'R')},
        {310, d310, "HIKE"},
        {312, d310, "HIKE"},
        {311, {0x39, 0x30}, "12345"},
        {313, d310, ""},
        {201, Record(d201.begin(), d201.end() - 1), ""},
        {311, {0x39}, ""},
    };
    int record = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_EQ(download.NameLine(row.type, row.record.data(), int(row.record.size())),
                  !row.name.empty());
        if (row.name.empty()) continue;
        char text[41];
        attributes.GetText(download.table, record++, 0, text);
        EXPECT_EQ(std::string(text), Left(row.name, 40));
    }
    ASSERT_EQ(feedback.messages.size(), 3u);
    EXPECT_EQ(feedback.messages[0],
              "Route/Track Data Type(D313) not defined at this time. \nUnable to process Routes.");
    EXPECT_EQ(attributes.RecordCount(download.table), 6);

    // Positions of unreadable types or too short for their layout are refused.
    feedback.messages.clear();
    const Record point = D100(5);
    EXPECT_FALSE(download.AddLinePoint(0, point.data(), 58));
    EXPECT_FALSE(download.AddLinePoint(100, point.data(), 13));
    EXPECT_TRUE(download.AddLinePoint(100, point.data(), 14));
    EXPECT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(geometry.Layer(download.layer).pointCount, 1);
}

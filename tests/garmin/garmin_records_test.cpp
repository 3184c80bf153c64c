// Decoding of the record layouts into points, lines and attribute bytes, with
// records built by hand. Each record is exactly as long as its packet data, so
// the sanitizer catches any read beyond it.

#include "quorvex_test.h"

#include "garmin/garmin_device.h"
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
        ASSERT_TRUE(gps.NewPointLayer(geometry, attributes, nullptr, "Waypoints",
                                      "Garmin GPS Waypoints", type));
    }
    int Add(int type, const Record& record) {
        return gps.AddPoint(geometry, attributes, type, record.data(),
                            static_cast<int>(record.size()));
    }
    // The stored bytes of a record's fields, exactly as the .DBF will hold them.
    std::vector<std::string> Row(int record) {
        std::vector<std::string> row;
        char text[AttributeStore::kMaxFieldWidth + 1];
        for (int f = 0; f < attributes.FieldCount(gps.TableIndex()); ++f) {
            attributes.GetText(gps.TableIndex(), record, f, text);
            row.push_back(text);
        }
        return row;
    }
    const GeometryLayer& Layer() { return geometry.Layer(gps.LayerIndex()); }

    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    GarminDevice gps;
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
        {109,
         RecordBuilder(52)
             .Position(24, 28, -33.5, 151.25)
             .Float(32, -12.5f)
             .Then(std::string("POOL\0SWIM 14:22\0", 16)),
         {"POOL        ", "   151.25000", "   -33.50000", Left("SWIM 14:22", 40), "       -12.5"}},
        // Aviation layouts: signed 16-bit altitudes.
        {150,
         RecordBuilder(115, ' ')
             .Text(0, "KSEA")
             .Position(9, 13, 47.45, -122.3)
             .I16(17, -20)
             .Text(75, "SEATAC")
             .bytes,
         {"KSEA        ", "  -122.30000", "    47.45000", Left("SEATAC", 40), "       -20.0"}},
        {151,
         RecordBuilder(120, ' ')
             .Text(0, "VOR123")
             .Position(6, 10, 10.5, 20.5)
             .Text(18, "BEACON")
             .I16(118, 32767)
             .bytes,
         {"VOR123      ", "    20.50000", "    10.50000", Left("BEACON", 40), "     32767.0"}},
        // Track points: times from the receivers' epoch, "not available" depths blank.
        {300,
         RecordBuilder(13).Position(0, 4, 48.2, 11.35).U32(8, 31626061).bytes,
         {"    11.35000", "    48.20000", "01/01/1991  01:01:01"}},
        {301,
         RecordBuilder(21).Position(0, 4, 48.2, 11.35).Float(12, 540.5f).Float(16, 1.0e25f).bytes,
         {"    11.35000", "    48.20000", "12/31/1989  00:00:00", "       540.5", none}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row[0]);
        MakeLayer(c.type);
        ASSERT_EQ(Add(c.type, c.record), 0);
        EXPECT_EQ(Row(0), c.row);
        EXPECT_NEAR(Layer().points[0].x, std::stod(c.row[c.type < 300 ? 1 : 0]), 1e-5);
    }
    EXPECT_TRUE(feedback.messages.empty());

    // A second point at a position already held replaces that record.
    EXPECT_EQ(Add(301, RecordBuilder(21).Position(0, 4, 48.2, 11.35).bytes), 0);
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 1);
    EXPECT_EQ(Row(0)[3], "         0.0");
}

TEST_F(PointLayerTest, RecordsShorterThanTheirLayoutAreRefused) {
    // The shortest record of each layout that holds every field read.
    const std::vector<std::pair<int, size_t>> shortest = {
        {100, 58},  {101, 58},  {102, 58},  {103, 58}, {104, 58},  {107, 58},
        {105, 10},  {106, 24},  {108, 48},  {109, 52}, {150, 115}, {151, 120},
        {152, 120}, {154, 120}, {155, 120}, {300, 12}, {301, 20}};
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
    EXPECT_EQ(gps.AddPoint(geometry, attributes, 301, nullptr, 0), -1);
    // Layouts between the readable ones are no layout.
    for (int type : {0, 153, 302})
        EXPECT_FALSE(gps.NewPointLayer(geometry, attributes, nullptr, "W", "L", type)) << type;
}

TEST(GarminLineRecords, HeadersNameLinesAndPositionsMakeEdges) {
    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    GarminDevice gps;
    ASSERT_TRUE(gps.NewLineLayer(geometry, attributes, "Routes", "Garmin GPS Routes", 202));
    auto name = [&](int record) {
        char text[41];
        attributes.GetText(gps.TableIndex(), record, 0, text);
        return std::string(text);
    };
    auto point = [](double lat, double lon) {
        return RecordBuilder(58).Position(6, 10, lat, lon).bytes;
    };

    const Record d200 = {7};
    const Record d201 = RecordBuilder(21, ' ').Text(1, "TWENTY CHARS COMMENT").bytes;  // no NUL
    const Record d202(45, 'R');  // no NUL: ends with the packet
    const Record d310 = {1, 0xFF, 'H', 'I', 'K', 'E', 0};
    gps.NameLine(attributes, 200, d200.data(), 1, 0);
    gps.NameLine(attributes, 201, d201.data(), 21, 1);
    gps.NameLine(attributes, 202, d202.data(), 45, 2);
    gps.NameLine(attributes, 310, d310.data(), 7, 3);
    EXPECT_EQ(name(0), Left("Route #0", 40));
    EXPECT_EQ(name(1), Left("TWENTY CHARS COMMENT", 40));
    EXPECT_EQ(name(2), std::string(40, 'R'));
    EXPECT_EQ(name(3), Left("HIKE", 40));
    EXPECT_TRUE(feedback.messages.empty());

    // Headers of other types, or too short for theirs, name nothing.
    gps.NameLine(attributes, 312, d310.data(), 7, 4);
    gps.NameLine(attributes, 201, d201.data(), 20, 4);
    gps.NameLine(attributes, 310, d310.data(), 1, 4);
    ASSERT_EQ(feedback.messages.size(), 3u);
    EXPECT_EQ(feedback.messages[0],
              "Route/Track Data Type(D312) not defined at this time. \nUnable to process Routes.");
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 4);

    // Positions of unreadable types or too short for their layout are skipped.
    feedback.messages.clear();
    EXPECT_FALSE(gps.AddLinePoint(geometry, 0, point(5, 5).data(), 58, 1));
    EXPECT_FALSE(gps.AddLinePoint(geometry, 100, point(5, 5).data(), 13, 1));
    EXPECT_TRUE(gps.AddLinePoint(geometry, 100, point(5, 5).data(), 14, 1));
    EXPECT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(geometry.Layer(gps.LayerIndex()).pointCount, 1);
}

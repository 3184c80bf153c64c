// Decoding of the record layouts into points, lines and attribute bytes, with
// records built by hand. Each record is exactly as long as its packet data, so
// the sanitizer catches any read beyond it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "garmin/garmin_device.h"
#include "garmin/garmin_time.h"
#include "garmin/record_layouts.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pictures/picture_set.h"
#include "recording_feedback.h"
#include "test_files.h"

namespace {

using Record = std::vector<unsigned char>;

int32_t Semicircles(double degrees) {
    return static_cast<int32_t>(std::llround(degrees * (2147483648.0 / 180.0)));
}

// Writes little-endian fields into a record of fixed size.
struct RecordBuilder {
    explicit RecordBuilder(size_t size, unsigned char fill = 0) : bytes(size, fill) {}
    RecordBuilder& Position(int latAt, int lonAt, double lat, double lon) {
        PutLE32(&bytes[latAt], static_cast<uint32_t>(Semicircles(lat)));
        PutLE32(&bytes[lonAt], static_cast<uint32_t>(Semicircles(lon)));
        return *this;
    }
    RecordBuilder& Text(int at, const std::string& text) {
        std::memcpy(&bytes[at], text.data(), text.size());
        return *this;
    }
    RecordBuilder& Float(int at, float value) {
        PutLEFloat(&bytes[at], value);
        return *this;
    }
    RecordBuilder& I16(int at, int value) {
        PutLE16(&bytes[at], static_cast<uint16_t>(static_cast<int16_t>(value)));
        return *this;
    }
    RecordBuilder& U32(int at, uint32_t value) {
        PutLE32(&bytes[at], value);
        return *this;
    }
    Record bytes;
};

// The D108 layout: 48 fixed bytes, then ident and comment NUL-terminated.
Record D108(double lat, double lon, float alt, const std::string& identAndTexts) {
    RecordBuilder r(48);
    r.Position(24, 28, lat, lon).Float(32, alt);
    r.bytes.insert(r.bytes.end(), identAndTexts.begin(), identAndTexts.end());
    return r.bytes;
}

// A device with a point layer of `type` made in its own stores.
class PointLayerTest : public ::testing::Test {
  protected:
    // A new document's stores: positions merge only when equal.
    PointLayerTest() {
        geometry.Clear();
        attributes.Clear();
    }
    void MakeLayer(int type, PictureSet* pictures = nullptr) {
        ASSERT_TRUE(gps.NewPointLayer(geometry, attributes, pictures, "Waypoints",
                                      "Garmin GPS Waypoints", type));
    }
    int Add(int type, const Record& record) {
        return gps.AddPoint(geometry, attributes, type, record.data(),
                            static_cast<int>(record.size()));
    }
    // The stored bytes of a field, exactly as the .DBF will hold them.
    std::string Field(int record, int field) {
        char text[AttributeStore::kMaxFieldWidth + 1];
        attributes.GetText(gps.TableIndex(), record, field, text);
        return text;
    }
    std::vector<std::string> Row(int record) {
        std::vector<std::string> row;
        for (int f = 0; f < attributes.FieldCount(gps.TableIndex()); ++f)
            row.push_back(Field(record, f));
        return row;
    }
    std::string FieldName(int field) {
        const FieldDef& def = attributes.Table(gps.TableIndex()).fields[field];
        return std::string(def.name, strnlen(def.name, sizeof def.name)) + " " + def.type + " " +
               std::to_string(def.width) + " " + std::to_string(def.decimals);
    }
    const GeometryLayer& Layer() { return geometry.Layer(gps.LayerIndex()); }

    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    GarminDevice gps;
};

std::string Blanks(int n) {
    return std::string(static_cast<size_t>(n), ' ');
}

const char kAddPointD108[] =
    "AddPoint(): Waypoint Data Type(D108) not defined at this time. \nUnable to process "
    "Waypoints.";

}  // namespace

TEST_F(PointLayerTest, D108RecordGivesTheExactAttributeBytes) {
    MakeLayer(108);
    const std::string comment = "FRONT DOOR GATE";  // 15 characters
    ASSERT_EQ(comment.size(), 15u);
    const Record home =
        D108(47.5, -122.25, 152.4f,
             std::string("HOME\0", 5) + comment + '\0' + std::string("\0\0\0\0", 4));
    EXPECT_EQ(Add(108, home), 0);
    EXPECT_EQ(Row(0), (std::vector<std::string>{"HOME" + Blanks(8), "  -122.25000", "    47.50000",
                                                comment + Blanks(25), "       152.4"}));
    EXPECT_NEAR(Layer().points[0].x, -122.25, 1e-7);
    EXPECT_NEAR(Layer().points[0].y, 47.5, 1e-7);

    // A comment without its NUL stops at the end of the packet; an ident
    // without one has no comment after it; "not available" altitudes are blank.
    EXPECT_EQ(Add(108, D108(1, 1, 1.0e25f, std::string("GATE\0OPEN ALL DAY", 17))), 1);
    EXPECT_EQ(Row(1)[3], "OPEN ALL DAY" + Blanks(28));
    EXPECT_EQ(Row(1)[4], Blanks(12));
    EXPECT_EQ(Add(108, D108(2, 2, 0, "AVERYLONGIDENTWITHOUTEND")), 2);
    EXPECT_EQ(Row(2)[0], "AVERYLONGIDE");
    EXPECT_EQ(Row(2)[3], Blanks(40));
    // The ident ends the packet with its NUL: an empty comment.
    EXPECT_EQ(Add(108, D108(3, 3, 0, std::string("LAST\0", 5))), 3);
    EXPECT_EQ(Row(3)[3], Blanks(40));
    EXPECT_TRUE(feedback.messages.empty());
}

// One hand-built record of each layout, with the fields of its layer and the
// exact bytes of its attribute record.
TEST_F(PointLayerTest, EveryLayoutGivesItsFieldsAndRecordBytes) {
    const std::string waypointFields =
        "Ident C 12 0|Longitude N 12 5|Latitude N 12 5|Comment C 40 0";
    const std::string altitudeField = "|Altitude N 12 1";
    auto withTexts = [](RecordBuilder r, const std::string& texts) {
        r.bytes.insert(r.bytes.end(), texts.begin(), texts.end());
        return r.bytes;
    };
    struct Case {
        int type;
        Record record;
        std::string fields;
        std::vector<std::string> row;
    };
    const std::vector<Case> cases = {
        // The six-character ident runs straight into the latitude's bytes.
        {100,
         RecordBuilder(58, ' ')
             .Text(0, "ABCDEF")
             .Position(6, 10, 10, 20)
             .Text(18, std::string(40, 'C'))
             .bytes,
         waypointFields,
         {"ABCDEF" + Blanks(6), "    20.00000", "    10.00000", std::string(40, 'C')}},
        // A comment ends early at its NUL; D101 has an altitude field it never fills.
        {101,
         RecordBuilder(63, 0)
             .Text(0, "NORTH ")
             .Position(6, 10, -10, -20)
             .Text(18, "SHORT")
             .Float(58, 123)
             .bytes,
         waypointFields + altitudeField,
         {"NORTH" + Blanks(7), "   -20.00000", "   -10.00000", "SHORT" + Blanks(35), Blanks(12)}},
        // NUL-terminated idents; without a NUL the ident ends with the packet.
        {105,
         withTexts(RecordBuilder(10).Position(0, 4, 45, 9), std::string("TOWER\0", 6)),
         "Ident C 12 0|Longitude N 12 5|Latitude N 12 5",
         {"TOWER" + Blanks(7), "     9.00000", "    45.00000"}},
        {105,
         withTexts(RecordBuilder(10).Position(0, 4, 46, 9), "BRID"),
         "Ident C 12 0|Longitude N 12 5|Latitude N 12 5",
         {"BRID" + Blanks(8), "     9.00000", "    46.00000"}},
        {106,
         withTexts(RecordBuilder(24, 0xEE).Position(14, 18, -45, -9), std::string("DOCK\0\0", 6)),
         "Ident C 12 0|Longitude N 12 5|Latitude N 12 5",
         {"DOCK" + Blanks(8), "    -9.00000", "   -45.00000"}},
        // D109: four more bytes of head before the ident.
        {109,
         withTexts(RecordBuilder(52).Position(24, 28, -33.5, 151.25).Float(32, -12.5f),
                   std::string("POOL\0SWIM 17-MAY-03 14:22\0", 26)),
         waypointFields + altitudeField,
         {"POOL" + Blanks(8), "   151.25000", "   -33.50000", "SWIM 17-MAY-03 14:22" + Blanks(20),
          "       -12.5"}},
        // Aviation layouts: signed 16-bit altitudes.
        {150,
         RecordBuilder(115, ' ')
             .Text(0, "KSEA")
             .Position(9, 13, 47.45, -122.3)
             .I16(17, -20)
             .Text(75, "SEATAC")
             .bytes,
         waypointFields + altitudeField,
         {"KSEA" + Blanks(8), "  -122.30000", "    47.45000", "SEATAC" + Blanks(34),
          "       -20.0"}},
        {151,
         RecordBuilder(120, ' ')
             .Text(0, "VOR123")
             .Position(6, 10, 10.5, 20.5)
             .Text(18, "BEACON")
             .I16(118, 32767)
             .bytes,
         waypointFields + altitudeField,
         {"VOR123" + Blanks(6), "    20.50000", "    10.50000", "BEACON" + Blanks(34),
          "     32767.0"}},
        // Track points: times from the receivers' epoch, "not available" depths blank.
        {300,
         RecordBuilder(13).Position(0, 4, 48.2, 11.35).U32(8, 31626061).bytes,
         "Longitude N 12 5|Latitude N 12 5|Time C 20 0",
         {"    11.35000", "    48.20000", "01/01/1991  01:01:01"}},
        {301,
         RecordBuilder(21).Position(0, 4, 48.2, 11.35).Float(12, 540.5f).Float(16, 1.0e25f).bytes,
         "Longitude N 12 5|Latitude N 12 5|Time C 20 0|Altitude N 12 1|Depth N 12 1",
         {"    11.35000", "    48.20000", "12/31/1989  00:00:00", "       540.5", Blanks(12)}},
    };
    for (const Case& c : cases) {
        MakeLayer(c.type);
        std::string fields;
        for (int f = 0; f < attributes.FieldCount(gps.TableIndex()); ++f)
            fields += (f ? "|" : "") + FieldName(f);
        EXPECT_EQ(fields, c.fields) << "D" << c.type;
        ASSERT_EQ(Add(c.type, c.record), 0) << "D" << c.type;
        EXPECT_EQ(Row(0), c.row) << "D" << c.type;
    }
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(PointLayerTest, TwoWaypointsAtOnePositionKeepTheSecond) {
    MakeLayer(108);
    EXPECT_EQ(Add(108, D108(10, 20, 1, std::string("FIRST\0ONE\0", 10))), 0);
    EXPECT_EQ(Add(108, D108(10, 20, 2, std::string("SECOND\0TWO\0", 11))), 0);
    EXPECT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(attributes.RecordCount(gps.TableIndex()), 1);
    EXPECT_EQ(Row(0)[0], "SECOND" + Blanks(6));
    EXPECT_EQ(Row(0)[4], "         2.0");
}

TEST_F(PointLayerTest, RecordsShorterThanTheirLayoutAreRefused) {
    // The shortest record of each layout that holds every field read.
    const std::vector<std::pair<int, size_t>> shortest = {
        {100, 58},  {101, 58},  {102, 58},  {103, 58}, {104, 58},  {107, 58},
        {105, 10},  {106, 24},  {108, 48},  {109, 52}, {150, 115}, {151, 120},
        {152, 120}, {154, 120}, {155, 120}, {300, 12}, {301, 20}};
    for (const auto& [type, size] : shortest) {
        geometry.Clear();
        attributes.Clear();
        MakeLayer(type);
        feedback.messages.clear();
        EXPECT_EQ(Add(type, Record(size - 1, 'x')), -1) << type;
        ASSERT_EQ(feedback.messages.size(), 1u) << type;
        EXPECT_EQ(feedback.messages[0],
                  FormatText("AddPoint(): Waypoint Data Type(D%d) not defined at this time. "
                             "\nUnable to process Waypoints.",
                             type));
        EXPECT_EQ(Layer().pointCount, 0) << type;
        EXPECT_EQ(Add(type, Record(size, 'x')), 0) << type;
    }
    EXPECT_EQ(gps.AddPoint(geometry, attributes, 108, nullptr, 0), -1);
    EXPECT_EQ(feedback.messages.back(), kAddPointD108);
}

TEST_F(PointLayerTest, UnreadableTypesAndPictureFields) {
    for (int type : {0, 110, 153, 302}) {
        feedback.messages.clear();
        EXPECT_FALSE(gps.NewPointLayer(geometry, attributes, nullptr, "W", "L", type));
        ASSERT_EQ(feedback.messages.size(), 1u);
        EXPECT_EQ(feedback.messages[0],
                  FormatText("NewPointLayer(): Waypoint Data Type(D%d) not defined at this "
                             "time. \nUnable to process Waypoints.",
                             type));
    }
    EXPECT_EQ(geometry.layerCount, 0);
    EXPECT_EQ(attributes.tableCount, 0);

    // Picture fields follow the layout's own fields.
    TempDir dir;
    PictureSet pictures;
    pictures.picturesPerWaypoint = 2;
    pictures.SelectPictures({dir.File("IMG_0001.JPG")});
    pictures.ComputeFieldWidth();
    MakeLayer(105, &pictures);
    ASSERT_EQ(attributes.FieldCount(gps.TableIndex()), 5);
    EXPECT_EQ(FieldName(2), "Latitude N 12 5");
    EXPECT_EQ(pictures.firstPictureField, 3);
    EXPECT_EQ(FieldName(3).substr(0, 8), "North C ");
    EXPECT_EQ(geometry.Layer(gps.LayerIndex()).attributeTable, gps.TableIndex());
    EXPECT_STREQ(geometry.Layer(gps.LayerIndex()).fileName, "Waypoints");
    EXPECT_STREQ(attributes.Table(gps.TableIndex()).name, "Garmin GPS Waypoints");
}

TEST(GarminRecordText, SemicirclesTimesAndTexts) {
    unsigned char bytes[4];
    PutLE32(bytes, 1u << 30);
    EXPECT_EQ(SemicirclesToDegrees(bytes), 90.0);
    PutLE32(bytes, 0x80000000u);
    EXPECT_EQ(SemicirclesToDegrees(bytes), -180.0);
    PutLE32(bytes, 0x7FFFFFFFu);
    EXPECT_LT(SemicirclesToDegrees(bytes), 180.0);

    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 0), "12/31/1989  00:00:00");
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 31626061), "01/01/1991  01:01:01");
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 86399), "12/31/1989  23:59:59");
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 5184000), "03/01/1990  00:00:00");
    // 29 February of a leap year, and a time from the dataset: 2003-05-17 07:00 UTC.
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 320716800), "02/29/2000  00:00:00");
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 1053154800u - 631065600u),
              "05/17/2003  07:00:00");
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 0x7FFFFFFFu), "01/18/2058  03:14:07");
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 0, 0xFFFFFFFFu), "02/06/2126  06:28:15");
    // Hours east of UTC move the local time forward.
    EXPECT_EQ(FormatGarminTime(kGarminEpochJulianDay, 2, 0), "12/31/1989  02:00:00");

    const unsigned char texts[] = {'A', 0, 'B', 'C', 0, 'D'};
    EXPECT_EQ(NthStringAfter(0, texts, 6), reinterpret_cast<const char*>(texts));
    EXPECT_EQ(NthStringAfter(1, texts, 6), reinterpret_cast<const char*>(texts + 2));
    EXPECT_EQ(NthStringAfter(2, texts, 6), reinterpret_cast<const char*>(texts + 5));
    EXPECT_EQ(NthStringAfter(2, texts, 4), nullptr);
    EXPECT_EQ(NthStringAfter(3, texts, 6), nullptr);
    EXPECT_EQ(NthStringAfter(1, texts, 0), nullptr);

    EXPECT_EQ(RecordText(texts, 6, 2, 10), "BC");
    EXPECT_EQ(RecordText(texts, 6, 2, 1), "B");
    EXPECT_EQ(RecordText(texts, 6, 5, 10), "D");
    EXPECT_EQ(RecordText(texts, 6, 6, 10), "");
}

TEST(GarminLineRecords, HeadersNameLinesAndPositionsMakeEdges) {
    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    GarminDevice gps;
    ASSERT_TRUE(gps.NewLineLayer(geometry, attributes, "Routes", "Garmin GPS Routes", 202));
    const int table = gps.TableIndex();
    auto name = [&](int record) {
        char text[41];
        attributes.GetText(table, record, 0, text);
        return std::string(text);
    };
    auto point = [&](double lat, double lon) {
        RecordBuilder r(58);
        r.Position(6, 10, lat, lon);
        return r.bytes;
    };

    const Record d200 = {7};
    gps.NameLine(attributes, 200, d200.data(), 1, 0);
    EXPECT_EQ(name(0), "Route #0" + Blanks(32));
    RecordBuilder d201(21, ' ');
    d201.Text(1, "TWENTY CHARS COMMENT");  // fills its 20 characters, no NUL
    gps.NameLine(attributes, 201, d201.bytes.data(), 21, 1);
    EXPECT_EQ(name(1), "TWENTY CHARS COMMENT" + Blanks(20));
    const std::string longName(45, 'R');
    Record d202(longName.begin(), longName.end());  // no NUL: ends with the packet
    gps.NameLine(attributes, 202, d202.data(), static_cast<int>(d202.size()), 2);
    EXPECT_EQ(name(2), std::string(40, 'R'));
    const Record d310 = {1, 0xFF, 'H', 'I', 'K', 'E', 0};
    gps.NameLine(attributes, 310, d310.data(), 7, 3);
    EXPECT_EQ(name(3), "HIKE" + Blanks(36));
    EXPECT_TRUE(feedback.messages.empty());

    // Headers of other types, or too short for theirs, name nothing.
    const std::string headerMessage =
        "Route/Track Data Type(D%d) not defined at this time. \nUnable to process Routes.";
    gps.NameLine(attributes, 312, d310.data(), 7, 4);
    gps.NameLine(attributes, 201, d201.bytes.data(), 20, 4);
    gps.NameLine(attributes, 310, d310.data(), 1, 4);
    ASSERT_EQ(feedback.messages.size(), 3u);
    EXPECT_EQ(feedback.messages[0], FormatText(headerMessage.c_str(), 312));
    EXPECT_EQ(feedback.messages[1], FormatText(headerMessage.c_str(), 201));
    EXPECT_EQ(attributes.RecordCount(table), 4);

    // Line 0 passes twice through one position; line 1 starts after a header.
    const int layer = gps.LayerIndex();
    for (const auto& [lat, lon] : std::vector<std::pair<double, double>>{{1, 1}, {2, 2}, {1, 1}})
        EXPECT_TRUE(gps.AddLinePoint(geometry, 100, point(lat, lon).data(), 58, 0));
    gps.NameLine(attributes, 200, d200.data(), 1, 1);
    for (const auto& [lat, lon] : std::vector<std::pair<double, double>>{{3, 3}, {4, 4}})
        EXPECT_TRUE(gps.AddLinePoint(geometry, 100, point(lat, lon).data(), 58, 1));
    const GeometryLayer& l = geometry.Layer(layer);
    EXPECT_EQ(l.pointCount, 4);
    ASSERT_EQ(l.vertexCount, 3);
    EXPECT_EQ(l.vertices[0].segment, 0);
    EXPECT_EQ(l.vertices[1].segment, 0);
    EXPECT_EQ(l.vertices[1].toPoint, 0);  // back at the first point
    EXPECT_EQ(l.vertices[2].segment, 1);
    EXPECT_EQ(l.vertices[2].fromPoint, 2);

    // Positions of unreadable types or too short for their layout are skipped.
    feedback.messages.clear();
    EXPECT_FALSE(gps.AddLinePoint(geometry, 0, point(5, 5).data(), 58, 1));
    EXPECT_FALSE(gps.AddLinePoint(geometry, 100, point(5, 5).data(), 13, 1));
    EXPECT_TRUE(gps.AddLinePoint(geometry, 100, point(5, 5).data(), 14, 1));
    ASSERT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(feedback.messages[0],
              "Waypoint Data Type(D0) not defined at this time. \nUnable to process Waypoints.");
    EXPECT_EQ(geometry.Layer(layer).vertexCount, 4);
}

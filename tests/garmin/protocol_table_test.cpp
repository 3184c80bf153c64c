#include "garmin/protocol_table.h"

#include <gtest/gtest.h>

#include <fstream>

#include "garmin/protocol_table_file.h"
#include "garmin_frames.h"
#include "recording_feedback.h"
#include "test_files.h"

namespace {

ProtocolTable Parsed(const std::vector<std::string>& entries) {
    // Exactly as long as the entries, so a read past them is caught.
    Bytes data = CapabilityData(entries);
    ProtocolTable table;
    ParseCapabilityList(data.data(), static_cast<int>(data.size()), &table);
    return table;
}

std::vector<int> Entries(const ProtocolTable& t) {
    return {t.waypointProtocol,  t.waypointType,  t.routeProtocol, t.routeHeaderType,
            t.routeWaypointType, t.routeLinkType, t.trackProtocol, t.trackType1,
            t.trackType2,        t.protocol400,   t.type400,       t.protocol500,
            t.type500,           t.protocol600,   t.type600,       t.protocol700,
            t.type700,           t.protocol800,   t.type800};
}

const std::string kNotListedMessage =
    "Product ID (%d) is not listed in the 'QUORVEX.XRF' table.\n You may add it to the table "
    "if you know the correct protocols for your GPS.";
const std::string kNoFileMessage =
    "Can't open 'QUORVEX.XRF' file.\nFile must be in the same directory as QUORVEX.EXE.";

// A table line with the product ID at the start and each field at its column.
std::string Row(int id, std::vector<std::pair<size_t, std::string>> fields) {
    std::string line = std::to_string(id) + "  Some Model";
    for (const auto& field : fields) {
        if (line.size() < field.first + field.second.size())
            line.resize(field.first + field.second.size(), ' ');
        line.replace(field.first, field.second.size(), field.second);
    }
    return line;
}

class TableFile : public ::testing::Test {
  protected:
    void Write(const std::string& content) {
        std::ofstream(dir.File("QUORVEX.XRF"), std::ios::binary) << content;
    }
    bool Load(int productId) {
        table = ProtocolTable();
        return ReadProtocolTableFile(dir.File("QUORVEX.XRF"), productId, &table);
    }

    RecordingFeedback feedback;
    TempDir dir;
    ProtocolTable table;
};

}  // namespace

TEST(CapabilityList, FullListOfACurrentReceiver) {
    ProtocolTable t = Parsed({"P000", "L001", "A010", "A100", "D108", "A201", "D202", "D108",
                              "D210", "A301", "D310", "D301", "A400", "D108", "A500", "D501"});
    std::vector<int> expected = {100, 108, 201, 202, 108, 210, 301, 310, 301, 400,
                                 108, 500, 501, 0,   0,   0,   0,   0,   0};
    EXPECT_EQ(Entries(t), expected);
    EXPECT_EQ(WaypointProtocolText(t), "A100, D108");
    EXPECT_EQ(RouteProtocolText(t), "A201, D202, D108, D210");
    EXPECT_EQ(TrackProtocolText(t), "A301, D310, D301");
}

TEST(CapabilityList, AMissingTypeLeavesTheEntryForTheNextProtocol) {
    ProtocolTable t = Parsed({"A100", "A200", "D201", "D108"});
    EXPECT_EQ(t.waypointProtocol, 100);
    EXPECT_EQ(t.waypointType, 0);
    EXPECT_EQ(t.routeProtocol, 200);
    EXPECT_EQ(t.routeHeaderType, 201);
    EXPECT_EQ(t.routeWaypointType, 108);
    EXPECT_EQ(t.routeLinkType, 0);

    // An unknown protocol stores nothing; its types are skipped as entries of their own.
    t = Parsed({"A999", "D100", "A300", "D300", "D301", "A600", "D600", "A700", "A800", "D800"});
    EXPECT_EQ(t.trackProtocol, 300);
    EXPECT_EQ(t.trackType1, 300);
    EXPECT_EQ(t.trackType2, 0);
    EXPECT_EQ(t.waypointType, 0);
    EXPECT_EQ(t.protocol600, 600);
    EXPECT_EQ(t.type600, 600);
    EXPECT_EQ(t.protocol700, 700);
    EXPECT_EQ(t.type700, 0);
    EXPECT_EQ(t.type800, 800);

    // A protocol listed twice keeps its last listing.
    t = Parsed({"A100", "D103", "A100", "D109"});
    EXPECT_EQ(t.waypointType, 109);
    EXPECT_EQ(WaypointProtocolText(ProtocolTable()), "A0, D0");
    EXPECT_EQ(RouteProtocolText(ProtocolTable()), "A0, D0, D0, D0");
}

TEST(CapabilityList, OnlyWholeEntriesWithinTheDataAreRead) {
    // The list ends inside an entry: the 2 bytes left over are no entry.
    Bytes data = CapabilityData({"A100", "D108", "A201"});
    data.push_back('D');
    data.push_back(0xCA);
    ProtocolTable t;
    ParseCapabilityList(data.data(), static_cast<int>(data.size()), &t);
    EXPECT_EQ(t.routeProtocol, 201);
    EXPECT_EQ(t.routeHeaderType, 0);

    // The type expected after the last entry is not looked for beyond the data.
    Bytes last = CapabilityData({"A301"});
    ParseCapabilityList(last.data(), static_cast<int>(last.size()), &t);
    EXPECT_EQ(t.trackProtocol, 301);
    EXPECT_EQ(t.trackType1, 0);
    ParseCapabilityList(nullptr, 0, &t);
}

TEST_F(TableFile, FieldsAreTakenAtTheirColumns) {
    Write("; comment line\n" +
          Row(73, {{22, "A100"},
                   {28, "D103"},
                   {33, "A201"},
                   {39, "D201"},
                   {45, "D103"},
                   {50, "A300"},
                   {56, "D300"},
                   {61, "A400"},
                   {67, "D400"},
                   {72, "A500"},
                   {78, "D500"}}) +
          "\n");
    ASSERT_TRUE(Load(73));
    std::vector<int> expected = {100, 103, 201, 201, 103, 0, 300, 300, 0, 400,
                                 400, 500, 500, 0,   0,   0, 0,   0,   0};
    EXPECT_EQ(Entries(table), expected);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(TableFile, AFieldOffItsColumnStaysZero) {
    Write(Row(7, {{22, "A100"}}) + "\n" +  // nothing at 28
          Row(8, {{22, "A 100"}, {27, "D100"}, {33, "a200"}, {39, "DX"}}) + "\n" +
          Row(9, {{22, "A100"}, {28, "D101"}, {50, "A301"}, {56, "D301"}}) + "\r\n");
    ASSERT_TRUE(Load(7));
    EXPECT_EQ(table.waypointProtocol, 100);
    EXPECT_EQ(table.waypointType, 0);

    ASSERT_TRUE(Load(8));
    EXPECT_EQ(table.waypointProtocol, 100) << "blanks between letter and number are allowed";
    EXPECT_EQ(table.waypointType, 0) << "the letter stands one column early";
    EXPECT_EQ(table.routeProtocol, 0) << "the letter must be upper case";
    EXPECT_EQ(table.routeHeaderType, 0) << "no number after the letter";

    // A301 from the table: track type 2 never comes from the file. The carriage
    // return before the line feed does no harm.
    ASSERT_TRUE(Load(9));
    EXPECT_EQ(table.trackProtocol, 301);
    EXPECT_EQ(table.trackType1, 301);
    EXPECT_EQ(table.trackType2, 0);
}

TEST_F(TableFile, FirstMatchWinsLastLineNeedsNoLineFeedAndFailuresAreReported) {
    Write("  12 leading blanks   A100  D100\n" + Row(12, {{22, "A100"}, {28, "D108"}}) + "\n" +
          "x13 not a number      A100  D101\n" + Row(14, {{22, "A100"}, {28, "D102"}}));
    ASSERT_TRUE(Load(12));
    EXPECT_EQ(table.waypointType, 100);
    ASSERT_TRUE(Load(14));
    EXPECT_EQ(table.waypointType, 102);
    EXPECT_FALSE(Load(13));
    Write("");
    EXPECT_FALSE(Load(7));
    EXPECT_FALSE(ReadProtocolTableFile(dir.File("missing/QUORVEX.XRF"), 7, &table));
    EXPECT_EQ(feedback.messages,
              std::vector<std::string>({FormatText(kNotListedMessage.c_str(), 13),
                                        FormatText(kNotListedMessage.c_str(), 7), kNoFileMessage}));
}

TEST(ShippedTableFile, ListsTheReceiversWithoutCapabilityLists) {
    // The file the build puts beside the programs.
    std::string path = BinDir() + "/QUORVEX.XRF";
    ASSERT_TRUE(FileExists(path));
    RecordingFeedback feedback;
    struct Expected {
        int id;
        std::vector<int> entries;  // waypoint, type, route, header, route waypoint, track, type
    };
    const Expected cases[] = {
        {7, {100, 100, 200, 200, 100, 0, 0}},      {36, {100, 152, 200, 200, 152, 300, 300}},
        {41, {100, 100, 201, 201, 100, 300, 300}}, {77, {100, 103, 201, 201, 103, 300, 300}},
        {29, {100, 102, 201, 201, 102, 300, 300}}, {52, {100, 150, 201, 201, 150, 0, 0}},
    };
    for (const auto& c : cases) {
        ProtocolTable t;
        ASSERT_TRUE(ReadProtocolTableFile(path, c.id, &t)) << c.id;
        std::vector<int> got = {t.waypointProtocol, t.waypointType,      t.routeProtocol,
                                t.routeHeaderType,  t.routeWaypointType, t.trackProtocol,
                                t.trackType1};
        EXPECT_EQ(got, c.entries) << "product " << c.id;
    }
    ProtocolTable t;
    EXPECT_FALSE(ReadProtocolTableFile(path, 110, &t)) << "current receivers are not listed";
}

#include "garmin/protocol_table.h"

#include "quorvex_test.h"

#include "garmin/protocol_table_file.h"
#include "garmin_on_pty.h"

namespace {

// Parses exactly the bytes of the entries, so a read past them is caught.
ProtocolTable Parsed(const Bytes& data) {
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

}  // namespace

TEST(CapabilityList, EachProtocolTakesTheTypesThatFollowIt) {
    ProtocolTable t =
        Parsed(CapabilityData({"P000", "L001", "A010", "A100", "D108", "A201", "D202", "D108",
                               "D210", "A301", "D310", "D301", "A400", "D108", "A500", "D501"}));
    EXPECT_EQ(Entries(t), (std::vector<int>{100, 108, 201, 202, 108, 210, 301, 310, 301, 400, 108,
                                            500, 501, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(WaypointProtocolText(t), "A100, D108");
    EXPECT_EQ(TrackProtocolText(t), "A301, D310, D301");

    // A missing type leaves its entry for the next protocol; an unknown protocol
    // stores nothing and its types are skipped; a protocol listed twice keeps the last.
    t = Parsed(CapabilityData({"A100", "A200", "D201", "D108", "A999", "D100", "A300", "D300",
                               "D301", "A700", "A800", "D800", "A100", "D109"}));
    EXPECT_EQ(Entries(t), (std::vector<int>{100, 109, 200, 201, 108, 0, 300, 300, 0, 0, 0, 0, 0, 0,
                                            0, 700, 0, 800, 800}));

    // The list ends inside an entry: the 2 bytes left over are no entry; the type
    // expected after the last entry is not looked for beyond the data.
    Bytes data = CapabilityData({"A100", "D108", "A201"});
    data.insert(data.end(), {'D', 0xCA});
    t = Parsed(data);
    EXPECT_EQ(t.routeProtocol, 201);
    EXPECT_EQ(t.routeHeaderType, 0);
    EXPECT_EQ(Parsed(CapabilityData({"A301"})).trackType1, 0);
    EXPECT_EQ(Parsed({}).waypointProtocol, 0);
}

TEST(TableFile, FieldsAtTheirColumnsFirstMatchAndFailures) {
    RecordingFeedback feedback;
    TempDir dir;
    const std::string file = dir.File("QUORVEX.XRF");
    std::ofstream(file, std::ios::binary)
        << "; comment line\n"
           "73  Some Model        A100  D103 A201  D201  D103 A300  D300 A400  D400 A500  D500\n"
           "8   Off columns       A 100D100  a200  DX\n"
           "9   Some Model        A100  D101                  A301  D301\r\n"
           "9   Later line        A100  D108\n"
           "x13 not a number      A100  D101\n"
           "14  No line feed      A100  D102";
    ProtocolTable t;
    auto load = [&t](const std::string& path, int id) {
        t = ProtocolTable();
        return ReadProtocolTableFile(path, id, &t);
    };
    ASSERT_TRUE(load(file, 73));
    EXPECT_EQ(Entries(t), (std::vector<int>{100, 103, 201, 201, 103, 0, 300, 300, 0, 400, 400, 500,
                                            500, 0, 0, 0, 0, 0, 0}));
    // Blanks between letter and number are allowed; a letter one column early,
    // a lower-case letter and a letter without a number are no field.
    ASSERT_TRUE(load(file, 8));
    EXPECT_EQ(Entries(t),
              (std::vector<int>{100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // The first line wins; track type 2 never comes from the file.
    ASSERT_TRUE(load(file, 9));
    EXPECT_EQ(Entries(t),
              (std::vector<int>{100, 101, 0, 0, 0, 0, 301, 301, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(load(file, 14));
    EXPECT_EQ(t.waypointType, 102);
    EXPECT_FALSE(load(file, 13));
    EXPECT_FALSE(load(dir.File("missing/QUORVEX.XRF"), 7));
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{
                  "Product ID (13) is not listed in the 'QUORVEX.XRF' table.\n You may add it to "
                  "the table if you know the correct protocols for your GPS.",
                  "Can't open 'QUORVEX.XRF' file.\nFile must be in the same directory as "
                  "QUORVEX.EXE."}));

    // The file the build puts beside the programs; product 77 lists its later
    // software version first.
    const std::string shipped = BinDir() + "/QUORVEX.XRF";
    ASSERT_TRUE(load(shipped, 77));
    EXPECT_EQ(Entries(t), (std::vector<int>{100, 103, 201, 201, 103, 0, 300, 300, 0, 0, 0, 0, 0, 0,
                                            0, 0, 0, 0, 0}));
    EXPECT_FALSE(load(shipped, 110)) << "current receivers are not listed";
}

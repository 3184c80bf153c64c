#include "quorvex_test.h"

#include <cmath>
#include <ctime>

#include "layers/attribute_store.h"
#include "read_back.h"

using nlohmann::json;

namespace {

void AppendText(Bytes& b, const char* text) {
    b.insert(b.end(), text, text + std::strlen(text));
}

void AppendDescriptor(Bytes& b, const char* name, char type, unsigned char width,
                      unsigned char decimals) {
    Bytes d(32, 0);
    std::memcpy(d.data(), name, std::strlen(name));
    d[11] = static_cast<unsigned char>(type);
    d[16] = width;
    d[17] = decimals;
    b.insert(b.end(), d.begin(), d.end());
}

int WaypointTable(AttributeStore& store, const char* fileName) {
    int t = store.AddTable("Waypoints", fileName);
    store.AddField(t, "Ident", 'C', 12, 0);
    store.AddField(t, "Longitude", 'N', 12, 5);
    store.AddField(t, "Latitude", 'N', 12, 5);
    store.ReserveRecords(t, 500);
    return t;
}

std::tm Today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

// Header 32 + 3 descriptors 96 + terminator 1 + 2 records of 37 + end mark 1.
TEST(DbfWriter, TwoWaypointsByteForByte) {
    TempDir dir;
    AttributeStore store;
    int t = WaypointTable(store, "WPTS");
    store.SetText(t, 0, 0, "HOME");
    store.SetNumber(t, 0, 1, -83.123456789);
    store.SetNumber(t, 0, 2, 42.5);
    store.SetText(t, 1, 0, "CAMP-ABCDEFGHIJ");
    store.SetNumber(t, 1, 1, 7.0);
    store.SetNumber(t, 1, 2, 1.0e25);  // "no altitude" from a receiver: does not fit
    // NUL bytes in a flag or a field go out as blanks.
    *store.RecordField(t, 1, -1) = 0;
    store.RecordField(t, 1, 2)[11] = 0;

    std::tm before = Today();
    ASSERT_TRUE(store.WriteDbf(t, dir.path()));
    std::tm after = Today();
    Bytes file = ReadBytes(dir.File("WPTS.DBF"));
    ASSERT_EQ(file.size(), 204u);
    // The date bytes: written between the two clock readings.
    std::tm day = file[3] == after.tm_mday ? after : before;

    // Version, date, 2 records, header length 129, record length 37, 20 zero bytes.
    Bytes expected = {3,
                      static_cast<unsigned char>(day.tm_year),
                      static_cast<unsigned char>(day.tm_mon + 1),
                      static_cast<unsigned char>(day.tm_mday),
                      2,
                      0,
                      0,
                      0,
                      129,
                      0,
                      37,
                      0};
    expected.insert(expected.end(), 20, 0);
    AppendDescriptor(expected, "Ident", 'C', 12, 0);
    AppendDescriptor(expected, "Longitude", 'N', 12, 5);
    AppendDescriptor(expected, "Latitude", 'N', 12, 5);
    expected.push_back(0x0D);
    AppendText(expected, " HOME           -83.12346    42.50000");
    AppendText(expected, " CAMP-ABCDEFG     7.00000            ");
    expected.push_back(0x1A);
    EXPECT_EQ(file, expected);

    // Written again, the same bytes.
    ASSERT_TRUE(store.WriteDbf(t, dir.path()));
    Bytes again = ReadBytes(dir.File("WPTS.DBF"));
    if (again[3] == file[3]) {
        EXPECT_EQ(again, file);
    }
}

TEST(DbfWriter, EmptyTableAndIndependentReader) {
    TempDir dir;
    AttributeStore store;
    int t = WaypointTable(store, "EMPTY");
    ASSERT_TRUE(store.WriteDbf(t, dir.path()));
    Bytes file = ReadBytes(dir.File("EMPTY.DBF"));
    ASSERT_EQ(file.size(), 32u + 96 + 1 + 1);
    EXPECT_EQ(file[128], 0x0D);
    EXPECT_EQ(file[129], 0x1A);

    // A table of every field type the store writes, read back by pyshp.
    int all = store.AddTable("All", "ALL");
    store.AddField(all, "Name", 'C', 20, 0);
    store.AddField(all, "Altitude", 'N', 10, 2);
    store.AddField(all, "Count", 'N', 6, 0);
    store.AddField(all, "Ten_Chars_", 'C', 3, 0);
    store.ReserveRecords(all, 500);
    for (int r = 0; r < 1200; ++r) {  // beyond one growth step
        store.SetText(all, r, 0, ("wp" + std::to_string(r)).c_str());
        store.SetNumber(all, r, 1, r * 1.25 - 100);
        store.SetNumber(all, r, 2, r);
        store.SetText(all, r, 3, "xyz");
    }
    store.SetNumber(all, 5, 1, 1.0e25);
    store.SetNumber(all, 6, 2, std::nan(""));
    ASSERT_TRUE(store.WriteDbf(all, dir.path()));

    json got = ReadBack(dir.File("ALL"));
    ASSERT_FALSE(got.is_null());
    const json& dbf = got["dbf"];
    EXPECT_EQ(dbf["fields"], json({{"Name", "C", 20, 0},
                                   {"Altitude", "N", 10, 2},
                                   {"Count", "N", 6, 0},
                                   {"Ten_Chars_", "C", 3, 0}}));
    ASSERT_EQ(dbf["records"].size(), 1200u);
    EXPECT_EQ(dbf["records"][0], json({"wp0", -100.0, 0, "xyz"}));
    EXPECT_EQ(dbf["records"][1199], json({"wp1199", 1398.75, 1199, "xyz"}));
    EXPECT_TRUE(dbf["records"][5][1].is_null());  // blank: no value
    EXPECT_TRUE(dbf["records"][6][2].is_null());

    // shapelib's reader agrees on the blank and on a regular value.
    CommandResult dump = RunCommand("dbfdump -m '" + dir.File("ALL.DBF") + "' | head -40");
    EXPECT_NE(dump.output.find("wp4"), std::string::npos) << dump.output;
}

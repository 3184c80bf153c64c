// The header and records as written, byte for byte: DbfWriter.ByteForByte.

#include "layers/attribute_store.h"

#include "quorvex_test.h"

#include <cmath>

#include "core/byte_order.h"
#include "core/text_encoding.h"

namespace {

std::string Field(AttributeStore& store, int t, int record, int field) {
    char out[256];
    store.GetText(t, record, field, out);
    return out;
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

TEST(AttributeStore, TextFields) {
    AttributeStore store;
    int t = store.AddTable("T", "T");
    store.AddField(t, "Code", 'C', 5, 0);
    store.AddField(t, "Other", 'C', 3, 0);
    store.ReserveRecords(t, 10);
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

    EXPECT_FALSE(store.SetText(t, 0, 2, "x") || store.SetText(7, 0, 0, "x"));  // no such field
    char out[8] = "junk";
    EXPECT_EQ(store.GetText(t, 10, 0, out), nullptr);  // beyond the buffer
    EXPECT_STREQ(out, "");
    EXPECT_EQ(store.GetText(9, 0, 0, out), nullptr);
}

TEST(AttributeStore, NumberFields) {
    AttributeStore store;
    int t = store.AddTable("T", "T");
    for (auto [name, type, width, decimals] : {std::tuple{"Longitude", 'N', 12, 5},
                                               {"Label", 'C', 12, 0},
                                               {"Double", 'F', 8, 0},
                                               {"Single", 'F', 4, 0},
                                               {"Bad", 'F', 6, 0},
                                               {"Logical", 'L', 1, 0}})
        store.AddField(t, name, type, width, decimals);
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

TEST(AttributeStore, FindRecordIsACaseBlindPrefixMatch) {
    AttributeStore store;
    int t = store.AddTable("Waypoints", "WPTS");
    store.AddField(t, "Ident", 'C', 12, 0);
    EXPECT_EQ(store.FindRecord(t, 0, "abc"), -1);  // no records yet
    store.ReserveRecords(t, 500);
    store.SetText(t, 0, 0, "XYZ");
    store.SetText(t, 1, 0, "ABCD");
    store.SetText(t, 2, 0, "abc");
    EXPECT_EQ(store.FindRecord(t, 0, "abc"), 1);
    EXPECT_EQ(store.FindRecord(t, 0, "ABC "), 2);  // blanks of the padding count
    for (const char* missing : {"", static_cast<const char*>(nullptr), "Q"})
        EXPECT_EQ(store.FindRecord(t, 0, missing), -1);
    EXPECT_EQ(store.FindRecord(t, 9, "abc"), -1);
    // Longer than the field: found as SetText stored it, cut to the field; the
    // blank field behind it is not compared with the rest of the text.
    store.SetText(t, 3, 0, "LOOKOUTPOINTNORTH");
    EXPECT_EQ(store.FindRecord(t, 0, "lookoutpointnorth"), 3);
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

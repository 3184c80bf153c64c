// Checksums and field extraction of the sentence link.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "magellan/magellan_device.h"
#include "magellan_test_lines.h"

TEST(MagellanChecksum, CommandsCarryTheReceiversChecksums) {
    EXPECT_EQ(MagellanDevice::Checksum("$PMGNCMD,HANDON"), 0x70);
    EXPECT_EQ(MagellanDevice::Checksum("$PMGNCMD,VERSION"), 0x28);
    EXPECT_EQ(MagellanDevice::Checksum("$PMGNCMD,WAYPOINT"), 0x71);
    EXPECT_EQ(MagellanDevice::Checksum("$PMGNCMD,ROUTE"), 0x2B);
    EXPECT_EQ(MagellanDevice::Checksum("$PMGNCMD,TRACK"), 0x3D);
    EXPECT_EQ(MagellanDevice::Checksum("$PMGNCMD,END*3D\r\n"), 0x3D);
}

TEST(MagellanChecksum, SkipsEveryDollarAndStopsAtTheStar) {
    EXPECT_EQ(MagellanDevice::Checksum(""), 0);
    EXPECT_EQ(MagellanDevice::Checksum("$A*B"), MagellanDevice::Checksum("$A"));
    EXPECT_EQ(MagellanDevice::Checksum("A$B"), 'A' ^ 'B');
    EXPECT_EQ(MagellanDevice::Checksum("$$"), 0);
    EXPECT_EQ(MagellanDevice::Checksum("*ABC"), 0);
}

TEST(MagellanField, FindsFieldsByCommaCount) {
    char out[MagellanDevice::kFieldBufferSize];
    const char text[] = "a,b,c,d*12";
    EXPECT_EQ(MagellanDevice::GetField(out, text, 0), text);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(MagellanDevice::GetField(out, text, 3), text + 6);
    EXPECT_STREQ(out, "d");

    std::strcpy(out, "stale");
    EXPECT_EQ(MagellanDevice::GetField(out, text, 4), nullptr);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(MagellanDevice::GetField(out, "", 0), nullptr);
}

TEST(MagellanField, EmptyAndMissingFields) {
    char out[MagellanDevice::kFieldBufferSize];
    // Two commas in a row: an empty field that exists.
    const char empty[] = "a,,c";
    EXPECT_EQ(MagellanDevice::GetField(out, empty, 1), empty + 2);
    EXPECT_STREQ(out, "");
    // A trailing comma has no field behind it.
    EXPECT_EQ(MagellanDevice::GetField(out, "a,b,", 2), nullptr);
    EXPECT_STREQ(MagellanDevice::GetField(out, "a,b,", 1), "b,");
    EXPECT_STREQ(out, "b");
}

TEST(MagellanField, EndsAtStarLineFeedOrEndButKeepsCarriageReturn) {
    char out[MagellanDevice::kFieldBufferSize];
    MagellanDevice::GetField(out, "$PMGNRTE,2,2,c,1,PARK,a*3C\r\n", 6);
    EXPECT_STREQ(out, "a");
    MagellanDevice::GetField(out, "$PMGNRTE,2,2,c,1,PARK,a\r\n", 6);
    EXPECT_STREQ(out, "a\r");
    MagellanDevice::GetField(out, "$X,last", 1);
    EXPECT_STREQ(out, "last");
}

TEST(MagellanField, LongFieldIsCutToTheBuffer) {
    GuardedBuffer<MagellanDevice::kFieldBufferSize> buffer;
    const std::string longName(200, 'N');
    const std::string sentence = "$PMGNWPL,4807.038,N,01131.000,E,0,M," + longName + ",x*00\r\n";
    ASSERT_NE(MagellanDevice::GetField(buffer.text, sentence.c_str(), 7), nullptr);
    EXPECT_EQ(std::string(buffer.text), std::string(79, 'N'));
    EXPECT_TRUE(buffer.GuardIntact());

    // The 256-byte buffer of the version reply holds a longer description.
    char description[MagellanDevice::kDescriptionSize];
    MagellanDevice::GetField(description, sentence.c_str(), 7);
    EXPECT_EQ(std::string(description), longName);
}

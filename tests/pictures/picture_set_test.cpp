#include "pictures/picture_set.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "layers/attribute_store.h"
#include "recording_feedback.h"
#include "test_files.h"

TEST(SelectPictures, DatesEachFileAndMeasuresPathsAndNames) {
    TempDir dir;
    std::ofstream(dir.File("IMG_0001.JPG")) << "Exif 2003:05:17 14:22:01";
    std::ofstream(dir.File("a_longer_name.jpeg")) << "no date";
    PictureSet set;
    set.SelectPictures({dir.File("IMG_0001.JPG"), dir.File("a_longer_name.jpeg")});
    ASSERT_EQ(2, set.pictureCount);
    EXPECT_EQ(51721, set.pictures[0].seconds);
    EXPECT_GE(set.pictures[1].year, 2020);
    EXPECT_EQ(static_cast<int>(dir.File("a_longer_name.jpeg").size()), set.longestPathLength);
    EXPECT_EQ(13, set.longestNameLength);
    EXPECT_EQ(18, set.longestFileNameLength);
    EXPECT_EQ(dir.path(), set.DirectoryOfFirstPicture());
}

TEST(SelectPictures, KeepsTheFirst10000AndTellsTheUser) {
    RecordingFeedback feedback;
    std::vector<std::string> paths;
    for (int i = 0; i <= PictureSet::kMaxPictures; ++i)
        paths.push_back("/none/" + std::to_string(i));
    PictureSet set;
    set.SelectPictures(paths);
    EXPECT_EQ(PictureSet::kMaxPictures, set.pictureCount);
    EXPECT_EQ("/none/9999", set.pictures[PictureSet::kMaxPictures - 1].path);
    ASSERT_EQ(1u, feedback.messages.size());
    EXPECT_TRUE(feedback.HasMessage("10001"));
}

TEST(FieldWidth, LongestPathOrNamePlusTwoAtLeastTheMinimumAtMost254) {
    RecordingFeedback feedback;
    PictureSet set;
    set.longestPathLength = 20;
    EXPECT_EQ(22, set.ComputeFieldWidth());
    set.longestPathLength = 10;
    EXPECT_EQ(15, set.ComputeFieldWidth());
    set.longestPathLength = 252;
    EXPECT_EQ(254, set.ComputeFieldWidth());
    EXPECT_TRUE(feedback.messages.empty());

    set.longestPathLength = 300;
    EXPECT_EQ(254, set.ComputeFieldWidth());
    set.longestPathLength = 10;
    set.minimumFieldWidth = 400;
    EXPECT_EQ(254, set.ComputeFieldWidth());
    EXPECT_EQ(2u, feedback.messages.size());
}

TEST(AddPictureFields, AppendsNamedTextFieldsOnlyBeforeRecordsAndOnlyForPictures) {
    PictureSet set;
    AttributeStore store;
    int table = store.AddTable("Garmin GPS Waypoints", "Waypoints");
    store.AddField(table, "Ident", 'C', 12, 0);
    EXPECT_EQ(-1, set.AddPictureFields(store, table));  // nothing selected
    AttributeStore other;  // ... so a matching leaves every record alone
    int filled = other.AddTable("Waypoints", "Waypoints");
    other.AddField(filled, "Comment", 'C', 40, 0);
    other.SetText(filled, 0, 0, "17-MAY-03 14:22");
    other.Table(filled).modified = false;
    set.MatchPictures(other, filled, 0);
    EXPECT_FALSE(other.Table(filled).modified);

    set.pictureCount = 1;
    set.picturesPerWaypoint = 9;  // more than there are names: six fields
    EXPECT_EQ(-1, set.AddPictureFields(store, table + 1));
    EXPECT_EQ(1, set.AddPictureFields(store, table));
    EXPECT_EQ(7, store.FieldCount(table));
    const FieldDef& north = store.Table(table).fields[1];
    EXPECT_EQ("North", std::string(north.name));
    EXPECT_EQ('C', north.type);
    EXPECT_EQ(15, north.width);  // computed here, as no width was set

    store.ReserveRecords(table, 500);
    EXPECT_EQ(-1, set.AddPictureFields(store, table));
    EXPECT_EQ(7, store.FieldCount(table));
}

TEST(CheckFieldNames, NamesTheFirstNameTheMatchingCannotUse) {
    const struct {
        std::vector<std::string> names;  // the first four fields
        int used;
        const char* complaint;  // "" when fine
    } cases[] = {
        {{"North", "East", "South", "West"}, 4, ""},
        {{"North", "", "south", "SOUTH"}, 1, ""},  // only the names in use count
        {{"North", "", "South", "West"}, 4, "Picture field 2 has no name."},
        {{"Ten_Chars_", "Eleven_Char"}, 2, "\"Eleven_Char\" cannot be used"},
        {{"Nord-Ost"}, 1, "\"Nord-Ost\" cannot be used"},
        {{"N\xc3\xb6rd"}, 1, "\"N\xc3\xb6rd\" cannot be used"},
        {{"North", "east", "NORTH"}, 3, "\"NORTH\" is given twice"},
        {{"North", "comment"}, 2, "\"comment\" is already a field of the waypoint table"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.complaint);
        PictureSet set;
        for (size_t i = 0; i < c.names.size(); ++i) set.fieldNames[i] = c.names[i];
        set.picturesPerWaypoint = c.used;
        std::string got = set.CheckFieldNames({"Ident", "Comment"});
        if (*c.complaint == '\0')
            EXPECT_EQ(got, "");
        else
            EXPECT_NE(got.find(c.complaint), std::string::npos) << got;
    }
}

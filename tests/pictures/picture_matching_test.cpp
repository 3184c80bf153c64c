#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layers/attribute_store.h"
#include "pictures/picture_set.h"

namespace {

// A waypoint table as the Garmin download makes it, with the picture fields of
// `set` and one record per comment.
class WaypointTable {
  public:
    WaypointTable(PictureSet& set, const std::vector<std::string>& comments) : set_(set) {
        table = store.AddTable("Garmin GPS Waypoints", "Waypoints");
        store.AddField(table, "Ident", 'C', 12, 0);
        store.AddField(table, "Longitude", 'N', 12, 5);
        store.AddField(table, "Latitude", 'N', 12, 5);
        store.AddField(table, "Comment", 'C', 40, 0);
        store.AddField(table, "Altitude", 'N', 12, 1);
        set.ComputeFieldWidth();
        set.AddPictureFields(store, table);
        store.ReserveRecords(table, 500);
        for (size_t k = 0; k < comments.size(); ++k)
            store.SetText(table, static_cast<int>(k), 3, comments[k].c_str());
    }

    void Match() { set_.MatchPictures(store, table, 3); }

    // Picture field f of waypoint k without its trailing blanks.
    std::string Field(int k, int f) {
        char text[256];
        store.GetText(table, k, set_.firstPictureField + f, text);
        std::string s(text);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }

    AttributeStore store;
    int table;

  private:
    PictureSet& set_;
};

// Adds a picture of 2003 taken on `day` of May at hh:mm:ss.
void AddPicture(PictureSet& set, const std::string& name, int day, int h, int m, int s,
                int year = 2003) {
    PictureRecord& r = set.pictures[set.pictureCount++];
    r = PictureRecord{"/trip/" + name, year, 4, day, h * 3600 + m * 60 + s};
    set.longestPathLength = std::max<int32_t>(set.longestPathLength, r.path.size());
}

}  // namespace

TEST(MatchPictures, TimeWindowEdgesAreInclusive) {
    PictureSet set;
    AddPicture(set, "early.jpg", 17, 14, 17, 0);    // 300 s before
    AddPicture(set, "late.jpg", 17, 14, 27, 0);     // 300 s after
    AddPicture(set, "toolate.jpg", 17, 14, 27, 1);  // 301 s after
    WaypointTable w(set, {"17-MAY-03 14:22"});
    w.Match();
    EXPECT_EQ("/trip/early.jpg", w.Field(0, 0));
    EXPECT_EQ("/trip/late.jpg", w.Field(0, 1));
    EXPECT_EQ("", w.Field(0, 2));

    set.timeWindow = 0;
    set.pictureCount = 0;
    AddPicture(set, "exact.jpg", 17, 14, 22, 0);
    AddPicture(set, "second.jpg", 17, 14, 22, 1);
    w.Match();
    EXPECT_EQ("/trip/exact.jpg", w.Field(0, 0));
    EXPECT_EQ("", w.Field(0, 1));
}

TEST(MatchPictures, SameMonthAndDayOnlyYearIgnoredTiesToLowerRecord) {
    PictureSet set;
    AddPicture(set, "lastyear.jpg", 16, 14, 23, 0, 2002);
    AddPicture(set, "beforemidnight.jpg", 17, 23, 58, 0);
    AddPicture(set, "tie.jpg", 18, 9, 0, 0);
    WaypointTable w(set, {"16-MAY-03 14:22", "18-MAY-03 00:01", "18-May-03 09:00",
                          "18-MAY-03 09:00", "16-MAI-03 14:23", "16-MAYO-03 14:23"});
    w.Match();
    EXPECT_EQ("/trip/lastyear.jpg", w.Field(0, 0));
    EXPECT_EQ("", w.Field(1, 0));  // 23:58 and 00:01 the next day are not 3 minutes apart
    EXPECT_EQ(-1, set.pictures[1].matchedWaypoint);
    EXPECT_EQ(kNoTimeDifference, set.pictures[1].timeDifference);
    EXPECT_EQ("/trip/tie.jpg", w.Field(2, 0));
    EXPECT_EQ("", w.Field(3, 0));
    EXPECT_EQ("", w.Field(4, 0));  // month words are JAN..DEC in any case, nothing else
    EXPECT_EQ("", w.Field(5, 0));
}

TEST(MatchPictures, UndatedPictureMatchesNoWaypoint) {
    PictureSet set;
    set.SelectPictures({"/nonexistent/picture.jpg"});
    // A waypoint whose comment gives no time must not pair with it either.
    WaypointTable w(set, {"", "0-XXX-0 0:0"});
    w.Match();
    EXPECT_EQ(-1, set.pictures[0].matchedWaypoint);
    EXPECT_EQ("", w.Field(0, 0));
    EXPECT_EQ("", w.Field(1, 0));
}

TEST(MatchPictures, FieldsFillInTimeOrderAndLocalTakesASinglePicture) {
    PictureSet set;  // four fields: North..West, no "Local" among them
    for (int i = 6; i >= 1; --i) AddPicture(set, "p" + std::to_string(i), 17, 14, 20 + i, 0);
    AddPicture(set, "alone", 18, 10, 0, 0);
    WaypointTable four(set, {"17-MAY-03 14:22", "18-MAY-03 10:00"});
    four.Match();
    EXPECT_EQ("/trip/p1 /trip/p2 /trip/p3 /trip/p4", four.Field(0, 0) + " " + four.Field(0, 1) +
                                                         " " + four.Field(0, 2) + " " +
                                                         four.Field(0, 3));
    EXPECT_EQ("/trip/alone", four.Field(1, 0));

    set.picturesPerWaypoint = 5;  // "Local" is field 5
    WaypointTable five(set, {"17-MAY-03 14:22", "18-MAY-03 10:00"});
    five.Match();
    EXPECT_EQ("/trip/p1", five.Field(0, 0));
    EXPECT_EQ("/trip/p5", five.Field(0, 4));  // with several, Local is just the fifth
    EXPECT_EQ("", five.Field(1, 0));
    EXPECT_EQ("/trip/alone", five.Field(1, 4));
}

TEST(MatchPictures, RelativePathKeepsTheWholeFileNameAndIsCutOnlyByTheWidth) {
    PictureSet set;
    set.relativePath = true;
    set.picturesDirectory = "pics";
    PictureRecord& r = set.pictures[set.pictureCount++];
    r = PictureRecord{"C:\\trip\\IMG_0001.JPG", 2003, 4, 17, 51720};
    set.longestNameLength = 8;
    set.longestFileNameLength = 12;  // the extension counts: "pics/IMG_0001.JPG" fits
    WaypointTable w(set, {"17-MAY-03 14:22"});
    EXPECT_EQ(18, set.fieldWidth);
    w.Match();
    EXPECT_EQ("pics/IMG_0001.JPG", w.Field(0, 0));
    set.minimumFieldWidth = 0;
    set.longestFileNameLength = 4;  // a width set too small still cuts, never overflows
    WaypointTable narrow(set, {"17-MAY-03 14:22"});
    narrow.Match();
    EXPECT_EQ("pics/IMG_0", narrow.Field(0, 0));
    set.picturesDirectory = "pics/";  // no second separator; "" gives the name alone
    EXPECT_EQ("pics/IMG_0001.JPG", set.PathText(r));
    set.picturesDirectory = "";
    EXPECT_EQ("IMG_0001.JPG", set.PathText(r));
}

// PictureSet: selecting and dating pictures, the field width, the picture fields
// and the matching of pictures to waypoints by time.

#include "pictures/picture_set.h"

#include "layers/attribute_store.h"
#include "quorvex_test.h"

#include <tuple>

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
    // The first `count` picture fields of waypoint k, joined by '|'.
    std::string Fields(int k, int count) {
        std::string joined = Field(k, 0);
        for (int f = 1; f < count; ++f) joined += "|" + Field(k, f);
        return joined;
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
    EXPECT_EQ(w.Fields(0, 3), "/trip/early.jpg|/trip/late.jpg|");

    set.timeWindow = 0;
    set.pictureCount = 0;
    AddPicture(set, "exact.jpg", 17, 14, 22, 0);
    AddPicture(set, "second.jpg", 17, 14, 22, 1);
    w.Match();
    EXPECT_EQ(w.Fields(0, 2), "/trip/exact.jpg|");
}

TEST(MatchPictures, SameMonthAndDayOnlyYearIgnoredTiesToLowerRecord) {
    PictureSet set;
    AddPicture(set, "lastyear.jpg", 16, 14, 23, 0, 2002);
    AddPicture(set, "beforemidnight.jpg", 17, 23, 58, 0);
    AddPicture(set, "tie.jpg", 18, 9, 0, 0);
    WaypointTable w(set, {"16-MAY-03 14:22", "18-MAY-03 00:01", "18-May-03 09:00",
                          "18-MAY-03 09:00", "16-MAI-03 14:23", "16-MAYO-03 14:23"});
    w.Match();
    // 23:58 and 00:01 the next day are not 3 minutes apart; month words are JAN..DEC
    // in any case, nothing else.
    std::string firsts;
    for (int k = 0; k < 6; ++k) firsts += w.Field(k, 0) + "|";
    EXPECT_EQ(firsts, "/trip/lastyear.jpg||/trip/tie.jpg||||");
    EXPECT_EQ(-1, set.pictures[1].matchedWaypoint);
    EXPECT_EQ(kNoTimeDifference, set.pictures[1].timeDifference);
}

TEST(MatchPictures, UndatedPictureMatchesNoWaypoint) {
    PictureSet set;
    set.SelectPictures({"/nonexistent/picture.jpg"});
    // A waypoint whose comment gives no time must not pair with it either.
    WaypointTable w(set, {"", "0-XXX-0 0:0"});
    w.Match();
    EXPECT_EQ(-1, set.pictures[0].matchedWaypoint);
    EXPECT_EQ(w.Field(0, 0) + w.Field(1, 0), "");
}

TEST(MatchPictures, AReceiversUtcTimeStampIsTakenInLocalTime) {
    // Two hours east of UTC; the comment field (here the ident, blank) has no time.
    setenv("TZ", "XST-2", 1);
    tzset();
    PictureSet set;
    AddPicture(set, "local.jpg", 17, 14, 22, 30);
    WaypointTable w(set, {"05/17/2003  12:22:00"});
    set.MatchPictures(w.store, w.table, 0, 3);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(w.Field(0, 0), "/trip/local.jpg");
}

TEST(MatchPictures, FieldsFillInTimeOrderAndLocalTakesASinglePicture) {
    PictureSet set;  // four fields: North..West, no "Local" among them
    for (int i = 6; i >= 1; --i) AddPicture(set, "p" + std::to_string(i), 17, 14, 20 + i, 0);
    AddPicture(set, "alone", 18, 10, 0, 0);
    WaypointTable four(set, {"17-MAY-03 14:22", "18-MAY-03 10:00"});
    four.Match();
    EXPECT_EQ(four.Fields(0, 4), "/trip/p1|/trip/p2|/trip/p3|/trip/p4");
    EXPECT_EQ("/trip/alone", four.Field(1, 0));

    set.picturesPerWaypoint = 5;  // "Local" is field 5
    WaypointTable five(set, {"17-MAY-03 14:22", "18-MAY-03 10:00"});
    five.Match();
    EXPECT_EQ(five.Fields(0, 5), "/trip/p1|/trip/p2|/trip/p3|/trip/p4|/trip/p5");
    EXPECT_EQ(five.Fields(1, 5), "||||/trip/alone");  // with several, Local is just the fifth
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

TEST(SelectPictures, DatesEachFileAndMeasuresPathsAndNames) {
    TempDir dir;
    std::ofstream(dir.File("IMG_0001.JPG")) << "Exif 2003:05:17 14:22:01";
    std::ofstream(dir.File("a_longer_name.jpeg")) << "no date";
    PictureSet set;
    set.SelectPictures({dir.File("IMG_0001.JPG"), dir.File("a_longer_name.jpeg")});
    ASSERT_EQ(2, set.pictureCount);
    EXPECT_EQ(51721, set.pictures[0].seconds);
    EXPECT_GE(set.pictures[1].year, 2020);
    EXPECT_EQ(std::make_tuple(set.longestPathLength, set.longestNameLength,
                              set.longestFileNameLength, set.DirectoryOfFirstPicture()),
              std::make_tuple(static_cast<int>(dir.File("a_longer_name.jpeg").size()), 13, 18,
                              dir.path()));
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
    // longest path, minimum width, width, messages so far (above 254: capped, said)
    const int rows[][4] = {
        {20, 15, 22, 0}, {10, 15, 15, 0}, {252, 15, 254, 0}, {300, 15, 254, 1}, {10, 400, 254, 2}};
    for (const auto& r : rows) {
        set.longestPathLength = r[0];
        set.minimumFieldWidth = r[1];
        EXPECT_EQ(r[2], set.ComputeFieldWidth()) << r[0];
        EXPECT_EQ(static_cast<size_t>(r[3]), feedback.messages.size()) << r[0];
    }
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
    const FieldDef& north = store.Table(table).fields[1];  // width computed, as none was set
    EXPECT_EQ(std::make_tuple(std::string(north.name), north.type, int(north.width)),
              std::make_tuple(std::string("North"), 'C', 15));

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

// PictureSet: dating pictures, selecting them, the field width, the picture
// fields and the matching of pictures to waypoints by time.

#include "pictures/picture_set.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <tuple>

#include "layers/attribute_store.h"
#include "quorvex_test.h"

namespace {

// A waypoint table as the Garmin download makes it (Comment is field 3), with the
// picture fields of `set` and one record per comment.
struct WaypointTable {
    WaypointTable(PictureSet& set, const std::vector<std::string>& comments) : set(set) {
        table = store.AddTable("Garmin GPS Waypoints", "Waypoints");
        for (const auto& [name, type, width, decimals] :
             {std::tuple{"Ident", 'C', 12, 0}, {"Longitude", 'N', 12, 5}, {"Latitude", 'N', 12, 5},
              {"Comment", 'C', 40, 0}, {"Altitude", 'N', 12, 1}})
            store.AddField(table, name, type, width, decimals);
        set.ComputeFieldWidth();
        set.AddPictureFields(store, table);
        store.ReserveRecords(table, 500);
        for (size_t k = 0; k < comments.size(); ++k)
            store.SetText(table, static_cast<int>(k), 3, comments[k].c_str());
    }
    // The first `count` picture fields of waypoint k without their trailing blanks,
    // joined by '|'.
    std::string Fields(int k, int count = 1) {
        std::string joined;
        for (int f = 0; f < count; ++f) {
            char text[256];
            store.GetText(table, k, set.firstPictureField + f, text);
            std::string s(text);
            joined += (f ? "|" : "") + s.substr(0, s.find_last_not_of(' ') + 1);
        }
        return joined;
    }
    PictureSet& set;
    AttributeStore store;
    int table;
};

// A picture taken in May on `day` (0: undated) at h:m:s.
struct Shot {
    const char* name;
    int day, h, m, s, year = 2003;
};
void AddPicture(PictureSet& set, const Shot& shot) {
    PictureRecord& r = set.pictures[set.pictureCount++];
    r = PictureRecord{std::string("/trip/") + shot.name, shot.year, shot.day ? 4 : -1, shot.day,
                      shot.h * 3600 + shot.m * 60 + shot.s};
    set.longestPathLength = std::max<int32_t>(set.longestPathLength, r.path.size());
}

// Searches exactly the bytes of `text` (held without a terminator, so that the
// address sanitizer sees any read beyond them).
bool Find(const std::string& text, PictureRecord* record) {
    std::vector<char> bytes(text.begin(), text.end());
    return FindDateText(bytes.data(), bytes.size(), record);
}
using Time = std::vector<int>;  // year, month (0 to 11), day, seconds since midnight
Time TimeOf(const PictureRecord& r) { return {r.year, r.month, r.day, r.seconds}; }

}  // namespace

TEST(DateText, FirstTextStartingAtATwoGivesDateAndSecondsSinceMidnight) {
    const struct {
        std::string bytes;
        Time time;  // empty: none found
    } cases[] = {
        {std::string("\xff\xd8\0Exif\0", 8) + "2003:05:17 14:22:01", {2003, 4, 17, 51721}},
        {"x2:3:4 5:6:7", {2, 2, 4, 18367}},  // numbers are taken as they stand
        {"2004:00:01\t\n 00: 00:+09", {2004, -1, 1, 9}},  // scanf's blanks and signs
        {"1999:12:31 23:59:59", {}},
        {"1999:12:31 23:59:59 junk 2001:02:03 04:05:06 2003:05:17 14:22:01", {2001, 1, 3, 14706}},
        {std::string(3000, '2') + " 2005:06:07 08:09:10", {2005, 5, 7, 29350}},
        {"2003:05:17 14:22:", {}},                       // cut short at the end
        {std::string("2003:05:17\0 14:22:01", 20), {}},  // a NUL ends it
    };
    for (const auto& c : cases) {
        PictureRecord r;
        EXPECT_EQ(Find(c.bytes, &r) ? TimeOf(r) : Time(), c.time) << c.bytes.substr(0, 40);
    }
}

// Only the first 65,000 bytes are searched; a file without a date text is dated
// by its creation (today), not its modification time; a file without a status by
// nothing; a named pipe without a writer does not block.
TEST(DateText, FilesAreSearchedInTheirFirst65000BytesThenDatedByCreation) {
    const time_t before = std::time(nullptr);
    TempDir dir;
    const std::string text = "2003:05:17 14:22:01";
    PictureRecord inside{dir.File("inside.jpg")}, outside{dir.File("outside.jpg")},
        plain{dir.File("plain.gif")}, missing{dir.File("gone.jpg"), 2003, 4},
        pipe{dir.File("pipe.jpg")};
    std::ofstream(inside.path) << std::string(65000 - text.size(), 'x') + text;
    std::ofstream(outside.path) << std::string(65000, 'x') + text;
    std::ofstream(plain.path) << std::string(70000, '2');
    struct timespec old[2] = {{988000000, 0}, {988000000, 0}};  // April 2001
    ASSERT_EQ(0, utimensat(AT_FDCWD, plain.path.c_str(), old, 0));
    ASSERT_EQ(0, mkfifo(pipe.path.c_str(), 0600));
    for (PictureRecord* r : {&inside, &outside, &plain, &missing, &pipe}) ReadPictureTime(r);
    EXPECT_EQ(Time({2003, 4, 17, 51721}), TimeOf(inside));
    std::tm local{};
    local.tm_year = plain.year - 1900;
    local.tm_mon = plain.month;
    local.tm_mday = plain.day;
    local.tm_sec = plain.seconds;
    local.tm_isdst = -1;
    EXPECT_GE(std::mktime(&local), before - 1);
    EXPECT_LE(std::mktime(&local), std::time(nullptr) + 1);
    EXPECT_EQ(outside.year, plain.year);
    EXPECT_EQ(Time({0, -1, 0, 0}), TimeOf(missing));
    EXPECT_GE(pipe.month, 0);
}

TEST(MatchPictures, NearestWaypointOfTheSameDayWithinTheWindowEarliestFirst) {
    const struct {
        std::vector<Shot> shots;
        std::vector<std::string> comments;  // one waypoint each
        int window, fields;
        std::vector<std::string> expected;  // each waypoint's picture fields
    } cases[] = {
        // The window's edges count: 300 s before and after, not 301.
        {{{"early", 17, 14, 17, 0}, {"late", 17, 14, 27, 0}, {"toolate", 17, 14, 27, 1}},
         {"17-MAY-03 14:22"}, 5, 3, {"/trip/early|/trip/late|"}},
        {{{"exact", 17, 14, 22, 0}, {"second", 17, 14, 22, 1}}, {"17-MAY-03 14:22"}, 0, 2,
         {"/trip/exact|"}},
        // The same month and day only, the year ignored; 23:58 and 00:01 the next day
        // are not 3 minutes apart; ties go to the lower record; month words are
        // JAN..DEC in any case, nothing else.
        {{{"lastyear", 16, 14, 23, 0, 2002}, {"late", 17, 23, 58, 0}, {"tie", 18, 9, 0, 0}},
         {"16-MAY-03 14:22", "18-MAY-03 00:01", "18-May-03 09:00", "18-MAY-03 09:00",
          "16-MAI-03 14:23", "16-MAYO-03 14:23"},
         5, 1, {"/trip/lastyear", "", "/trip/tie", "", "", ""}},
        // An undated picture, and waypoints without a time, pair with nothing.
        {{{"undated", 0, 0, 0, 0, 0}}, {"", "0-XXX-0 0:0"}, 5, 4, {"|||", "|||"}},
        // Fields fill in time order; "Local" (field 5) takes a single picture.
        {{{"p6", 17, 14, 26, 0}, {"p5", 17, 14, 25, 0}, {"p4", 17, 14, 24, 0},
          {"p3", 17, 14, 23, 0}, {"p2", 17, 14, 22, 0}, {"p1", 17, 14, 21, 0},
          {"alone", 18, 10, 0, 0}},
         {"17-MAY-03 14:22", "18-MAY-03 10:00"}, 5, 4,
         {"/trip/p1|/trip/p2|/trip/p3|/trip/p4", "/trip/alone|||"}},
        {{{"p3", 17, 14, 23, 0}, {"p2", 17, 14, 22, 0}, {"alone", 18, 10, 0, 0}},
         {"17-MAY-03 14:22", "18-MAY-03 10:00"}, 5, 5,
         {"/trip/p2|/trip/p3|||", "||||/trip/alone"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shots[0].name);
        PictureSet set;
        set.timeWindow = c.window;
        set.picturesPerWaypoint = c.fields;
        for (const Shot& shot : c.shots) AddPicture(set, shot);
        WaypointTable w(set, c.comments);
        set.MatchPictures(w.store, w.table, 3);
        for (size_t k = 0; k < c.expected.size(); ++k)
            EXPECT_EQ(w.Fields(static_cast<int>(k), c.fields), c.expected[k]) << k;
    }
}

TEST(MatchPictures, AReceiversUtcTimeStampIsTakenInLocalTime) {
    // Two hours east of UTC; the comment field (here the ident, blank) has no time.
    setenv("TZ", "XST-2", 1);
    tzset();
    PictureSet set;
    AddPicture(set, {"local.jpg", 17, 14, 22, 30});
    WaypointTable w(set, {"05/17/2003  12:22:00"});
    set.MatchPictures(w.store, w.table, 0, 3);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(w.Fields(0), "/trip/local.jpg");
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
    set.MatchPictures(w.store, w.table, 3);
    EXPECT_EQ("pics/IMG_0001.JPG", w.Fields(0));
    set.minimumFieldWidth = 0;
    set.longestFileNameLength = 4;  // a width set too small still cuts, never overflows
    WaypointTable narrow(set, {"17-MAY-03 14:22"});
    set.MatchPictures(narrow.store, narrow.table, 3);
    EXPECT_EQ("pics/IMG_0", narrow.Fields(0));
    set.picturesDirectory = "pics/";  // no second separator; "" gives the name alone
    EXPECT_EQ("pics/IMG_0001.JPG", set.PathText(r));
    set.picturesDirectory = "";
    EXPECT_EQ("IMG_0001.JPG", set.PathText(r));
}

// Selecting dates each picture (DateText), measures the paths and names for the
// field width and keeps the first 10,000.
TEST(SelectPictures, MeasuresPathsAndNamesAndKeepsTheFirst10000) {
    PictureSet set;
    set.SelectPictures({"/trip/IMG_0001.JPG", "/trip/a_longer_name.jpeg"});
    EXPECT_EQ(std::make_tuple(set.longestPathLength, set.longestNameLength,
                              set.longestFileNameLength, set.DirectoryOfFirstPicture()),
              std::make_tuple(24, 13, 18, std::string("/trip/")));
    RecordingFeedback feedback;
    std::vector<std::string> paths;
    for (int i = 0; i <= PictureSet::kMaxPictures; ++i)
        paths.push_back("/none/" + std::to_string(i));
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
    WaypointTable w(set, {"17-MAY-03 14:22"});  // nothing selected: no fields ...
    EXPECT_EQ(-1, set.firstPictureField);
    w.store.Table(w.table).modified = false;  // ... and a matching leaves every record alone
    set.MatchPictures(w.store, w.table, 3);
    EXPECT_FALSE(w.store.Table(w.table).modified);

    AttributeStore store;
    int table = store.AddTable("Garmin GPS Waypoints", "Waypoints");
    store.AddField(table, "Ident", 'C', 12, 0);
    set.fieldWidth = 0;  // not computed yet
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
        const std::string got = set.CheckFieldNames({"Ident", "Comment"});
        EXPECT_EQ(got.empty(), *c.complaint == '\0') << got;
        EXPECT_NE(got.find(c.complaint), std::string::npos) << got;
    }
}

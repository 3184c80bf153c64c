#include "pictures/picture_time.h"

#include <fcntl.h>
#include <sys/stat.h>
#include "quorvex_test.h"

#include <ctime>

namespace {

// Searches exactly the bytes of `text` (held without a terminator, so that the
// address sanitizer sees any read beyond them).
bool Find(const std::string& text, PictureRecord* record) {
    std::vector<char> bytes(text.begin(), text.end());
    return FindDateText(bytes.data(), bytes.size(), record);
}

void WriteFile(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

using Time = std::vector<int>;  // year, month (0 to 11), day, seconds since midnight
Time TimeOf(const PictureRecord& r) {
    return {r.year, r.month, r.day, r.seconds};
}

// The record's local date and time as calendar seconds.
time_t RecordTime(const PictureRecord& r) {
    std::tm local{};
    local.tm_year = r.year - 1900;
    local.tm_mon = r.month;
    local.tm_mday = r.day;
    local.tm_sec = r.seconds;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace

TEST(DateText, FirstTextStartingAtATwoGivesDateAndSecondsSinceMidnight) {
    PictureRecord r;
    ASSERT_TRUE(Find(std::string("\xff\xd8\0Exif\0", 8) + "2003:05:17 14:22:01", &r));
    EXPECT_EQ(Time({2003, 4, 17, 51721}), TimeOf(r));
    ASSERT_TRUE(Find("x2:3:4 5:6:7", &r));  // numbers are taken as they stand
    EXPECT_EQ(Time({2, 2, 4, 18367}), TimeOf(r));
    ASSERT_TRUE(Find("2004:00:01\t\n 00: 00:+09", &r));  // scanf's blanks and signs
    EXPECT_EQ(Time({2004, -1, 1, 9}), TimeOf(r));

    EXPECT_FALSE(Find("1999:12:31 23:59:59", &r));
    ASSERT_TRUE(Find("1999:12:31 23:59:59 junk 2001:02:03 04:05:06 2003:05:17 14:22:01", &r));
    EXPECT_EQ(2001, r.year);
    ASSERT_TRUE(Find(std::string(3000, '2') + " 2005:06:07 08:09:10", &r));  // digits before
    EXPECT_EQ(2005, r.year);
    EXPECT_FALSE(Find("2003:05:17 14:22:", &r));                       // cut short at the end
    EXPECT_FALSE(Find(std::string("2003:05:17\0 14:22:01", 20), &r));  // a NUL ends it
}

TEST(DateText, FileIsSearchedOnlyInItsFirst65000Bytes) {
    TempDir dir;
    const std::string text = "2003:05:17 14:22:01";
    PictureRecord inside{dir.File("inside.jpg")}, outside{dir.File("outside.jpg")};
    WriteFile(inside.path, std::string(65000 - text.size(), 'x') + text);
    WriteFile(outside.path, std::string(65000, 'x') + text);
    ReadPictureTime(&inside);
    ReadPictureTime(&outside);
    EXPECT_EQ(Time({2003, 4, 17, 51721}), TimeOf(inside));
    EXPECT_NE(2003, outside.year);  // dated by its creation, which is today
}

TEST(CreationTime, UsedWithoutDateTextNotTheModificationTimeNoneWithoutStatus) {
    TempDir dir;
    time_t before = std::time(nullptr);
    PictureRecord r{dir.File("plain.gif")};
    WriteFile(r.path, std::string(70000, '2'));
    struct timespec old[2] = {{988000000, 0}, {988000000, 0}};  // April 2001
    ASSERT_EQ(0, utimensat(AT_FDCWD, r.path.c_str(), old, 0));
    ReadPictureTime(&r);
    time_t after = std::time(nullptr);
    EXPECT_GE(RecordTime(r), before - 1);
    EXPECT_LE(RecordTime(r), after + 1);

    // An unreadable status marks no time; a special file does not block.
    PictureRecord missing{dir.File("gone.jpg")};
    missing.year = 2003;
    missing.month = 4;
    ReadPictureTime(&missing);
    EXPECT_EQ(Time({0, -1, 0, 0}), TimeOf(missing));

    PictureRecord pipe{dir.File("pipe.jpg")};
    ASSERT_EQ(0, mkfifo(pipe.path.c_str(), 0600));
    ReadPictureTime(&pipe);  // a named pipe without a writer would block a read
    EXPECT_GE(pipe.month, 0);
}

#include "core/user_feedback.h"

#include <gtest/gtest.h>

#include "core/byte_order.h"
#include "core/fixed_text.h"
#include "recording_feedback.h"

TEST(UserFeedback, RecorderIsCurrentOnlyForItsScope) {
    {
        RecordingFeedback recorder;
        ShowMessage("first");
        ShowProgress(" Transfering Waypoints 1 of 2");
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"first"});
        EXPECT_EQ(recorder.progress.size(), 1u);
        {
            RecordingFeedback inner;
            ShowMessage("second");
            EXPECT_TRUE(inner.HasMessage("sec"));
        }
        ShowMessage("third");
        EXPECT_EQ(recorder.messages.size(), 2u);
    }
    // Back to standard error: reporting must not touch the destroyed recorders.
    ShowMessage("to stderr");
}

TEST(UserFeedback, FormatTextMatchesPrintf) {
    EXPECT_EQ(FormatText("Could not open Serial port %s\nErr = %d", "/dev/ttyS1", 2),
              "Could not open Serial port /dev/ttyS1\nErr = 2");
    EXPECT_EQ(FormatText("%12.5lf", -83.123456789), "   -83.12346");
    EXPECT_EQ(FormatText("%s", ""), "");
    std::string longText(5000, 'x');
    EXPECT_EQ(FormatText("%s!", longText.c_str()).size(), 5001u);
}

TEST(ByteOrder, RoundTripsAndLayout) {
    unsigned char b[8];
    PutBE32(b, 9994);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[2], 0x27);
    EXPECT_EQ(b[3], 0x0A);
    EXPECT_EQ(GetBE32(b), 9994u);
    PutLE32(b, 1000);
    EXPECT_EQ(b[0], 0xE8);
    EXPECT_EQ(b[1], 0x03);
    EXPECT_EQ(GetLE32(b), 1000u);
    PutLE16(b, 0xBEEF);
    EXPECT_EQ(GetLE16(b), 0xBEEF);
    PutLEDouble(b, -122.25);
    EXPECT_EQ(GetLEDouble(b), -122.25);
    PutLEFloat(b, 1.5f);
    EXPECT_EQ(GetLEFloat(b), 1.5f);
}

TEST(FixedText, TruncatesAndTerminates) {
    char field[6];
    CopyFixedText(field, "Waypoints");
    EXPECT_STREQ(field, "Waypo");
    CopyFixedText(field, nullptr);
    EXPECT_STREQ(field, "");
    CopyFixedText(field, "abc");
    EXPECT_STREQ(field, "abc");
}

#include "core/user_feedback.h"

#include "quorvex_test.h"

#include "core/fixed_text.h"

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

// Texts longer than any fixed buffer come out whole.
TEST(UserFeedback, FormatTextKeepsLongTexts) {
    std::string longText(5000, 'x');
    EXPECT_EQ(FormatText("%s!", longText.c_str()).size(), 5001u);
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

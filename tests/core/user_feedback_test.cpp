#include "core/user_feedback.h"

#include "core/fixed_text.h"
#include "quorvex_test.h"

TEST(UserFeedback, RecorderIsCurrentOnlyForItsScopeTextsComeOutWholeOrCutToTheirField) {
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
    // Texts longer than any fixed buffer come out whole; fixed fields cut and terminate.
    EXPECT_EQ(FormatText("%s!", std::string(5000, 'x').c_str()).size(), 5001u);
    char field[6];
    for (const auto& [text, stored] : {std::pair<const char*, const char*>{"Waypoints", "Waypo"},
                                       {nullptr, ""},
                                       {"abc", "abc"}}) {
        CopyFixedText(field, text);
        EXPECT_STREQ(field, stored);
    }
}

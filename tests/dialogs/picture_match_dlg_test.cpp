// The "Picture matching " dialog: its start state, the selection of files
// through its file chooser, the enabling of the field names, the field width
// on OK and Cancel turning the matching off.

#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/picture_match_dlg.h"
#include "layers/attribute_store.h"
#include "pictures/picture_set.h"
#include "recording_feedback.h"

namespace {

// A file chooser that gives `paths` (or reports a cancelled choice) and counts
// how often it was asked.
struct FakeChooser {
    std::vector<std::string> paths;
    bool confirm = true;
    int calls = 0;

    PictureFileChooser Chooser() {
        return [this](wxWindow*, std::vector<std::string>* chosen) {
            ++calls;
            if (confirm) *chosen = paths;
            return confirm;
        };
    }
};

// "110000": which of the six field name edits are enabled.
std::string EnabledFields(wxWindow* dialog) {
    std::string pattern;
    for (int field = 0; field < PictureSet::kMaxPictureFields; ++field)
        pattern += dialog->FindWindow(kIdFieldName1 + field)->IsEnabled() ? '1' : '0';
    return pattern;
}

// A waypoint table as the waypoint transfer makes it before its records.
int WaypointTable(AttributeStore& store) {
    const int table = store.AddTable("Garmin GPS Waypoints", "Waypoints");
    store.AddField(table, "Name", 'C', 10, 0);
    store.AddField(table, "Comment", 'C', 40, 0);
    return table;
}

}  // namespace

TEST(PictureMatchDlg, OpensWithNothingSelectedFourFieldsAndTheDefaultOptions) {
    PictureSet pictures;
    CPictureMatchDlg dialog(nullptr, pictures);
    EXPECT_EQ(dialog.GetTitle(), "Picture matching ");
    dialog.InitDialog();

    EXPECT_EQ(TextOf(&dialog, kIdPicturesSelected), "0");
    EXPECT_FALSE(dialog.FindWindow(kIdPicturesSelected)->IsEnabled());
    EXPECT_EQ(TextOf(&dialog, kIdPicturesDirectory), "");
    EXPECT_FALSE(Control<wxCheckBox>(&dialog, kIdRelativePath)->GetValue());
    EXPECT_EQ(TextOf(&dialog, kIdMinimumFieldWidth), "15");

    auto* minutes = Control<wxChoice>(&dialog, kIdTimeWindow);
    auto* perWaypoint = Control<wxChoice>(&dialog, kIdPicturesPerWaypoint);
    ASSERT_TRUE(minutes && perWaypoint);
    EXPECT_EQ(wxJoin(minutes->GetStrings(), ','), "0,1,2,3,4,5,6,7,8,9,10");
    EXPECT_EQ(minutes->GetStringSelection(), "5");
    EXPECT_EQ(wxJoin(perWaypoint->GetStrings(), ','), "0,1,2,3,4,5,6");
    EXPECT_EQ(perWaypoint->GetStringSelection(), "4");
    EXPECT_EQ(EnabledFields(&dialog), "111100");

    const char* names[] = {"North", "East", "South", "West", "Local", ""};
    for (int field = 0; field < 6; ++field)
        EXPECT_EQ(TextOf(&dialog, kIdFieldName1 + field), names[field]);
}

TEST(PictureMatchDlg, PicturesPerWaypointEnablesThatManyFieldNames) {
    PictureSet pictures;
    CPictureMatchDlg dialog(nullptr, pictures);
    dialog.InitDialog();
    Choose(&dialog, kIdPicturesPerWaypoint, "6");
    EXPECT_EQ(EnabledFields(&dialog), "111111");
    EXPECT_EQ(pictures.picturesPerWaypoint, 6);
    Choose(&dialog, kIdPicturesPerWaypoint, "0");
    EXPECT_EQ(EnabledFields(&dialog), "000000");
    EXPECT_EQ(pictures.picturesPerWaypoint, 0);
    Choose(&dialog, kIdPicturesPerWaypoint, "2");
    EXPECT_EQ(EnabledFields(&dialog), "110000");
}

TEST(PictureMatchDlg, SelectingFilesShowsTheirCountAndTheFirstOnesDirectory) {
    PictureSet pictures;
    CPictureMatchDlg dialog(nullptr, pictures);
    FakeChooser chooser;
    chooser.paths = {"C:\\trip\\IMG_0001.JPG", "C:\\trip\\IMG_0002.JPG"};
    dialog.SetFileChooser(chooser.Chooser());
    dialog.InitDialog();

    // Text typed before the selection outlives it; only directory and count change.
    Type(&dialog, kIdFieldName1, "Nord");
    Type(&dialog, kIdMinimumFieldWidth, "30");
    Type(&dialog, kIdPicturesDirectory, "typed");
    Click(&dialog, kIdSelectPictureFiles);
    EXPECT_EQ(chooser.calls, 1);
    EXPECT_EQ(TextOf(&dialog, kIdPicturesSelected), "2");
    EXPECT_EQ(TextOf(&dialog, kIdPicturesDirectory), "\\trip\\");
    EXPECT_EQ(TextOf(&dialog, kIdFieldName1), "Nord");
    EXPECT_EQ(TextOf(&dialog, kIdMinimumFieldWidth), "30");
    EXPECT_EQ(pictures.pictureCount, 2);
    EXPECT_EQ(pictures.pictures[1].path, "C:\\trip\\IMG_0002.JPG");
    EXPECT_EQ(pictures.longestPathLength, 20);

    // A cancelled choice changes nothing: selection, lengths and texts stay.
    Type(&dialog, kIdPicturesDirectory, "pics");
    chooser.confirm = false;
    Click(&dialog, kIdSelectPictureFiles);
    EXPECT_EQ(chooser.calls, 2);
    EXPECT_EQ(TextOf(&dialog, kIdPicturesSelected), "2");
    EXPECT_EQ(TextOf(&dialog, kIdPicturesDirectory), "pics");
    EXPECT_EQ(pictures.pictureCount, 2);
    EXPECT_EQ(pictures.longestPathLength, 20);
}

TEST(PictureMatchDlg, OkTakesTheOptionsAndComputesTheFieldWidth) {
    struct Case {
        std::vector<std::string> paths;
        bool relative;
        const char* directory;
        const char* minimum;
        int width;
    };
    const Case cases[] = {
        // Absolute: the longest path (20 characters) + 2.
        {{"C:\\trip\\IMG_0001.JPG", "C:\\trip\\A.JPG"}, false, nullptr, "15", 22},
        // A short path is raised to the minimum.
        {{"C:\\a\\b.JPG"}, false, nullptr, "15", 15},
        {{"C:\\a\\b.JPG"}, false, nullptr, "40", 40},
        // Relative: the typed directory, a separator and the longest name with
        // its extension (pics\IMG_0001.JPG, 17 characters) must fit.
        {{"C:\\trip\\IMG_0001.JPG"}, true, "pics", "15", 18},
    };
    for (const Case& c : cases) {
        PictureSet pictures;
        CPictureMatchDlg dialog(nullptr, pictures);
        FakeChooser chooser;
        chooser.paths = c.paths;
        dialog.SetFileChooser(chooser.Chooser());
        const int result = RunModal(dialog, [&] {
            Click(&dialog, kIdSelectPictureFiles);
            Choose(&dialog, kIdTimeWindow, "10");
            Choose(&dialog, kIdPicturesPerWaypoint, "6");
            Type(&dialog, kIdFieldName1 + 5, "Extra");
            if (c.relative) Check(&dialog, kIdRelativePath, true);
            if (c.directory) Type(&dialog, kIdPicturesDirectory, c.directory);
            Type(&dialog, kIdMinimumFieldWidth, c.minimum);
            Click(&dialog, wxID_OK);
        });
        ASSERT_EQ(result, wxID_OK);
        EXPECT_EQ(pictures.fieldWidth, c.width) << c.paths[0];
        EXPECT_EQ(pictures.relativePath, c.relative);
        EXPECT_EQ(pictures.timeWindow, 10);
        EXPECT_EQ(pictures.picturesPerWaypoint, 6);
        EXPECT_EQ(pictures.fieldNames[5], "Extra");
        if (c.relative) {
            EXPECT_EQ(pictures.picturesDirectory, c.directory);
            EXPECT_LE(pictures.PathText(pictures.pictures[0]).size(),
                      static_cast<size_t>(pictures.fieldWidth));
        }
    }
}

TEST(PictureMatchDlg, MinimumFieldWidthThatIsNoWholeNumberKeepsTheDialogOpen) {
    for (const char* typed : {"12a", "", "1.5", "0x10", "99999999999"}) {
        RecordingFeedback feedback;
        PictureSet pictures;
        CPictureMatchDlg dialog(nullptr, pictures);
        bool stayedOpen = false;
        const int result = RunModal(dialog, [&] {
            Type(&dialog, kIdMinimumFieldWidth, typed);
            Click(&dialog, wxID_OK);
            stayedOpen = dialog.IsModal();
            Type(&dialog, kIdMinimumFieldWidth, " 20 ");
            Click(&dialog, wxID_OK);
        });
        EXPECT_TRUE(stayedOpen) << typed;
        EXPECT_EQ(result, wxID_OK) << typed;
        ASSERT_EQ(feedback.messages.size(), 1u) << typed;
        EXPECT_TRUE(feedback.HasMessage("Minimum field width")) << feedback.messages[0];
        EXPECT_EQ(pictures.minimumFieldWidth, 20) << typed;
        EXPECT_EQ(pictures.fieldWidth, 20) << typed;
    }
}

TEST(PictureMatchDlg, CancelAfterSelectingAddsNoPictureField) {
    FakeChooser chooser;
    chooser.paths = {"C:\\trip\\IMG_0001.JPG", "C:\\trip\\IMG_0002.JPG"};
    const int kWaysToCancel = 2;
    for (int way = 0; way < kWaysToCancel; ++way) {
        PictureSet pictures;
        CPictureMatchDlg dialog(nullptr, pictures);
        dialog.SetFileChooser(chooser.Chooser());
        const int result = RunModal(dialog, [&] {
            Click(&dialog, kIdSelectPictureFiles);
            if (way == 0)
                Click(&dialog, wxID_CANCEL);
            else
                dialog.Close();  // the window's close box
        });
        EXPECT_EQ(result, wxID_CANCEL);
        EXPECT_EQ(pictures.pictureCount, 0);
        EXPECT_EQ(pictures.picturesPerWaypoint, 0);
        AttributeStore store;
        const int table = WaypointTable(store);
        EXPECT_EQ(pictures.AddPictureFields(store, table), -1);
        EXPECT_EQ(store.FieldCount(table), 2);
    }
    // The same selection confirmed with OK adds the four default fields.
    PictureSet pictures;
    CPictureMatchDlg dialog(nullptr, pictures);
    dialog.SetFileChooser(chooser.Chooser());
    RunModal(dialog, [&] {
        Click(&dialog, kIdSelectPictureFiles);
        Click(&dialog, wxID_OK);
    });
    AttributeStore store;
    const int table = WaypointTable(store);
    EXPECT_EQ(pictures.AddPictureFields(store, table), 2);
    EXPECT_EQ(store.FieldCount(table), 6);
}

TEST(PictureMatchDlg, OversizedSelectionsAreCutWithAMessage) {
    RecordingFeedback feedback;
    PictureSet pictures;
    CPictureMatchDlg dialog(nullptr, pictures);
    FakeChooser chooser;
    for (int i = 0; i <= PictureSet::kMaxPictures; ++i)
        chooser.paths.push_back("/nonexistent/" + std::string(250, 'p') + std::to_string(i));
    dialog.SetFileChooser(chooser.Chooser());
    const int result = RunModal(dialog, [&] {
        Click(&dialog, kIdSelectPictureFiles);
        EXPECT_EQ(TextOf(&dialog, kIdPicturesSelected), "10000");
        Click(&dialog, wxID_OK);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(pictures.pictureCount, PictureSet::kMaxPictures);
    // One message for the count, one for paths longer than a field holds.
    EXPECT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(pictures.fieldWidth, PictureSet::kMaxFieldWidth);
}

TEST(PictureMatchDlg, FileChooserFilterKeepsItsDescriptionsAndMatchesCameraNames) {
    const wxString filter = PictureFileWildcard();
    wxArrayString parts = wxSplit(filter, '|', '\0');
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], "Picture Files ");
    EXPECT_EQ(parts[2], "All Files(*.*) ");
    for (const char* pattern : {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.wmf"}) {
        EXPECT_NE(parts[1].Find(pattern), wxNOT_FOUND) << pattern;
    }
#ifndef _WIN32
    EXPECT_NE(parts[1].Find("*.JPG"), wxNOT_FOUND);
    EXPECT_EQ(parts[3], "*");
#endif
}

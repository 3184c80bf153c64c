// The "Picture matching " dialog: the selection of files through its file
// chooser, the enabling of the field names, the field width on OK and Cancel
// turning the matching off.

#include "dialogs/picture_match_dlg.h"
#include "gui_test_support.h"
#include "dialogs/dialog_ids.h"
#include "pictures/picture_set.h"
#include "quorvex_test.h"

namespace {

// The dialog over its own PictureSet, with a file chooser that gives `paths`
// (or reports a cancelled choice when `confirm` is false) and counts its calls.
struct Dialog {
    explicit Dialog(std::vector<std::string> chosen = {}) : paths(std::move(chosen)) {
        dialog.SetFileChooser([this](wxWindow*, std::vector<std::string>* out) {
            ++calls;
            if (confirm) *out = paths;
            return confirm;
        });
    }
    PictureSet pictures;
    CPictureMatchDlg dialog{nullptr, pictures};
    std::vector<std::string> paths;
    bool confirm = true;
    int calls = 0;
};

}  // namespace

TEST(PictureMatchDlg, FieldNamesEnabledByCountAndSelectionKeepsTypedTexts) {
    Dialog d({"C:\\trip\\IMG_0001.JPG", "C:\\trip\\IMG_0002.JPG"});
    d.dialog.InitDialog();
    const auto enabled = [&d] {
        std::string pattern;
        for (int field = 0; field < PictureSet::kMaxPictureFields; ++field)
            pattern += d.dialog.FindWindow(kIdFieldName1 + field)->IsEnabled() ? '1' : '0';
        return pattern;
    };
    EXPECT_EQ(enabled(), "111100");
    for (const auto& [count, pattern] :
         {std::pair{"6", "111111"}, {"0", "000000"}, {"2", "110000"}}) {
        Choose(&d.dialog, kIdPicturesPerWaypoint, count);
        EXPECT_EQ(enabled(), pattern);
        EXPECT_EQ(d.pictures.picturesPerWaypoint, std::stoi(count));
    }
    // Selecting files keeps what the user typed; a cancelled choice changes nothing.
    Type(&d.dialog, kIdFieldName1, "Nord");
    Type(&d.dialog, kIdMinimumFieldWidth, "30");
    Type(&d.dialog, kIdPicturesDirectory, "typed");
    Click(&d.dialog, kIdSelectPictureFiles);
    EXPECT_EQ(TextOf(&d.dialog, kIdPicturesSelected), "2");
    EXPECT_EQ(TextOf(&d.dialog, kIdPicturesDirectory), "\\trip\\");  // of the first file
    EXPECT_EQ(TextOf(&d.dialog, kIdFieldName1), "Nord");
    EXPECT_EQ(TextOf(&d.dialog, kIdMinimumFieldWidth), "30");
    EXPECT_EQ(d.pictures.longestPathLength, 20);

    Type(&d.dialog, kIdPicturesDirectory, "pics");
    d.confirm = false;
    Click(&d.dialog, kIdSelectPictureFiles);
    EXPECT_EQ(d.calls, 2);
    EXPECT_EQ(TextOf(&d.dialog, kIdPicturesSelected), "2");
    EXPECT_EQ(TextOf(&d.dialog, kIdPicturesDirectory), "pics");
    EXPECT_EQ(d.pictures.pictureCount, 2);
    EXPECT_EQ(d.pictures.longestPathLength, 20);
}

TEST(PictureMatchDlg, OkTakesTheOptionsAndComputesTheFieldWidth) {
    const struct {
        std::vector<std::string> paths;
        const char* directory;  // typed with the relative path ticked; null: absolute
        const char* minimum;
        int width;
    } cases[] = {
        // Absolute: the longest path + 2, raised to the typed minimum.
        {{"C:\\a\\b.JPG"}, nullptr, "40", 40},
        // Relative: the typed directory, a separator and the longest name with
        // its extension (pics\IMG_0001.JPG, 17 characters) must fit.
        {{"C:\\trip\\IMG_0001.JPG"}, "pics", "15", 18},
    };
    for (const auto& c : cases) {
        Dialog d(c.paths);
        const int result = RunModal(d.dialog, [&] {
            Click(&d.dialog, kIdSelectPictureFiles);
            Choose(&d.dialog, kIdTimeWindow, "10");
            Choose(&d.dialog, kIdPicturesPerWaypoint, "6");
            Type(&d.dialog, kIdFieldName1 + 5, "Extra");
            Check(&d.dialog, kIdRelativePath, c.directory != nullptr);
            if (c.directory) Type(&d.dialog, kIdPicturesDirectory, c.directory);
            Type(&d.dialog, kIdMinimumFieldWidth, c.minimum);
            Click(&d.dialog, wxID_OK);
        });
        SCOPED_TRACE(c.paths[0]);
        ASSERT_EQ(result, wxID_OK);
        EXPECT_EQ(d.pictures.fieldWidth, c.width);
        EXPECT_EQ(d.pictures.relativePath, c.directory != nullptr);
        EXPECT_EQ(d.pictures.timeWindow, 10);
        EXPECT_EQ(d.pictures.fieldNames[5], "Extra");
        if (c.directory) {
            EXPECT_EQ(d.pictures.picturesDirectory, c.directory);
            EXPECT_LE(d.pictures.PathText(d.pictures.pictures[0]).size(), size_t(c.width));
        }
    }
}

// A minimum width that is no whole number, or a picture field name the matching
// cannot use, keeps the dialog open with a message naming it.
TEST(PictureMatchDlg, BadMinimumFieldWidthOrFieldNameKeepsTheDialogOpen) {
    const struct {
        int control;
        const char* typed;
        const char* message;
    } cases[] = {
        {kIdMinimumFieldWidth, "12a", "Minimum field width"},
        {kIdMinimumFieldWidth, "", "Minimum field width"},
        {kIdMinimumFieldWidth, "1.5", "Minimum field width"},
        {kIdMinimumFieldWidth, "0x10", "Minimum field width"},
        {kIdMinimumFieldWidth, "99999999999", "Minimum field width"},
        {kIdFieldName1 + 1, "north", "\"north\" is given twice"},
        {kIdFieldName1 + 2, "Altitude", "\"Altitude\" is already a field"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        RecordingFeedback feedback;
        Dialog d;
        d.dialog.SetTableFields({"Ident", "Altitude"});
        bool stayedOpen = false;
        std::string good;
        const int result = RunModal(d.dialog, [&] {
            good = TextOf(&d.dialog, c.control);
            Type(&d.dialog, c.control, c.typed);
            Click(&d.dialog, wxID_OK);
            stayedOpen = d.dialog.IsModal();
            Type(&d.dialog, c.control, c.control == kIdMinimumFieldWidth ? " 20 " : good);
            Click(&d.dialog, wxID_OK);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, wxID_OK);
        ASSERT_EQ(feedback.messages.size(), 1u);
        EXPECT_TRUE(feedback.HasMessage(c.message)) << feedback.messages[0];
    }
}

TEST(PictureMatchDlg, CancelAfterSelectingTurnsTheMatchingOffFilterHasUpperCase) {
    // Cancel, the window's close box, and OK for contrast.
    for (int way = 0; way < 3; ++way) {
        Dialog d({"C:\\trip\\IMG_0001.JPG", "C:\\trip\\IMG_0002.JPG"});
        const int result = RunModal(d.dialog, [&] {
            Click(&d.dialog, kIdSelectPictureFiles);
            if (way == 1)
                d.dialog.Close();
            else
                Click(&d.dialog, way == 0 ? wxID_CANCEL : wxID_OK);
        });
        EXPECT_EQ(result, way == 2 ? wxID_OK : wxID_CANCEL);
        EXPECT_EQ(d.pictures.pictureCount, way == 2 ? 2 : 0) << way;
        EXPECT_EQ(d.pictures.picturesPerWaypoint, way == 2 ? 4 : 0) << way;
    }
    // The file filter keeps its descriptions and matches upper-case camera names.
    const wxString filter = PictureFileWildcard();
    EXPECT_TRUE(filter.StartsWith("Picture Files |")) << filter;
    EXPECT_TRUE(filter.EndsWith("|All Files(*.*) |*")) << filter;
    for (const char* pattern : {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.wmf", "*.JPG"})
        EXPECT_NE(filter.Find(pattern), wxNOT_FOUND) << pattern;
}

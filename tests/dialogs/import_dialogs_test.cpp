// The import dialogs driven through their controls: "GPS Interface", the two port
// dialogs and "Picture matching ".

#include "dialogs/comm_parameters_dlg.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/gps_interface_dlg.h"
#include "dialogs/picture_match_dlg.h"
#include "dialogs/port_properties_dlg.h"
#include "garmin/protocol_table.h"
#include "gui_test_support.h"
#include "pictures/picture_set.h"
#include "quorvex_test.h"

namespace {

// The port name and settings text, joined: "COM2 baud=4800 parity=N data=8 stop=1".
std::string Settings(const CPortPropertiesDlg& dialog) {
    char portName[PortSettings::kPortNameSize];
    char settings[PortSettings::kSettingsSize];
    if (!dialog.BuildSettings(portName, settings)) return "(does not fit)";
    return std::string(portName) + " " + settings;
}

// The picture dialog over its own PictureSet, with a file chooser that gives
// `paths` (or reports a cancelled choice when `confirm` is false) and counts its calls.
struct PictureDialog {
    explicit PictureDialog(std::vector<std::string> chosen = {}) : paths(std::move(chosen)) {
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

TEST(GpsInterfaceDlg, ShowsD0ForMissingTypesAndGivesNamesAsTyped) {
    // A product-table receiver: A200 routes have no link type, A300 track logs one type.
    CGpsInterfaceDlg dialog(nullptr);
    dialog.ShowGarminProtocols(ProtocolTable{100, 100, 200, 200, 100, 0, 300, 300});
    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(TextOf(&dialog, kIdWaypointsProtocol), "A100, D100");
        EXPECT_EQ(TextOf(&dialog, kIdRoutesProtocol), "A200, D200, D100, D0");
        EXPECT_EQ(TextOf(&dialog, kIdTracksProtocol), "A300, D300, D0");
        Type(&dialog, kIdRoutesFile, wxString::FromUTF8("Wege über Berg"));
        Click(&dialog, wxID_OK);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dialog.routesFile, "Wege über Berg");
}

TEST(PortDialogs, OkGivesThePortOfEachButtonAndTheSettingsTextOfTheChoices) {
    for (int port = 0; port <= 4; ++port) {  // 0: nothing ticked
        CCommParametersDlg dialog(nullptr);
        const int result = RunModal(dialog, [&] {
            if (port > 0) Check(&dialog, kIdCom1 + port - 1);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(dialog.PortName(), "Com" + std::to_string(port > 0 ? port : 2));
    }

    RecordingFeedback feedback;
    bool stayedOpen = false;
    const std::pair<std::function<void(wxDialog*)>, const char*> cases[] = {
        {[](wxDialog*) {}, "COM2 baud=4800 parity=N data=8 stop=1"},
        {[](wxDialog* d) {
             for (int id : {kIdCom4, kIdDataBits7, kIdParityOdd, kIdStopBits2}) Check(d, id);
             Choose(d, kIdBaudRate, "115200");
         },
         "COM4 baud=115200 parity=O data=7 stop=2"},
        // A rate that is not in the list is passed on as typed.
        {[](wxDialog* d) {
             for (int id : {kIdCom1, kIdParityEven}) Check(d, id);
             Type(d, kIdBaudRate, "1234");
         },
         "COM1 baud=1234 parity=E data=8 stop=1"},
        // A baud text over ten characters keeps the dialog open; ten fit.
        {[&stayedOpen](wxDialog* d) {
             Type(d, kIdBaudRate, "12345678901");
             Click(d, wxID_OK);
             stayedOpen = d->IsModal();
             Type(d, kIdBaudRate, "1234567890");
         },
         "COM2 baud=1234567890 parity=N data=8 stop=1"},
    };
    for (const auto& [choose, expected] : cases) {
        CPortPropertiesDlg dialog(nullptr);
        dialog.SetSettings(2, "4800", 8, 'N', 1);
        const int result = RunModal(dialog, [&, &choose = choose] {
            choose(&dialog);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(Settings(dialog), expected);
    }
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.HasMessage("12345678901"));
}

// Selecting files keeps what the user typed; a cancelled choice changes nothing.
TEST(PictureMatchDlg, SelectionKeepsTypedTextsAndTheFilterHasUpperCase) {
    PictureDialog d({"C:\\trip\\IMG_0001.JPG", "C:\\trip\\IMG_0002.JPG"});
    d.dialog.InitDialog();
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

    // The file filter keeps its descriptions and matches upper-case camera names.
    const wxString filter = PictureFileWildcard();
    EXPECT_TRUE(filter.StartsWith("Picture Files |")) << filter;
    EXPECT_TRUE(filter.EndsWith("|All Files(*.*) |*")) << filter;
    for (const char* pattern : {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.wmf", "*.JPG"})
        EXPECT_NE(filter.Find(pattern), wxNOT_FOUND) << pattern;
}

// OK takes the options and computes the field width; Cancel or the close box after
// selecting turns the matching off.
TEST(PictureMatchDlg, OkTakesTheOptionsAndTheWidthCancelTurnsTheMatchingOff) {
    enum Ending { kOk, kCancel, kClose };
    const struct {
        const char* path;
        const char* directory;  // typed with the relative path ticked; null: absolute
        const char* minimum;
        int width;
        Ending ending;
    } cases[] = {
        // Absolute: the longest path + 2, raised to the typed minimum.
        {"C:\\a\\b.JPG", nullptr, "40", 40, kOk},
        // Relative: the typed directory, a separator and the longest name with its
        // extension (pics\IMG_0001.JPG, 17 characters) must fit.
        {"C:\\trip\\IMG_0001.JPG", "pics", "15", 18, kOk},
        {"C:\\trip\\IMG_0001.JPG", nullptr, "15", 0, kCancel},
        {"C:\\trip\\IMG_0001.JPG", nullptr, "15", 0, kClose},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ending);
        PictureDialog d({c.path});
        const int result = RunModal(d.dialog, [&] {
            Click(&d.dialog, kIdSelectPictureFiles);
            Choose(&d.dialog, kIdTimeWindow, "10");
            Choose(&d.dialog, kIdPicturesPerWaypoint, "6");
            Type(&d.dialog, kIdFieldName1 + 5, "Extra");
            Check(&d.dialog, kIdRelativePath, c.directory != nullptr);
            if (c.directory) Type(&d.dialog, kIdPicturesDirectory, c.directory);
            Type(&d.dialog, kIdMinimumFieldWidth, c.minimum);
            if (c.ending == kClose)
                d.dialog.Close();
            else
                Click(&d.dialog, c.ending == kOk ? wxID_OK : wxID_CANCEL);
        });
        ASSERT_EQ(result, c.ending == kOk ? wxID_OK : wxID_CANCEL);
        EXPECT_EQ(d.pictures.pictureCount, c.ending == kOk ? 1 : 0);
        EXPECT_EQ(d.pictures.picturesPerWaypoint, c.ending == kOk ? 6 : 0);
        if (c.ending != kOk) continue;
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
        PictureDialog d;
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

// The two port dialogs: "Communication Parameters" of the Garmin import and
// "Communication Port Properties" of the Magellan import.

#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "dialogs/comm_parameters_dlg.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/port_properties_dlg.h"
#include "recording_feedback.h"

namespace {

// The port name and settings text, joined: "COM2 baud=4800 parity=N data=8 stop=1".
std::string Settings(const CPortPropertiesDlg& dialog) {
    char portName[PortSettings::kPortNameSize];
    char settings[PortSettings::kSettingsSize];
    if (!dialog.BuildSettings(portName, settings)) return "(does not fit)";
    return std::string(portName) + " " + settings;
}

void ExpectRadios(wxWindow* dialog,
                  std::initializer_list<std::tuple<int, const char*, bool>> radios) {
    for (const auto& [id, caption, ticked] : radios) {
        auto* button = Control<wxRadioButton>(dialog, id);
        ASSERT_NE(button, nullptr) << caption;
        EXPECT_EQ(button->GetLabel(), caption);
        EXPECT_EQ(button->GetValue(), ticked) << caption;
    }
}

}  // namespace

TEST(CommParametersDlg, StartsAtCom2AndEachButtonGivesItsPort) {
    {
        CCommParametersDlg dialog(nullptr);
        EXPECT_EQ(dialog.GetTitle(), "Communication Parameters");
        dialog.InitDialog();
        ExpectRadios(&dialog, {{kIdCom1, "Com 1", false},
                               {kIdCom2, "Com 2", true},
                               {kIdCom3, "Com 3", false},
                               {kIdCom4, "Com 4", false}});
        EXPECT_EQ(RunModal(dialog, [&] { Click(&dialog, wxID_OK); }), wxID_OK);
        EXPECT_EQ(dialog.PortName(), "Com2");
    }
    for (int port = 1; port <= 4; ++port) {
        CCommParametersDlg dialog(nullptr);
        const int result = RunModal(dialog, [&] {
            Tick(&dialog, kIdCom1 + port - 1);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(dialog.PortName(), "Com" + std::to_string(port));
    }
}

TEST(PortPropertiesDlg, ShowsTheStoredSettingsAndTheBaudListInOrder) {
    CPortPropertiesDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Communication Port Properties");
    dialog.SetSettings(2, "4800", 8, 'N', 1);
    dialog.InitDialog();

    auto* combo = Control<wxComboBox>(&dialog, kIdBaudRate);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(wxJoin(combo->GetStrings(), ','),
              "115200,57600,38400,19200,14400,9600,4800,2400,1200,600,300");
    EXPECT_EQ(combo->GetValue(), "4800");
    EXPECT_FALSE(combo->HasFlag(wxCB_READONLY)) << "the baud rate may be typed";
    ExpectRadios(&dialog, {{kIdCom1, "COM 1", false},
                           {kIdCom2, "COM 2", true},
                           {kIdCom3, "COM 3", false},
                           {kIdCom4, "COM 4", false},
                           {kIdDataBits7, "7 bits", false},
                           {kIdDataBits8, "8 bits", true},
                           {kIdStopBits1, "1 bit", true},
                           {kIdStopBits2, "2 bits", false},
                           {kIdParityNone, "No Parity", true},
                           {kIdParityEven, "Even parity", false},
                           {kIdParityOdd, "Odd parity", false}});
}

TEST(PortPropertiesDlg, OkGivesThePortNameAndSettingsTextOfTheChoices) {
    struct Case {
        std::function<void(wxWindow*)> choose;
        const char* expected;
    };
    const Case cases[] = {
        {[](wxWindow*) {}, "COM2 baud=4800 parity=N data=8 stop=1"},
        {[](wxWindow* d) {
             Tick(d, kIdCom4);
             Choose(d, kIdBaudRate, "115200");
             Tick(d, kIdDataBits7);
             Tick(d, kIdParityOdd);
             Tick(d, kIdStopBits2);
         },
         "COM4 baud=115200 parity=O data=7 stop=2"},
        // A rate that is not in the list is passed on as typed.
        {[](wxWindow* d) {
             Tick(d, kIdCom1);
             Type(d, kIdBaudRate, "1234");
             Tick(d, kIdParityEven);
         },
         "COM1 baud=1234 parity=E data=8 stop=1"},
    };
    for (const Case& c : cases) {
        CPortPropertiesDlg dialog(nullptr);
        dialog.SetSettings(2, "4800", 8, 'N', 1);
        const int result = RunModal(dialog, [&] {
            c.choose(&dialog);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(Settings(dialog), c.expected);
    }
}

TEST(PortPropertiesDlg, BaudTextOverTenCharactersKeepsTheDialogOpen) {
    RecordingFeedback feedback;
    CPortPropertiesDlg dialog(nullptr);
    dialog.SetSettings(3, "9600", 8, 'N', 1);
    bool stayedOpen = false;
    const int result = RunModal(dialog, [&] {
        Type(&dialog, kIdBaudRate, "12345678901");
        Click(&dialog, wxID_OK);
        stayedOpen = dialog.IsModal();
        Type(&dialog, kIdBaudRate, "1234567890");  // ten characters fit
        Click(&dialog, wxID_OK);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, wxID_OK);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.HasMessage("12345678901"));
    EXPECT_EQ(Settings(dialog), "COM3 baud=1234567890 parity=N data=8 stop=1");
}

// The two port dialogs: "Communication Parameters" of the Garmin import and
// "Communication Port Properties" of the Magellan import.

#include <gtest/gtest.h>
#include <wx/button.h>

#include "dialog_driver.h"
#include "dialogs/comm_parameters_dlg.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/port_properties_dlg.h"
#include "recording_feedback.h"

namespace {

struct Built {
    std::string portName;
    std::string settings;
    bool ok;
};

Built BuildSettings(const CPortPropertiesDlg& dialog) {
    char portName[PortSettings::kPortNameSize];
    char settings[PortSettings::kSettingsSize];
    const bool ok = dialog.BuildSettings(portName, settings);
    return {portName, settings, ok};
}

}  // namespace

TEST(CommParametersDlg, ShowsItsCaptionAndTheFourPortsWithCom2Ticked) {
    CCommParametersDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Communication Parameters");
    EXPECT_TRUE(HasLabel(&dialog, "Port"));
    dialog.InitDialog();
    const char* captions[] = {"Com 1", "Com 2", "Com 3", "Com 4"};
    for (int i = 0; i < 4; ++i) {
        auto* button = Control<wxRadioButton>(&dialog, kIdCom1 + i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetLabel(), captions[i]);
        EXPECT_EQ(button->GetValue(), i == 1) << captions[i];
    }
    auto* ok = Control<wxButton>(&dialog, wxID_OK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(dialog.GetDefaultItem(), ok);
    EXPECT_NE(Control<wxButton>(&dialog, wxID_CANCEL), nullptr);
}

TEST(CommParametersDlg, OkUntouchedGivesCom2AndEachButtonGivesItsPort) {
    {
        CCommParametersDlg dialog(nullptr);
        EXPECT_EQ(RunModal(dialog, [&] { Click(&dialog, wxID_OK); }), wxID_OK);
        EXPECT_EQ(dialog.portNumber, 2);
        EXPECT_EQ(dialog.PortName(), "Com2");
    }
    for (int port = 1; port <= 4; ++port) {
        CCommParametersDlg dialog(nullptr);
        const int result = RunModal(dialog, [&] {
            Tick(&dialog, kIdCom1 + port - 1);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(dialog.portNumber, port);
        EXPECT_EQ(dialog.PortName(), "Com" + std::to_string(port));
    }
}

TEST(CommParametersDlg, CancelEndsWithCancel) {
    CCommParametersDlg dialog(nullptr);
    EXPECT_EQ(RunModal(dialog, [&] { Click(&dialog, wxID_CANCEL); }), wxID_CANCEL);
}

TEST(PortPropertiesDlg, ShowsTheStoredSettingsAndTheBaudListInOrder) {
    CPortPropertiesDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Communication Port Properties");
    ASSERT_TRUE(dialog.SetSettings(2, "4800", 8, 'N', 1));
    dialog.InitDialog();

    auto* combo = Control<wxComboBox>(&dialog, kIdBaudRate);
    ASSERT_NE(combo, nullptr);
    const char* rates[] = {"115200", "57600", "38400", "19200", "14400", "9600",
                           "4800",   "2400",  "1200",  "600",   "300"};
    ASSERT_EQ(combo->GetCount(), 11u);
    for (unsigned i = 0; i < 11; ++i) EXPECT_EQ(combo->GetString(i), rates[i]);
    EXPECT_EQ(combo->GetValue(), "4800");
    EXPECT_FALSE(combo->HasFlag(wxCB_READONLY)) << "the baud rate may be typed";

    for (const char* label : {"Port", "Baud rate", "Data Bits", "Stop bits", "Parity"})
        EXPECT_TRUE(HasLabel(&dialog, label)) << label;
    struct Radio {
        int id;
        const char* caption;
        bool ticked;
    };
    const Radio radios[] = {
        {kIdCom1, "COM 1", false},           {kIdCom2, "COM 2", true},
        {kIdCom3, "COM 3", false},           {kIdCom4, "COM 4", false},
        {kIdDataBits7, "7 bits", false},     {kIdDataBits8, "8 bits", true},
        {kIdStopBits1, "1 bit", true},       {kIdStopBits2, "2 bits", false},
        {kIdParityNone, "No Parity", true},  {kIdParityEven, "Even parity", false},
        {kIdParityOdd, "Odd parity", false},
    };
    for (const Radio& radio : radios) {
        auto* button = Control<wxRadioButton>(&dialog, radio.id);
        ASSERT_NE(button, nullptr) << radio.caption;
        EXPECT_EQ(button->GetLabel(), radio.caption);
        EXPECT_EQ(button->GetValue(), radio.ticked) << radio.caption;
    }
}

TEST(PortPropertiesDlg, DefaultsGiveCom2At4800Baud) {
    CPortPropertiesDlg dialog(nullptr);
    dialog.SetSettings(2, "4800", 8, 'N', 1);
    EXPECT_EQ(RunModal(dialog, [&] { Click(&dialog, wxID_OK); }), wxID_OK);
    const Built built = BuildSettings(dialog);
    EXPECT_TRUE(built.ok);
    EXPECT_EQ(built.portName, "COM2");
    EXPECT_EQ(built.settings, "baud=4800 parity=N data=8 stop=1");
}

TEST(PortPropertiesDlg, ChosenValuesReachTheSettingsText) {
    {
        CPortPropertiesDlg dialog(nullptr);
        dialog.SetSettings(2, "4800", 8, 'N', 1);
        const int result = RunModal(dialog, [&] {
            Tick(&dialog, kIdCom4);
            Choose(&dialog, kIdBaudRate, "115200");
            Tick(&dialog, kIdDataBits7);
            Tick(&dialog, kIdParityOdd);
            Tick(&dialog, kIdStopBits2);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        const Built built = BuildSettings(dialog);
        EXPECT_EQ(built.portName, "COM4");
        EXPECT_EQ(built.settings, "baud=115200 parity=O data=7 stop=2");
    }
    {
        // A typed rate that is not in the list, even parity, COM 1.
        CPortPropertiesDlg dialog(nullptr);
        dialog.SetSettings(2, "4800", 8, 'N', 1);
        RunModal(dialog, [&] {
            Tick(&dialog, kIdCom1);
            Type(&dialog, kIdBaudRate, "1234");
            Tick(&dialog, kIdParityEven);
            Click(&dialog, wxID_OK);
        });
        const Built built = BuildSettings(dialog);
        EXPECT_EQ(built.portName, "COM1");
        EXPECT_EQ(built.settings, "baud=1234 parity=E data=8 stop=1");
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
        // Ten characters are accepted.
        Type(&dialog, kIdBaudRate, "1234567890");
        Click(&dialog, wxID_OK);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, wxID_OK);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_TRUE(feedback.HasMessage("12345678901"));
    const Built built = BuildSettings(dialog);
    EXPECT_EQ(built.portName, "COM3");
    EXPECT_EQ(built.settings, "baud=1234567890 parity=N data=8 stop=1");
}

TEST(PortPropertiesDlg, TooLongBaudTextGivenBeforeShowingIsRefused) {
    RecordingFeedback feedback;
    CPortPropertiesDlg dialog(nullptr);
    EXPECT_FALSE(dialog.SetSettings(1, "115200115200", 7, 'E', 2));
    EXPECT_EQ(feedback.messages.size(), 1u);
    const Built built = BuildSettings(dialog);
    EXPECT_EQ(built.portName, "COM1");
    EXPECT_EQ(built.settings, "baud=4800 parity=E data=7 stop=2");
}

TEST(PortPropertiesDlg, CancelLeavesTheStoredSettings) {
    CPortPropertiesDlg dialog(nullptr);
    dialog.SetSettings(2, "4800", 8, 'N', 1);
    const int result = RunModal(dialog, [&] {
        Tick(&dialog, kIdCom3);
        Type(&dialog, kIdBaudRate, "300");
        Click(&dialog, wxID_CANCEL);
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_EQ(BuildSettings(dialog).settings, "baud=4800 parity=N data=8 stop=1");
}

// The two port dialogs: "Communication Parameters" of the Garmin import and
// "Communication Port Properties" of the Magellan import.

#include "gui_test_support.h"
#include "dialogs/comm_parameters_dlg.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/port_properties_dlg.h"
#include "quorvex_test.h"

namespace {

// The port name and settings text, joined: "COM2 baud=4800 parity=N data=8 stop=1".
std::string Settings(const CPortPropertiesDlg& dialog) {
    char portName[PortSettings::kPortNameSize];
    char settings[PortSettings::kSettingsSize];
    if (!dialog.BuildSettings(portName, settings)) return "(does not fit)";
    return std::string(portName) + " " + settings;
}

}  // namespace

TEST(CommParametersDlg, OkUntouchedGivesCom2AndEachButtonItsPort) {
    for (int port = 0; port <= 4; ++port) {  // 0: nothing ticked
        CCommParametersDlg dialog(nullptr);
        const int result = RunModal(dialog, [&] {
            if (port > 0) Check(&dialog, kIdCom1 + port - 1);
            Click(&dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(dialog.PortName(), "Com" + std::to_string(port > 0 ? port : 2));
    }
}

TEST(PortPropertiesDlg, OkGivesThePortNameAndSettingsTextOfTheChoices) {
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

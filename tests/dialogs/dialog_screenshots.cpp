// Takes a picture of each import dialog filled with sample values and saves it
// as dialog-<name>.png in the directory given as argument (ImageMagick's
// `import` takes the pictures):
//   xvfb-run -a -s "-screen 0 1280x1024x24" dialog_screenshots docs/screenshots

#include <wx/app.h>
#include <wx/init.h>
#include <wx/stopwatch.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialogs/comm_parameters_dlg.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/gps_interface_dlg.h"
#include "dialogs/picture_match_dlg.h"
#include "dialogs/port_properties_dlg.h"
#include "garmin/protocol_table.h"
#include "pictures/picture_set.h"

namespace {

// Lets the dialog be mapped and painted.
void Settle(int milliseconds) {
    wxStopWatch watch;
    while (watch.Time() < milliseconds) {
        wxTheApp->Yield(true);
        wxMilliSleep(20);
    }
}

// The toolkit's screen device context may not see what the X server shows, so
// the picture is taken from the server itself.
bool Capture(wxDialog& dialog, const std::string& file) {
    dialog.Show();
    dialog.Raise();
    Settle(600);
    const wxRect rect = dialog.GetScreenRect();
    const std::string command = "import -window root -crop " + std::to_string(rect.width) + "x" +
                                std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                                std::to_string(rect.y) + " +repage '" + file + "'";
    const bool saved = std::system(command.c_str()) == 0;
    dialog.Hide();
    std::printf("%s %dx%d%s\n", file.c_str(), rect.width, rect.height, saved ? "" : " NOT SAVED");
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_screenshots DIRECTORY\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    // The toolkit sees only the program's name.
    int toolkitArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "dialog_screenshots needs a display (run it under xvfb-run)\n");
        return 2;
    }
    wxTheApp->OnInit();
    bool ok = true;
    {
        CCommParametersDlg dialog(nullptr);
        ok &= Capture(dialog, dir + "dialog-comm-parameters.png");
    }
    {
        CGpsInterfaceDlg dialog(nullptr);
        ProtocolTable table;
        table.waypointProtocol = 100;
        table.waypointType = 108;
        table.routeProtocol = 201;
        table.routeHeaderType = 202;
        table.routeWaypointType = 108;
        table.routeLinkType = 210;
        table.trackProtocol = 301;
        table.trackType1 = 310;
        table.trackType2 = 301;
        dialog.deviceDescription = "SIMULATED D108 Software Version 3.70";
        dialog.shownProductId = 900;
        dialog.ShowGarminProtocols(table);
        ok &= Capture(dialog, dir + "dialog-gps-interface.png");
    }
    {
        CPortPropertiesDlg dialog(nullptr);
        dialog.SetSettings(2, "4800", 8, 'N', 1);
        ok &= Capture(dialog, dir + "dialog-port-properties.png");
    }
    {
        PictureSet pictures;
        CPictureMatchDlg dialog(nullptr, pictures);
        dialog.SetFileChooser([](wxWindow*, std::vector<std::string>* paths) {
            *paths = {"/home/user/trip/IMG_0001.JPG", "/home/user/trip/IMG_0002.JPG",
                      "/home/user/trip/IMG_0003.JPG"};
            return true;
        });
        dialog.InitDialog();
        wxCommandEvent select(wxEVT_BUTTON, kIdSelectPictureFiles);
        dialog.ProcessWindowEvent(select);
        ok &= Capture(dialog, dir + "dialog-picture-matching.png");
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return ok ? 0 : 1;
}

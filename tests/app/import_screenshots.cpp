// Takes the screenshots of the import commands kept in docs/screenshots: each
// dialog as the import shows it, the main window while a download runs (taken
// by a second process, as the program cannot take it while busy), and the map
// after a Garmin and after a Magellan import from the simulated receiver paced
// at 9600 baud. Not a test; run by hand:
//     xvfb-run -a -s "-screen 0 1280x1024x24" import_screenshots OUTDIR BIN_DIR
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/quorvex_app.h"
#include "app/quorvex_doc.h"
#include "dialog_driver.h"
#include "dialog_script.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/picture_match_dlg.h"
#include "gui_test_support.h"
#include "simulator_process.h"
#include "test_files.h"
#include "view/command_ids.h"

namespace {

std::string s_outDir;

std::string CaptureCommand(const std::string& name, const wxRect& rect) {
    char crop[64];
    std::snprintf(crop, sizeof crop, "-crop %dx%d+%d+%d", rect.width, rect.height, rect.x, rect.y);
    return "import -window root " + std::string(crop) + " +repage " + s_outDir + "/" + name;
}

// Captures `rect` of the screen into OUTDIR/name once what is pending is painted.
void Capture(const std::string& name, const wxRect& rect) {
    PumpEvents(400);
    if (std::system(CaptureCommand(name, rect).c_str()) != 0)
        std::fprintf(stderr, "could not capture %s\n", name.c_str());
}

// Shows the dialog's state in a capture, then confirms it.
DialogScript::Action CaptureThenOk(const std::string& name,
                                   std::function<void(wxDialog&)> before = nullptr) {
    return [name, before](wxDialog& dialog) {
        if (before) before(dialog);
        Capture(name, dialog.GetScreenRect());
        Click(&dialog, wxID_OK);
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: import_screenshots OUTDIR BIN_DIR\n");
        return 2;
    }
    s_outDir = argv[1];
    setenv("QUORVEX_BIN", argv[2], 1);
    SimulatorProcess receiver({"--baud", "9600"});
    if (!receiver.Started()) {
        std::fprintf(stderr, "simulator: %s\n", receiver.Error().c_str());
        return 1;
    }
    setenv("QUORVEX_COM2", receiver.DevicePath().c_str(), 1);

    // Pictures of the walk, dated by their camera near MARKET and CHURCH.
    TempDir pictureDir;
    std::vector<std::string> pictures;
    for (const char* time : {"08:06:10", "08:33:00", "08:07:30"}) {
        pictures.push_back(
            pictureDir.File("IMG_000" + std::to_string(pictures.size() + 1) + ".JPG"));
        std::ofstream(pictures.back()) << "Exif 2003:05:17 " << time << " ";
    }

    wxApp::SetInstance(new CQUORVEXApp);
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) return 1;
    auto* app = static_cast<CQUORVEXApp*>(wxTheApp);
    CMainFrame* frame = app->MainFrame();
    frame->SetSize(0, 0, 1000, 700);
    PumpEvents(500);
    const wxRect window = frame->GetScreenRect();

    {
        DialogScript script;
        script.Then("Communication Parameters", CaptureThenOk("import-comm-parameters.png"))
            .Then("GPS Interface", CaptureThenOk("import-gps-interface-garmin.png",
                                                 [](wxDialog& d) {
                                                     Check(&d, kIdMatchPictures, true);
                                                     Check(&d, kIdTracksAsLines, true);
                                                 }))
            .Then(
                "Picture matching ", CaptureThenOk("import-picture-matching.png", [&](wxDialog& d) {
                    dynamic_cast<CPictureMatchDlg&>(d).SetFileChooser(
                        [&](wxWindow*, std::vector<std::string>* chosen) {
                            *chosen = pictures;
                            return true;
                        });
                    Click(&d, kIdSelectPictureFiles);
                    // A second process takes the window during the track log
                    // transfer: this one is busy with the download then.
                    const std::string later =
                        "(sleep 9; " + CaptureCommand("import-garmin-progress.png", window) + ") &";
                    if (std::system(later.c_str()) != 0) std::fprintf(stderr, "no capture\n");
                }));
        wxCommandEvent import(wxEVT_MENU, ID_IMPORT_GARMIN);
        frame->ProcessWindowEvent(import);
        if (!script.Done() || !script.messages.empty())
            std::fprintf(stderr, "the Garmin import did not run as planned\n");
    }
    Capture("import-garmin-map.png", window);

    CQUORVEXDoc* doc = app->Document();
    doc->Modify(false);
    wxCommandEvent clear(wxEVT_MENU, wxID_NEW);
    frame->ProcessWindowEvent(clear);
    PumpEvents(300);
    {
        DialogScript script;
        script.Then("Communication Port Properties", CaptureThenOk("import-port-properties.png"))
            .Then("GPS Interface",
                  CaptureThenOk("import-gps-interface-magellan.png",
                                [](wxDialog& d) { Check(&d, kIdTracksAsLines, true); }));
        wxCommandEvent import(wxEVT_MENU, ID_IMPORT_MAGELLAN);
        frame->ProcessWindowEvent(import);
        if (!script.Done() || !script.messages.empty())
            std::fprintf(stderr, "the Magellan import did not run as planned\n");
    }
    Capture("import-magellan-map.png", window);

    doc->Modify(false);
    frame->Close(true);
    for (int i = 0; i < 5; ++i) app->ProcessIdle();
    app->OnExit();
    wxEntryCleanup();
    return 0;
}

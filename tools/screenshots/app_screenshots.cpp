// Takes the screenshots kept in docs/screenshots: the program with a sample
// download in each state (app-*), and the import commands against the simulated
// receiver paced at 9600 baud: each dialog as it opens (dialog-*) and as the
// import confirms it, the download running and the map after it (import-*).
// ImageMagick's `import` takes every picture from the X server. Not a test; run
// by hand:
//     xvfb-run -a -s "-screen 0 1280x1024x24" app_screenshots OUTDIR BIN_DIR
#include <filesystem>

#include "quorvex_test.h"

#include "app/demo_data.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/picture_match_dlg.h"
#include "gui_test_support.h"
#include "view/command_ids.h"
#include "view/feature_window.h"

#include <wx/uiaction.h>

namespace {

std::string s_outDir;

// The shell command that saves `rect` of the screen as OUTDIR/name.png.
std::string CaptureCommand(const wxRect& rect, const std::string& name) {
    return "import -window root -crop " + std::to_string(rect.width) + "x" +
           std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
           std::to_string(rect.y) + " +repage '" + s_outDir + "/" + name + ".png'";
}

// Saves `window` as OUTDIR/name.png once what is pending is painted.
void Save(wxWindow* window, const std::string& name) {
    GuiTest::Pump(500);
    if (!window || std::system(CaptureCommand(window->GetScreenRect(), name).c_str()) != 0)
        std::fprintf(stderr, "could not save %s\n", name.c_str());
}

// Saves the newest top-level window other than the main frame at `size`, then closes it.
void SaveNewestWindow(wxWindow* frame, const wxSize& size, const std::string& name) {
    for (auto node = wxTopLevelWindows.GetLast(); node; node = node->GetPrevious()) {
        if (node->GetData() == frame || !node->GetData()->IsShown()) continue;
        node->GetData()->SetSize(wxRect(size));
        Save(node->GetData(), name);
        node->GetData()->Close(true);
        return;
    }
}

void Mouse(wxWindow* canvas, wxEventType type, const wxPoint& at) {
    wxMouseEvent event(type);
    event.SetPosition(at);
    event.SetLeftDown(type != wxEVT_LEFT_UP);
    canvas->ProcessWindowEvent(event);
}

// A dialog step of an import: `prepare` acts on the dialog, which is then saved
// under each of `names` and confirmed.
DialogScript::Action SaveThenOk(std::vector<std::string> names, DialogScript::Action prepare = {}) {
    return [names, prepare](wxDialog& dialog) {
        if (prepare) prepare(dialog);
        for (const std::string& name : names) Save(&dialog, name);
        Click(&dialog, wxID_OK);
    };
}

struct Shots : GuiTest {
    static void Take(const std::string& bin);
};

void Shots::Take(const std::string& bin) {
    CMainFrame* frame = &Frame();
    frame->SetSize(0, 0, 1000, 700);
    Save(frame, "app-empty");
    FillDemoData(Doc().m_geometryStore, Doc().m_attributeStore);
    FinishImport();
    Save(frame, "app-garmin-download");

    // A rubber band being dragged over the route's middle.
    wxWindow* canvas = View().GetCanvas();
    Mouse(canvas, wxEVT_LEFT_DOWN, wxPoint(330, 330));
    Mouse(canvas, wxEVT_MOTION, wxPoint(560, 470));
    Save(frame, "app-rubber-band");
    Mouse(canvas, wxEVT_LEFT_UP, wxPoint(560, 470));
    // Zoomed to the route's middle, with the pointer's position in the status bar.
    View().Mapping().SetViewWindow(7.772, 46.024, 7.812, 46.046);
    View().RedrawNow();
    Mouse(canvas, wxEVT_MOTION, wxPoint(420, 300));
    Save(frame, "app-zoomed");
    Command(ID_VIEW_GRID);
    Save(frame, "app-grid-off");
    Command(ID_VIEW_GRID);
    Command(ID_VIEW_ZOOMOUT);

    // Two wheel steps about the summit; the waypoints' names, one clicked.
    const MapMapping& m = View().Mapping();
    const wxPoint summit(m.WorldToDeviceX(7.8420), m.WorldToDeviceY(46.0735));
    for (int step = 0; step < 2; ++step) {
        wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
        wheel.SetPosition(summit);
        wheel.m_wheelRotation = wheel.m_wheelDelta = 120;
        canvas->ProcessWindowEvent(wheel);
    }
    Mouse(canvas, wxEVT_MOTION, summit);
    Save(frame, "app-wheel-zoom");
    Command(ID_VIEW_ZOOMALL);
    Command(ID_VIEW_WAYPOINT_NAMES);
    const wxPoint hut(m.WorldToDeviceX(7.8055), m.WorldToDeviceY(46.0612));
    Mouse(canvas, wxEVT_LEFT_DOWN, hut);
    Mouse(canvas, wxEVT_LEFT_UP, hut);
    Save(frame, "app-names-and-feature");
    View().FeatureWindow()->Close();
    Command(ID_VIEW_WAYPOINT_NAMES);
    // The layer menu, taken while it is open, then closed with Esc.
    const auto shoot = [frame](wxMenuEvent& event) {
        event.Skip();
        wxTheApp->CallAfter([frame] {
            GuiTest::Pump(300);
            if (std::system(CaptureCommand(frame->GetScreenRect(), "app-layer-menu").c_str()) != 0)
                std::fprintf(stderr, "could not save app-layer-menu\n");
            wxUIActionSimulator().Char(WXK_ESCAPE);
        });
    };
    Frame().m_wndLayersBar->Bind(wxEVT_MENU_OPEN, shoot);
    Frame().m_wndLayersBar->ShowLayerMenu(1);
    Frame().m_wndLayersBar->Unbind(wxEVT_MENU_OPEN, shoot);

    Command(wxID_PREVIEW);
    SaveNewestWindow(frame, wxSize(900, 1000), "app-print-preview");
    {
        DialogScript about;
        about.Then("About QUORVEX", [](wxDialog& d) { Save(&d, "app-about"); });
        Command(wxID_ABOUT);
    }
    frame->ShowUserManual(bin + "/QUORVEX.htb");
    SaveNewestWindow(frame, wxSize(1000, 700), "app-users-manual");
    Doc().Modify(false);
    Command(wxID_NEW);

    // Pictures of the walk, dated by their camera near MARKET and CHURCH.
    TempDir pictureDir;
    std::vector<std::string> pictures;
    for (const char* time : {"08:06:10", "08:33:00", "08:07:30"}) {
        pictures.push_back(
            pictureDir.File("IMG_000" + std::to_string(pictures.size() + 1) + ".JPG"));
        std::ofstream(pictures.back()) << "Exif 2003:05:17 " << time << " ";
    }
    const auto chooser = [&pictures](wxWindow*, std::vector<std::string>* chosen) {
        *chosen = pictures;
        return true;
    };
    {
        DialogScript script;
        script
            .Then("Communication Parameters",
                  SaveThenOk({"dialog-comm-parameters", "import-comm-parameters"}))
            .Then("GPS Interface",
                  [](wxDialog& d) {
                      Save(&d, "dialog-gps-interface");
                      Check(&d, kIdMatchPictures, true);
                      Check(&d, kIdTracksAsLines, true);
                      SaveThenOk({"import-gps-interface-garmin"})(d);
                  })
            .Then("Picture matching ",
                  SaveThenOk(
                      {"dialog-picture-matching", "import-picture-matching"}, [&](wxDialog& d) {
                          dynamic_cast<CPictureMatchDlg&>(d).SetFileChooser(chooser);
                          Click(&d, kIdSelectPictureFiles);
                          // A second process takes the window during the track log
                          // transfer: this one is busy with the download then.
                          const std::string later =
                              "(sleep 9; " +
                              CaptureCommand(frame->GetScreenRect(), "import-garmin-progress") +
                              ") &";
                          if (std::system(later.c_str()) != 0) std::fprintf(stderr, "no capture\n");
                      }));
        Command(ID_IMPORT_GARMIN);
        if (!script.Done() || !script.messages.empty())
            std::fprintf(stderr, "the Garmin import did not run as planned\n");
    }
    Save(frame, "import-garmin-map");
    Doc().Modify(false);
    Command(wxID_NEW);
    {
        DialogScript script;
        script
            .Then("Communication Port Properties",
                  SaveThenOk({"dialog-port-properties", "import-port-properties"}))
            .Then("GPS Interface", SaveThenOk({"import-gps-interface-magellan"}, [](wxDialog& d) {
                      Check(&d, kIdTracksAsLines, true);
                  }));
        Command(ID_IMPORT_MAGELLAN);
        if (!script.Done() || !script.messages.empty())
            std::fprintf(stderr, "the Magellan import did not run as planned\n");
    }
    Save(frame, "import-magellan-map");
    Doc().Modify(false);
    Command(wxID_NEW);
    {
        // The GPX files of a receiver mounted as a drive.
        TempDir media;
        const std::string folder = media.File("ETREX30");
        std::filesystem::create_directories(folder + "/Garmin/GPX");
        std::filesystem::copy_file(
            std::string(QUORVEX_SOURCE_DIR) + "/tests/cli/data/gpx/Garmin/GPX/Current/Current.gpx",
            folder + "/Garmin/GPX/Current.gpx");
        setenv("QUORVEX_MEDIA_ROOT", media.path().c_str(), 1);
        DialogScript script;
        script.Then("GPX Files", SaveThenOk({"import-gpx-where"}))
            .Then("GPS Interface", SaveThenOk({"import-gps-interface-gpx"}, [](wxDialog& d) {
                      Check(&d, kIdTracksAsPoints, true);
                  }));
        Command(ID_IMPORT_GPX);
        if (!script.Done()) std::fprintf(stderr, "the GPX import did not run as planned\n");
    }
    Save(frame, "import-gpx-map");
    Doc().Modify(false);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_screenshots OUTDIR BIN_DIR\n");
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
    if (!StartProgram(argv)) return 1;
    Shots::Take(argv[2]);
    EndProgram();
    return 0;
}

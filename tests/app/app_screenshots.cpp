// Takes the screenshots of the desktop program kept in docs/screenshots: the
// program runs with a sample download and each state is captured from the X
// screen with ImageMagick's `import`. Not a test; run by hand:
//     xvfb-run -a -s "-screen 0 1280x1024x24" app_screenshots OUTDIR BIN_DIR
#include <wx/app.h>
#include <wx/html/helpctrl.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/about_dialog.h"
#include "app/demo_data.h"
#include "app/main_frame.h"
#include "app/quorvex_app.h"
#include "app/quorvex_doc.h"
#include "view/command_ids.h"
#include "view/quorvex_view.h"

namespace {

std::string s_outDir;

void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    } while (std::chrono::steady_clock::now() < end);
}

// Captures `rect` of the screen into OUTDIR/name.
void Capture(const char* name, const wxRect& rect) {
    Pump(400);
    char command[512];
    std::snprintf(command, sizeof command, "import -window root -crop %dx%d+%d+%d +repage %s/%s",
                  rect.width, rect.height, rect.x, rect.y, s_outDir.c_str(), name);
    if (std::system(command) != 0) std::fprintf(stderr, "could not capture %s\n", name);
}

void Send(wxWindow* frame, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(frame);
    frame->ProcessWindowEvent(event);
    Pump(200);
}

wxTopLevelWindow* NewestTopLevel(wxWindow* except) {
    for (auto node = wxTopLevelWindows.GetLast(); node; node = node->GetPrevious())
        if (node->GetData() != except && node->GetData()->IsShown())
            return wxDynamicCast(node->GetData(), wxTopLevelWindow);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_screenshots OUTDIR BIN_DIR\n");
        return 2;
    }
    s_outDir = argv[1];
    const wxString book = wxString(argv[2]) + "/QUORVEX.htb";
    wxApp::SetInstance(new CQUORVEXApp);
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) return 1;
    auto* app = static_cast<CQUORVEXApp*>(wxTheApp);
    CMainFrame* frame = app->MainFrame();
    frame->SetSize(0, 0, 1000, 700);
    Pump(500);
    const wxRect window = frame->GetScreenRect();
    Capture("app-empty.png", window);

    CQUORVEXDoc* doc = app->Document();
    FillDemoData(doc->m_geometryStore, doc->m_attributeStore);
    doc->UpdateAllViews();
    doc->Modify(true);
    Capture("app-garmin-download.png", window);

    // A rubber band being dragged over the route's middle.
    CQUORVEXView* view = app->View();
    {
        wxWindow* canvas = view->GetCanvas();
        wxMouseEvent down(wxEVT_LEFT_DOWN);
        down.SetPosition(wxPoint(330, 330));
        down.SetLeftDown(true);
        canvas->ProcessWindowEvent(down);
        wxMouseEvent drag(wxEVT_MOTION);
        drag.SetPosition(wxPoint(560, 470));
        drag.SetLeftDown(true);
        canvas->ProcessWindowEvent(drag);
        Capture("app-rubber-band.png", window);
        wxMouseEvent up(wxEVT_LEFT_UP);
        up.SetPosition(wxPoint(560, 470));
        canvas->ProcessWindowEvent(up);
        Pump(200);
        Send(frame, ID_VIEW_ZOOMOUT);
    }

    // Zoomed to the route's middle, with the pointer's position in the status bar.
    view->Mapping().SetViewWindow(7.772, 46.024, 7.812, 46.046);
    view->RedrawNow();
    wxMouseEvent move(wxEVT_MOTION);
    move.SetPosition(wxPoint(420, 300));
    view->GetCanvas()->ProcessWindowEvent(move);
    Capture("app-zoomed.png", window);

    Send(frame, ID_VIEW_GRID);
    Capture("app-grid-off.png", window);
    Send(frame, ID_VIEW_GRID);
    Send(frame, ID_VIEW_ZOOMOUT);

    Send(frame, wxID_PREVIEW);
    if (wxTopLevelWindow* preview = NewestTopLevel(frame)) {
        preview->SetSize(0, 0, 900, 1000);
        Pump(800);
        Capture("app-print-preview.png", preview->GetScreenRect());
        preview->Close(true);
        Pump(300);
    }

    {
        CAboutDlg about(frame);
        about.Show();
        Capture("app-about.png", about.GetScreenRect());
    }

    frame->ShowUserManual(book);
    Pump(500);
    if (wxTopLevelWindow* help = NewestTopLevel(frame)) {
        help->SetSize(0, 0, 1000, 700);
        Capture("app-users-manual.png", help->GetScreenRect());
        help->Close(true);
    }
    Pump(300);

    doc->Modify(false);
    frame->Close(true);
    for (int i = 0; i < 5; ++i) app->ProcessIdle();
    app->OnExit();
    wxEntryCleanup();
    return 0;
}

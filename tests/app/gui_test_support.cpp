#include "gui_test_support.h"

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <chrono>

void GuiTest::SetUp() {
    ASSERT_NE(App().MainFrame(), nullptr);
    ASSERT_NE(App().Document(), nullptr);
    ASSERT_NE(App().View(), nullptr);
    Pump(100);
}

CQUORVEXApp& GuiTest::App() const {
    return *static_cast<CQUORVEXApp*>(wxTheApp);
}
CMainFrame& GuiTest::Frame() const {
    return *App().MainFrame();
}
CQUORVEXDoc& GuiTest::Doc() const {
    return *App().Document();
}
CQUORVEXView& GuiTest::View() const {
    return *App().View();
}
CLayersBar& GuiTest::LayersBar() const {
    return *Frame().m_wndLayersBar;
}

int GuiTest::AddPointLayer(const char* name, const Positions& positions) {
    GeometryStore& store = Doc().m_geometryStore;
    const int layer = store.AddLayer(name, name, 500, 0, 0);
    for (const auto& [x, y] : positions) store.FindOrAddPoint(layer, x, y);
    store.ComputeExtent(layer);
    return layer;
}

int GuiTest::AddLineLayer(const char* name, const Positions& positions) {
    GeometryStore& store = Doc().m_geometryStore;
    const int layer = store.AddLayer(name, name, 500, 500, 0);
    int previous = -1;
    for (const auto& [x, y] : positions) {
        const int point = store.FindOrAddPoint(layer, x, y);
        if (previous >= 0) store.AddVertex(layer, 1, previous, point);
        previous = point;
    }
    store.ComputeExtent(layer);
    return layer;
}

void GuiTest::FinishImport() {
    Doc().m_geometryStore.ComputeTotalExtent();
    Doc().UpdateAllViews();
    Doc().Modify(true);
    Pump();
}

wxImage GuiTest::RenderScreen(const wxSize& size) {
    wxBitmap bitmap(size, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        View().DrawScreen(dc, size);
    }
    return bitmap.ConvertToImage();
}

wxSize GuiTest::CanvasSize() const {
    return View().GetCanvas()->GetClientSize();
}

void GuiTest::Pump(int ms) {
    PumpEvents(ms);
}

void PumpEvents(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

void GuiTest::Command(int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(&Frame());
    Frame().ProcessWindowEvent(event);
    Pump();
}

uint32_t PixelOf(const wxImage& image, int x, int y) {
    return (uint32_t{image.GetRed(x, y)} << 16) | (uint32_t{image.GetGreen(x, y)} << 8) |
           image.GetBlue(x, y);
}

uint32_t LayerRgb(int layer) {
    const wxColour& c = static_cast<CQUORVEXApp*>(wxTheApp)->View()->m_layerColours[layer];
    return (uint32_t{c.Red()} << 16) | (uint32_t{c.Green()} << 8) | c.Blue();
}

int CountColour(const wxImage& image, uint32_t rgb, const wxRect& rect) {
    int count = 0;
    for (int y = rect.GetTop(); y <= rect.GetBottom(); ++y)
        for (int x = rect.GetLeft(); x <= rect.GetRight(); ++x)
            if (PixelOf(image, x, y) == rgb) ++count;
    return count;
}

int CountColour(const wxImage& image, uint32_t rgb) {
    return CountColour(image, rgb, wxRect(image.GetSize()));
}

int DialogAnswer::Enter(wxDialog* dialog) {
    // A file dialog carries its title as its message.
    auto* files = dynamic_cast<wxFileDialog*>(dialog);
    titles.push_back((files ? files->GetMessage() : dialog->GetTitle()).ToStdString());
    auto* box = dynamic_cast<wxMessageDialog*>(dialog);
    messages.push_back(box ? box->GetMessage().ToStdString() : std::string());
    std::string joined;
    for (wxWindow* child : dialog->GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child))
            joined += text->GetLabel().ToStdString() + "\n";
    texts.push_back(joined);
    return m_answer;
}

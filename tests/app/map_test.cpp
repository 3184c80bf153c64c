// The map view in the running program: the drawing (colours, grid, the printed
// page), the mouse and keys, and the layers bar (whose unticked layers are not drawn).

#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <cmath>

#include "gui_test_support.h"
#include "quorvex_test.h"
#include "view/command_ids.h"
#include "view/feature_window.h"
#include "view/map_printout.h"
#include "view/view_globals.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

class MapView : public GuiTest {
  protected:
    void AddSample() {
        AddLayer("Waypoints", {{0.0, 0.0}, {10.0, 10.0}, {5.0, 5.0}});
        AddLayer("Route", {{0.0, 2.0}, {10.0, 2.0}}, true);
        FinishImport();
    }
    // The mapping of a drawing of `size`.
    static MapMapping MappingFor(const wxSize& size) {
        MapMapping m = View().Mapping();
        m.PrepareMapping(size.GetWidth(), size.GetHeight());
        return m;
    }
    static uint32_t PixelAt(const wxImage& image, const MapMapping& m, double x, double y) {
        return PixelOf(image, m.WorldToDeviceX(x), m.WorldToDeviceY(y));
    }
    // Presses `button` (with Space held when `space`) at `from`, moves to `to` and
    // releases it there, with generous pauses for the busy X server.
    static void Drag(const wxPoint& from, const wxPoint& to, int button = wxMOUSE_BTN_LEFT,
                     bool space = false) {
        wxUIActionSimulator mouse;
        mouse.MouseMove(View().GetCanvas()->ClientToScreen(from));
        Pump(100);
        if (space) mouse.KeyDown(WXK_SPACE);
        mouse.MouseDown(button);
        // A click moves nothing: the X server reports even a move onto the same spot.
        for (const wxPoint& p : {wxPoint((from.x + to.x) / 2, (from.y + to.y) / 2), to}) {
            Pump(100);
            if (to != from) mouse.MouseMove(View().GetCanvas()->ClientToScreen(p));
        }
        Pump(100);
        mouse.MouseUp(button);
        if (space) mouse.KeyUp(WXK_SPACE);
        Pump(300);
    }
    // The view window: west, south, east, north.
    static std::vector<double> Window() {
        const MapMapping& m = View().Mapping();
        return {m.m_viewXMin, m.m_viewYMin, m.m_viewXMax, m.m_viewYMax};
    }
    static void ExpectWindow(const std::vector<double>& expected) {
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(Window()[i], expected[i]) << i;
    }
    const wxSize size{400, 300};
};

}  // namespace

TEST_F(MapView, LayersInTheirColoursOverTheGridAndInTheLayersBarThatHidesAndRefills) {
    // No layers: the bitmap's own black stays, the view leaves the background alone.
    EXPECT_EQ(CountColour(RenderScreen(size), kBlack), size.GetWidth() * size.GetHeight());
    AddSample();
    const wxImage image = RenderScreen(size);
    const MapMapping m = MappingFor(size);
    EXPECT_EQ(PixelAt(image, m, 10.0, 10.0), LayerRgb(0));
    EXPECT_EQ(PixelAt(image, m, 5.0, 5.0), LayerRgb(0));
    EXPECT_EQ(PixelAt(image, m, 4.2, 2.0), LayerRgb(1));
    // White between the grid lines, black on them (every 3 degrees at 26 px per degree).
    EXPECT_EQ(PixelAt(image, m, 7.3, 7.3), kWhite);
    EXPECT_EQ(PixelAt(image, m, 3.0, 7.3), kBlack);
    EXPECT_EQ(PixelAt(image, m, 7.3, 6.0), kBlack);
    // The symbols of a 400 px area have radius 1: nothing blue two pixels out.
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(5.0) + 3, m.WorldToDeviceY(5.0)), kWhite);

    Command(ID_VIEW_GRID);
    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(Frame().GetMenuBar()->IsChecked(ID_VIEW_GRID));
    EXPECT_FALSE(Frame().GetToolBar()->GetToolState(ID_VIEW_GRID));
    const wxImage without = RenderScreen(size);
    EXPECT_EQ(CountColour(without, kBlack), 0);
    EXPECT_EQ(CountColour(without, LayerRgb(0)), CountColour(image, LayerRgb(0)));
    Command(ID_VIEW_GRID);
    const wxImage again = RenderScreen(size);
    EXPECT_EQ(memcmp(again.GetData(), image.GetData(), size.GetWidth() * size.GetHeight() * 3), 0);

    // The layers bar names each layer in its colour.
    CLayersBar& bar = LayersBar();
    for (int k = 0; k < CLayersBar::kBoxes; ++k) {
        EXPECT_EQ(bar.Box(k)->GetLabel().Trim(), k == 0 ? "Waypoints" : k == 1 ? "Route" : "") << k;
        EXPECT_EQ(bar.Box(k)->GetValue(), k < 2) << k;
        EXPECT_EQ(bar.Box(k)->GetForegroundColour(), View().m_layerColours[k]) << k;
    }
    // An unticked layer is not drawn.
    Check(&bar, bar.Box(1)->GetId(), false);
    EXPECT_EQ(CountColour(RenderScreen(size), LayerRgb(1)), 0);
    EXPECT_EQ(bar.Box(1)->GetForegroundColour(), View().m_layerColours[1]);

    // A further import refills the bar (the hidden layer shows again), names
    // its layers apart from the earlier ones and shows every layer.
    View().Mapping().SetViewWindow(4.0, 4.0, 6.0, 6.0);
    const int first = Doc().m_geometryStore.layerCount;
    AddLayer("Route", {{5.0, 45.0}});
    AddLayer("Route", {{-5.0, 3.0}});
    Doc().FinishImport(first);
    Pump();
    EXPECT_TRUE(bar.Box(1)->GetValue());
    EXPECT_EQ(bar.Box(2)->GetLabel(), "Route (2)");
    EXPECT_EQ(bar.Box(3)->GetLabel(), "Route (3)");
    ExpectWindow({-5.0, 0.0, 10.0, 45.0});
    EXPECT_GT(CountColour(RenderScreen(size), LayerRgb(1)), 0);
}

TEST_F(MapView, PrintedPageShowsTheCurrentViewWindowAndLeavesTheScreensMapping) {
    AddSample();
    RenderScreen(size);
    const MapMapping screen = View().Mapping();
    // A page of 850 x 1100 printer pixels, drawn at half size as a preview does.
    const wxSize page(850, 1100);
    const auto print = [&] {
        wxBitmap bitmap(page.GetWidth() / 2, page.GetHeight() / 2, 24);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxBLACK_BRUSH);
            dc.Clear();
            MapPrintout printout(&View());
            printout.SetDC(&dc);
            printout.SetPageSizePixels(page.GetWidth(), page.GetHeight());
            EXPECT_TRUE(printout.OnPrintPage(1));
        }
        return bitmap.ConvertToImage();
    };
    // Layer 0's colour within a pixel of a position on the half-size page.
    const auto inked = [&](const wxImage& image, double x, double y) {
        const MapMapping m = MappingFor(page);
        const int px = m.WorldToDeviceX(x) / 2, py = m.WorldToDeviceY(y) / 2;
        return CountColour(image, LayerRgb(0), wxRect(px - 1, py - 1, 3, 3)) > 0;
    };
    // The page is drawn one call per symbol, not into pixels as the screen is.
    wxImage printed = print();
    EXPECT_TRUE(inked(printed, 10.0, 10.0));
    EXPECT_TRUE(inked(printed, 0.0, 0.0));
    // The route's line is thin on the half-size page: its green blended with the paper.
    const MapMapping m = MappingFor(page);
    for (double x : {1.5, 4.5, 7.5}) {
        int green = 0;  // how far green stands above red, the most within a pixel
        for (int dy = -1; dy <= 1; ++dy) {
            const uint32_t p =
                PixelOf(printed, m.WorldToDeviceX(x) / 2, m.WorldToDeviceY(2.0) / 2 + dy);
            green = std::max(green, int((p >> 8) & 0xFF) - int(p >> 16));
        }
        EXPECT_GT(green, 40) << x;
    }
    EXPECT_EQ(View().Mapping().m_scale, screen.m_scale);
    EXPECT_EQ(View().Mapping().m_flipHeight, screen.m_flipHeight);

    // After a zoom the page shows the zoomed window: the far corner is gone.
    View().Mapping().SetViewWindow(4.0, 4.0, 6.0, 6.0);
    printed = print();
    EXPECT_TRUE(inked(printed, 5.0, 5.0));
    EXPECT_LT(CountColour(printed, LayerRgb(0)), 60);
}

TEST_F(MapView, DragZoomsToTheBandClickDoesNotAndTheReadoutFollowsThePointer) {
    AddLayer("Waypoints", {{-10.0, 40.0}, {10.0, 60.0}, {0.0, 50.0}});
    FinishImport();
    View().RedrawNow();
    Pump(100);
    const std::vector<double> full = {-10.0, 40.0, 10.0, 60.0};
    ExpectWindow(full);
    const MapMapping before = View().Mapping();
    const wxPoint a(120, 90), b(260, 210);
    Drag(a, b);  // the bottom edge is the south
    ExpectWindow({before.DeviceToWorldX(a.x), before.DeviceToWorldY(b.y),
                  before.DeviceToWorldX(b.x), before.DeviceToWorldY(a.y)});
    EXPECT_FALSE(View().m_dragShown);
    Command(ID_VIEW_ZOOMOUT);
    ExpectWindow(full);
    Drag(wxPoint(150, 150), wxPoint(150, 150));
    ExpectWindow(full);

    const wxPoint p(137, 101);
    wxUIActionSimulator().MouseMove(View().GetCanvas()->ClientToScreen(p));
    Pump(300);
    char expected[64];
    std::snprintf(expected, sizeof expected, " X%.5lf, Y%.5lf",
                  View().Mapping().DeviceToWorldX(p.x), View().Mapping().DeviceToWorldY(p.y));
    EXPECT_EQ(g_pStatusBar->GetStatusText(0), expected);
}

TEST_F(MapView, WheelPanKeysHomeLayerBarAndFeatureClickMoveTheViewWindow) {
    AddSample();
    const int table = Doc().m_attributeStore.AddTable("Waypoints", "Waypoints");
    Doc().m_attributeStore.AddField(table, "Ident", 'C', 12, 0);
    for (const char* name : {"SOUTHWEST", "NORTHEAST", "MIDDLE"})
        Doc().m_attributeStore.SetText(table, Doc().m_attributeStore.RecordCount(table), 0, name);
    Doc().m_geometryStore.Layer(0).attributeTable = table;
    wxWindow* canvas = View().GetCanvas();
    const auto send = [canvas](wxEvent&& event) {
        event.SetEventObject(canvas);
        canvas->GetEventHandler()->ProcessEvent(event);
        Pump();
    };
    const auto press = [&send](int key) {
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = key;
        send(std::move(event));
    };
    View().RedrawNow();
    const std::vector<double> full = Window();

    // A wheel step toward the user zooms in about the pointer, which keeps its position.
    const wxPoint p(150, 120);
    const double x = View().Mapping().DeviceToWorldX(p.x), y = View().Mapping().DeviceToWorldY(p.y);
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.SetPosition(p);
    wheel.m_wheelRotation = 120;
    wheel.m_wheelDelta = 120;
    send(std::move(wheel));
    EXPECT_NEAR(Window()[2] - Window()[0], (full[2] - full[0]) * CQUORVEXView::kWheelZoom, 1e-9);
    EXPECT_NEAR(View().Mapping().DeviceToWorldX(p.x), x, 1e-9);
    EXPECT_NEAR(View().Mapping().DeviceToWorldY(p.y), y, 1e-9);

    // Dragging with the middle button, or the left one with Space held, moves
    // the map with the pointer; a rubber band zooms no more.
    const double scale = View().Mapping().m_scale;
    wxUIActionSimulator mouse;
    for (bool space : {false, true}) {
        const std::vector<double> before = Window();
        Drag({100, 100}, {140, 70}, space ? wxMOUSE_BTN_LEFT : wxMOUSE_BTN_MIDDLE, space);
        // The map followed the pointer right and up: the window went west and south.
        EXPECT_NEAR(Window()[0], before[0] - 40 / scale, 1e-9) << space;
        EXPECT_NEAR(Window()[3], before[3] - 30 / scale, 1e-9) << space;
        EXPECT_NEAR(Window()[2] - Window()[0], before[2] - before[0], 1e-9) << space;
    }
    // The arrow keys pan by an eighth of the window; Home shows every layer.
    const std::vector<double> before = Window();
    for (int key : {WXK_LEFT, WXK_LEFT, WXK_DOWN}) press(key);
    const wxSize area = canvas->GetClientSize();
    EXPECT_NEAR(Window()[0], before[0] - 2 * (area.GetWidth() / 8) / scale, 1e-9);
    EXPECT_NEAR(Window()[1], before[1] - (area.GetHeight() / 8) / scale, 1e-9);
    press(WXK_HOME);
    ExpectWindow(full);

    // Double-clicking a layer's name zooms to it; its menu does too, and
    // changes its colour on the map and in the bar.
    mouse.MouseMove(LayersBar().Box(1)->GetScreenRect().GetLeftTop() + wxPoint(30, 5));
    Pump(100);
    mouse.MouseDblClick();
    Pump(300);
    ExpectWindow({0.0, 2.0, 10.0, 2.0});
    EXPECT_TRUE(LayersBar().Box(1)->GetValue());  // two clicks leave the box as it was
    Command(ID_VIEW_ZOOMALL);
    ExpectWindow(full);
    const wxColour chosen(10, 200, 30);
    LayersBar().SetColourChooser([&chosen](wxWindow*, wxColour& colour) {
        colour = chosen;
        return true;
    });
    int item = 0;  // the menu item chosen once the menu is up: Zoom to Layer, Colour...
    const auto choose = [&item](wxMenuEvent& event) {
        event.Skip();
        wxTheApp->CallAfter([&item] {
            wxUIActionSimulator keys;
            for (int i = 0; i < item; ++i) keys.Char(WXK_DOWN);
            keys.Char(WXK_RETURN);
        });
    };
    LayersBar().Bind(wxEVT_MENU_OPEN, choose);
    for (item = 1; item <= 2; ++item) {
        mouse.MouseMove(LayersBar().Box(0)->GetScreenRect().GetLeftTop() + wxPoint(30, 5));
        Pump(100);
        mouse.MouseClick(wxMOUSE_BTN_RIGHT);
        Pump(400);
    }
    LayersBar().Unbind(wxEVT_MENU_OPEN, choose);
    ExpectWindow({0.0, 0.0, 10.0, 10.0});
    EXPECT_EQ(View().m_layerColours[0], chosen);
    EXPECT_EQ(LayersBar().Box(0)->GetForegroundColour(), chosen);
    EXPECT_GT(CountColour(RenderScreen(size), 0x0AC81E), 0);

    // A click on a point shows its record; beside it, with Waypoint Names on, its name.
    View().RedrawNow();
    Pump();
    const MapMapping m = View().Mapping();
    const wxPoint middle(m.WorldToDeviceX(5.0), m.WorldToDeviceY(5.0));
    Drag(middle + wxPoint(1, 1), middle + wxPoint(1, 1));
    ASSERT_NE(View().FeatureWindow(), nullptr);
    EXPECT_TRUE(View().FeatureWindow()->IsShown());
    EXPECT_EQ(View().FeatureWindow()->GetTitle(), "Waypoints");
    EXPECT_EQ(View().FeatureWindow()->Rows(), std::vector<wxString>{"Ident=MIDDLE"});
    EXPECT_EQ(View().FeatureAt({m.WorldToDeviceX(7.0), m.WorldToDeviceY(2.0) + 2}).layer, 1);
    EXPECT_EQ(View().FeatureAt(wxPoint(m.WorldToDeviceX(7.0), m.WorldToDeviceY(4.0))).layer, -1);
    Command(ID_VIEW_GRID);
    const MapMapping small = MappingFor(size);
    const wxRect beside(small.WorldToDeviceX(5.0) + 3, small.WorldToDeviceY(5.0) - 8, 60, 16);
    const int blank = CountColour(RenderScreen(size), kWhite, beside);
    Command(ID_VIEW_WAYPOINT_NAMES);
    EXPECT_LT(CountColour(RenderScreen(size), kWhite, beside), blank - 20);
    Command(ID_VIEW_WAYPOINT_NAMES);
}

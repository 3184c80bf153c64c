// The map view drawn into images: colours at the computed pixels, the grid,
// hidden and inactive layers, the fast pixel drawing against one call per
// symbol, and the printed page.

#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include <cmath>
#include <cstring>

#include "gui_test_support.h"
#include "view/command_ids.h"
#include "view/map_printout.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

class ViewRender : public GuiTest {
  protected:
    void AddSample() {
        AddPointLayer("Waypoints", {{0.0, 0.0}, {10.0, 10.0}, {5.0, 5.0}});
        AddLineLayer("Route", {{0.0, 2.0}, {10.0, 2.0}});
        FinishImport();
    }
    // The screen's mapping after a drawing of `size`.
    MapMapping MappingFor(const wxSize& size) {
        MapMapping m = View().Mapping();
        m.PrepareMapping(size.GetWidth(), size.GetHeight());
        return m;
    }
    // True when `rgb` occurs within one pixel of (x, y).
    static bool Near(const wxImage& image, int x, int y, uint32_t rgb) {
        return CountColour(image, rgb, wxRect(x - 1, y - 1, 3, 3)) > 0;
    }
    const wxSize size{400, 300};

    // How much of `colour` a pixel holds when blended with white (0 to 1); 0
    // when the pixel is no such blend.
    static double Coverage(const wxImage& image, int x, int y, uint32_t colour) {
        const int pixel[3] = {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
        double sum = 0.0;
        int channels = 0;
        for (int c = 0; c < 3; ++c) {
            const int ink = (colour >> (16 - 8 * c)) & 0xFF;
            if (ink == 255) {
                if (pixel[c] < 200) return 0.0;
                continue;
            }
            sum += (255.0 - pixel[c]) / (255.0 - ink);
            ++channels;
        }
        return channels ? sum / channels : 0.0;
    }
    static bool Inked(const wxImage& image, int x, int y, uint32_t colour) {
        return Coverage(image, x, y, colour) >= 0.5;
    }
    static bool InkedNear(const wxImage& image, int x, int y, uint32_t colour) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Coverage(image, x + dx, y + dy, colour) >= 0.25) return true;
        return false;
    }
};

}  // namespace

TEST_F(ViewRender, NothingIsDrawnWithoutLayers) {
    const wxImage image = RenderScreen(size);
    // The bitmap's own black stays: the view leaves its window background alone.
    EXPECT_EQ(CountColour(image, kBlack), size.GetWidth() * size.GetHeight());
}

TEST_F(ViewRender, LayersInTheirColoursOverTheGrid) {
    AddSample();
    const wxImage image = RenderScreen(size);
    const MapMapping m = MappingFor(size);
    EXPECT_EQ(m.m_gridInterval, 3.0);  // a fifth of 400 px at 26 px per degree

    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(10.0), m.WorldToDeviceY(10.0)), LayerRgb(0));
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(5.0), m.WorldToDeviceY(5.0)), LayerRgb(0));
    EXPECT_EQ(LayerRgb(0), 0x0000FFu);  // pure blue
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(4.2), m.WorldToDeviceY(2.0)), LayerRgb(1));
    // White between the grid lines, black on a meridian.
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(7.3), m.WorldToDeviceY(7.3)), kWhite);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(3.0), m.WorldToDeviceY(7.3)), kBlack);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(7.3), m.WorldToDeviceY(6.0)), kBlack);
    // The symbols of a 400 px area have radius 1: nothing blue two pixels out.
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(5.0) + 3, m.WorldToDeviceY(5.0)), kWhite);
}

TEST_F(ViewRender, GridToggleRemovesAndRestoresTheSamePicture) {
    AddSample();
    const wxImage withGrid = RenderScreen(size);
    Command(ID_VIEW_GRID);
    EXPECT_FALSE(View().m_showGrid);
    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(Frame().GetMenuBar()->IsChecked(ID_VIEW_GRID));
    EXPECT_FALSE(Frame().GetToolBar()->GetToolState(ID_VIEW_GRID));
    const wxImage without = RenderScreen(size);
    EXPECT_EQ(CountColour(without, kBlack), 0);
    EXPECT_EQ(CountColour(without, LayerRgb(0)), CountColour(withGrid, LayerRgb(0)));

    Command(ID_VIEW_GRID);
    EXPECT_TRUE(View().m_showGrid);
    const wxImage again = RenderScreen(size);
    EXPECT_EQ(memcmp(again.GetData(), withGrid.GetData(), size.GetWidth() * size.GetHeight() * 3),
              0);
}

TEST_F(ViewRender, HiddenAndInactiveLayersAreSkippedLayersBeyondTheBarAlwaysDrawn) {
    // 25 layers with one point each along the equator: layer 24 shares layer 0's colour.
    for (int i = 0; i < 25; ++i) {
        const std::string name = "L" + std::to_string(i);
        AddPointLayer(name.c_str(), {{i * 1.0, 0.0}});
    }
    AddPointLayer("Corner", {{0.0, 5.0}});
    FinishImport();
    Command(ID_VIEW_GRID);  // keep grid labels out of the way
    const wxSize wide(1000, 400);
    wxImage image = RenderScreen(wide);
    MapMapping m = MappingFor(wide);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(24.0), m.WorldToDeviceY(0.0)), 0x0000FFu);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(21.0), m.WorldToDeviceY(0.0)), LayerRgb(21));
    EXPECT_EQ(LayerRgb(25), LayerRgb(1));

    LayersBar().m_visible[3] = 0;
    Doc().m_geometryStore.Layer(4).active = false;
    image = RenderScreen(wide);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(3.0), m.WorldToDeviceY(0.0)), kWhite);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(4.0), m.WorldToDeviceY(0.0)), kWhite);
    EXPECT_EQ(PixelOf(image, m.WorldToDeviceX(5.0), m.WorldToDeviceY(0.0)), LayerRgb(5));
}

TEST_F(ViewRender, PixelDrawingMatchesOneCallPerSymbol) {
    Positions track;
    for (int i = 0; i <= 60; ++i) track.push_back({i * 0.1, std::sin(i * 0.2) + 0.02 * i});
    AddLineLayer("Track", track);
    Positions stops;
    for (int i = 0; i <= 12; ++i) stops.push_back({i * 0.5, std::cos(i * 0.7)});
    AddPointLayer("Stops", stops);
    FinishImport();
    const wxSize area(900, 600);
    const wxImage fast = RenderScreen(area);
    View().m_rasterLayers = false;
    const wxImage calls = RenderScreen(area);
    View().m_rasterLayers = true;

    // One call per symbol goes through the device context, which smooths edges
    // by blending with the white background; a pixel at least half covered by
    // a layer's colour counts as drawn. Every drawn pixel of one drawing has a
    // drawn pixel of the same colour within a pixel in the other.
    for (int layer = 0; layer < 2; ++layer) {
        const uint32_t colour = LayerRgb(layer);
        int fastCount = 0, misses = 0;
        for (int y = 1; y < area.GetHeight() - 1; ++y)
            for (int x = 1; x < area.GetWidth() - 1; ++x) {
                if (Inked(fast, x, y, colour)) {
                    ++fastCount;
                    if (!InkedNear(calls, x, y, colour)) ++misses;
                }
                if (Inked(calls, x, y, colour) && !InkedNear(fast, x, y, colour)) ++misses;
            }
        EXPECT_GT(fastCount, 100) << layer;
        EXPECT_EQ(misses, 0) << layer;
    }
}

TEST_F(ViewRender, PrintedPageShowsTheCurrentViewWindow) {
    AddSample();
    RenderScreen(size);
    const MapMapping screen = View().Mapping();

    // A page of 850 x 1100 printer pixels, drawn at half size as a preview does.
    const wxSize page(850, 1100);
    auto printPage = [&]() {
        wxBitmap bitmap(page.GetWidth() / 2, page.GetHeight() / 2, 24);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxBLACK_BRUSH);
            dc.Clear();
            MapPrintout printout(&View());
            printout.SetDC(&dc);
            printout.SetPageSizePixels(page.GetWidth(), page.GetHeight());
            EXPECT_TRUE(printout.HasPage(1));
            EXPECT_FALSE(printout.HasPage(2));
            EXPECT_TRUE(printout.OnPrintPage(1));
        }
        return bitmap.ConvertToImage();
    };
    wxImage printed = printPage();
    MapMapping onPage = View().Mapping();
    onPage.PrepareMapping(page.GetWidth(), page.GetHeight());
    EXPECT_TRUE(Near(printed, onPage.WorldToDeviceX(10.0) / 2, onPage.WorldToDeviceY(10.0) / 2,
                     LayerRgb(0)));
    EXPECT_TRUE(
        Near(printed, onPage.WorldToDeviceX(0.0) / 2, onPage.WorldToDeviceY(0.0) / 2, LayerRgb(0)));
    // Printing leaves the screen's mapping (readout, zoom) as it was.
    EXPECT_EQ(View().Mapping().m_scale, screen.m_scale);
    EXPECT_EQ(View().Mapping().m_flipHeight, screen.m_flipHeight);

    // After a zoom the page shows the zoomed window: the far corner is gone.
    View().Mapping().SetViewWindow(4.0, 4.0, 6.0, 6.0);
    printed = printPage();
    onPage = View().Mapping();
    onPage.PrepareMapping(page.GetWidth(), page.GetHeight());
    EXPECT_TRUE(
        Near(printed, onPage.WorldToDeviceX(5.0) / 2, onPage.WorldToDeviceY(5.0) / 2, LayerRgb(0)));
    EXPECT_LT(CountColour(printed, LayerRgb(0)), 60);
}

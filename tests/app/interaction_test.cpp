// The mouse and the layers bar: rubber-band zoom with simulated input, Zoom
// Out, the position readout, and the boxes of the layers bar.

#include <wx/checkbox.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include <cstdio>

#include "gui_test_support.h"
#include "view/command_ids.h"
#include "view/view_globals.h"

namespace {

class Interaction : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        AddPointLayer("Waypoints", {{-10.0, 40.0}, {10.0, 60.0}, {0.0, 50.0}});
        AddLineLayer("Route", {{-10.0, 40.0}, {0.0, 50.0}, {10.0, 60.0}});
        FinishImport();
        View().RedrawNow();
        Pump(100);
    }
    wxPoint OnScreen(const wxPoint& client) const {
        return View().GetCanvas()->ClientToScreen(client);
    }
    // Presses the left button at `from`, moves through the given points and
    // releases it at the last one, as a hand on the mouse would.
    void Drag(const wxPoint& from, const std::vector<wxPoint>& through) {
        // Generous pauses: the X server and the program share a busy machine.
        wxUIActionSimulator mouse;
        mouse.MouseMove(OnScreen(from));
        Pump(100);
        mouse.MouseDown();
        Pump(100);
        for (const wxPoint& p : through) {
            mouse.MouseMove(OnScreen(p));
            Pump(100);
        }
        mouse.MouseUp();
        Pump(300);
    }
    struct Window {
        double xMin, yMin, xMax, yMax;
    };
    Window Current() const {
        const MapMapping& m = View().Mapping();
        return {m.m_viewXMin, m.m_viewYMin, m.m_viewXMax, m.m_viewYMax};
    }
    static void ExpectSame(const Window& a, const Window& b) {
        EXPECT_DOUBLE_EQ(a.xMin, b.xMin);
        EXPECT_DOUBLE_EQ(a.yMin, b.yMin);
        EXPECT_DOUBLE_EQ(a.xMax, b.xMax);
        EXPECT_DOUBLE_EQ(a.yMax, b.yMax);
    }
    wxCheckBox* Box(int k) { return LayersBar().Box(k); }
    void Click(int k, bool checked) {
        Box(k)->SetValue(checked);
        wxCommandEvent event(wxEVT_CHECKBOX, Box(k)->GetId());
        event.SetEventObject(Box(k));
        event.SetInt(checked ? 1 : 0);
        Box(k)->ProcessWindowEvent(event);
        Pump();
    }
};

}  // namespace

TEST_F(Interaction, DragZoomsToTheBandInEitherDirectionAndZoomOutRestores) {
    const Window full = Current();
    EXPECT_EQ(full.xMin, -10.0);
    EXPECT_EQ(full.yMax, 60.0);
    const MapMapping before = View().Mapping();
    const wxPoint a(120, 90), b(260, 210);

    Drag(a, {wxPoint(200, 150), b});
    const Window zoomed = Current();
    EXPECT_DOUBLE_EQ(zoomed.xMin, before.DeviceToWorldX(a.x));
    EXPECT_DOUBLE_EQ(zoomed.xMax, before.DeviceToWorldX(b.x));
    EXPECT_DOUBLE_EQ(zoomed.yMin, before.DeviceToWorldY(b.y));  // the bottom edge is the south
    EXPECT_DOUBLE_EQ(zoomed.yMax, before.DeviceToWorldY(a.y));
    EXPECT_FALSE(View().m_dragShown);

    Command(ID_VIEW_ZOOMOUT);
    ExpectSame(Current(), full);

    // From the lower right to the upper left: the same window.
    Drag(b, {wxPoint(200, 150), a});
    ExpectSame(Current(), zoomed);
}

TEST_F(Interaction, ClickWithoutMovementLeavesTheView) {
    const Window full = Current();
    Drag(wxPoint(150, 150), {});
    ExpectSame(Current(), full);
    // A drag that comes back to where it started zooms to a small window
    // around that spot, not to a window of no size.
    Drag(wxPoint(150, 150), {wxPoint(170, 170), wxPoint(150, 150)});
    const Window spot = Current();
    EXPECT_LT(spot.xMax - spot.xMin, 0.1);
    View().RedrawNow();
    Pump();
    EXPECT_GT(View().Mapping().m_scale, 0.0);
    EXPECT_GT(View().Mapping().m_viewXMax, View().Mapping().m_viewXMin);
}

TEST_F(Interaction, ReadoutShowsThePositionUnderThePointer) {
    wxUIActionSimulator mouse;
    const wxPoint p(137, 101);
    mouse.MouseMove(OnScreen(p));
    Pump(300);
    char expected[64];
    std::snprintf(expected, sizeof expected, " X%.5lf, Y%.5lf",
                  View().Mapping().DeviceToWorldX(p.x), View().Mapping().DeviceToWorldY(p.y));
    EXPECT_EQ(g_pStatusBar->GetStatusText(0), expected);
}

TEST_F(Interaction, LayersBarShowsHidesAndRefills) {
    EXPECT_EQ(Box(0)->GetLabel(), "Waypoints");
    EXPECT_EQ(Box(1)->GetLabel(), "Route");
    EXPECT_TRUE(Box(0)->GetValue());
    EXPECT_TRUE(Box(1)->GetValue());
    for (int k = 2; k < CLayersBar::kBoxes; ++k) {
        EXPECT_FALSE(Box(k)->GetValue()) << k;
        EXPECT_TRUE(Box(k)->GetLabel().Trim().empty()) << k;
    }
    for (int k = 0; k < CLayersBar::kBoxes; ++k)
        EXPECT_EQ(Box(k)->GetForegroundColour(), View().m_layerColours[k]) << k;

    const wxSize area(300, 300);
    const int routePixels = CountColour(RenderScreen(area), LayerRgb(1));
    ASSERT_GT(routePixels, 0);
    Click(1, false);
    EXPECT_EQ(LayersBar().m_visible[1], 0);
    EXPECT_EQ(CountColour(RenderScreen(area), LayerRgb(1)), 0);
    // The caption keeps its colour while the box is cleared.
    EXPECT_EQ(Box(1)->GetForegroundColour(), View().m_layerColours[1]);

    // A further import refills the bar: the hidden layer shows again.
    AddPointLayer("Garmin GPS Tracks(Pts)", {{5.0, 45.0}});
    FinishImport();
    EXPECT_TRUE(Box(1)->GetValue());
    EXPECT_EQ(LayersBar().m_visible[1], 1);
    EXPECT_EQ(Box(2)->GetLabel(), "Garmin GPS Tracks(Pts)");
    EXPECT_EQ(CountColour(RenderScreen(area), LayerRgb(1)), routePixels);
}

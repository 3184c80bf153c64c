#pragma once
// The map view: draws every layer of the document's geometry store over the
// latitude/longitude grid, on the screen, on paper and in print preview, zooms
// by rubber band or back to the full extent, and shows the position under the
// pointer in the first status-bar pane.

#include <wx/colour.h>
#include <wx/docview.h>
#include <wx/overlay.h>

#include <cstdint>

#include "view/map_mapping.h"

class GeometryStore;
struct GeometryLayer;
class PixelCanvas;
class MapCanvas;

class CQUORVEXView : public wxView {
  public:
    static constexpr int kLayerColours = 256;

    CQUORVEXView();
    ~CQUORVEXView() override;

    bool OnCreate(wxDocument* doc, long flags) override;
    bool OnClose(bool deleteWindow) override;
    void OnDraw(wxDC* dc) override;
    void OnUpdate(wxView* sender, wxObject* hint = nullptr) override;
    void OnChangeFilename() override;
    wxPrintout* OnCreatePrintout() override;

    // Draws the view as the screen shows it into `dc`, over a drawing area of
    // `area` pixels: what painting does, also into a bitmap.
    void DrawScreen(wxDC& dc, const wxSize& area);
    // Draws the current view window on a page of `page` device pixels. The
    // page's mapping is kept apart, so the screen's readout and zoom stay right.
    void DrawPage(wxDC& dc, const wxSize& page);

    // Fills the first 20 boxes of the layers bar from the store's layers.
    void RefreshLayersBar();
    // Invalidates the whole view and repaints it at once.
    void RedrawNow();

    // Mouse handling of the view's window.
    void OnMouseMove(const wxPoint& p, bool leftDown);
    void OnLeftDown(const wxPoint& p);
    void OnLeftUp(const wxPoint& p);

    wxWindow* GetCanvas() const;
    const MapMapping& Mapping() const { return m_map; }
    MapMapping& Mapping() { return m_map; }

    wxColour m_layerColours[kLayerColours];
    bool m_extentSet;
    bool m_showGrid;
    int32_t m_layersShown;
    DeviceRect m_dragRect;
    bool m_dragShown;
    // The screen's layers are drawn into the picture's pixels (PixelCanvas);
    // false draws them with one device-context call per edge and circle, as
    // printing does.
    bool m_rasterLayers;

  private:
    void DrawView(wxDC& dc, const wxSize& area, MapMapping& mapping, bool screen);
    void FillBackground(wxDC& dc, const DeviceRect& clip);
    void DrawGrid(wxDC& dc, const DeviceRect& clip, const MapMapping& mapping);
    // The layers go into `pixels` when given, else through the device context.
    void DrawLayers(wxDC& dc, PixelCanvas* pixels, const DeviceRect& clip,
                    const MapMapping& mapping);
    void DrawLineLayer(wxDC& dc, PixelCanvas* pixels, const GeometryLayer& layer,
                       const DeviceRect& clip, const MapMapping& mapping);
    void DrawPointLayer(wxDC& dc, PixelCanvas* pixels, const GeometryLayer& layer, int32_t r,
                        const DeviceRect& clip, const MapMapping& mapping);
    void ShowDragFrame(const DeviceRect* rect);
    GeometryStore* Store() const;

    void OnViewGrid(wxCommandEvent& event);
    void OnUpdateViewGrid(wxUpdateUIEvent& event);
    void OnZoomOut(wxCommandEvent& event);

    MapMapping m_map;  // the screen's view window and mapping
    MapCanvas* m_canvas;
    wxOverlay m_overlay;  // the rubber band (GTK draws no XOR frames)
    bool m_leftPressed;

    wxDECLARE_DYNAMIC_CLASS(CQUORVEXView);
};

#pragma once
// The map view: draws every layer of the document's geometry store over the
// latitude/longitude grid, on the screen, on paper and in print preview, zooms
// by rubber band or back to the full extent, and shows the position under the
// pointer in the first status-bar pane.

#include <wx/colour.h>
#include <wx/docview.h>
#include <wx/overlay.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "view/map_mapping.h"

class GeometryStore;
class AttributeStore;
struct GeometryLayer;
class PixelCanvas;
class MapCanvas;
class CFeatureWindow;

// A feature of the map: a point of a point layer or a line of a line layer,
// with the attribute record that belongs to it.
struct MapFeature {
    int layer = -1;
    int record = -1;
};

class CQUORVEXView : public wxView {
  public:
    static constexpr int kLayerColours = 256;
    // The view window's size after one wheel step toward the user.
    static constexpr double kWheelZoom = 0.8;

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

    // Mouse handling of the view's window. A left press with `pan` (Space
    // held) drags the map instead of a rubber band; a left click that moved
    // nothing shows the feature under the pointer.
    void OnMouseMove(const wxPoint& p, bool leftDown);
    void OnLeftDown(const wxPoint& p, bool pan = false);
    void OnLeftUp(const wxPoint& p);
    // Dragging with the middle button pans.
    void OnMiddleDown(const wxPoint& p);
    void OnMiddleUp(const wxPoint& p);
    // One wheel step (rotation / delta) zooms in by kWheelZoom about `p`.
    void OnWheel(const wxPoint& p, int rotation, int delta);
    // Arrow keys pan by an eighth of the window, Home shows every layer; false
    // for any other key.
    bool OnKey(int keyCode);

    // The view window becomes the extent of every active layer, or of one.
    void ZoomToAll();
    void ZoomToLayer(int layer);
    // The layer keeps `colour` on the map, in the layers bar and on paper.
    void SetLayerColour(int layer, const wxColour& colour);

    // The topmost drawn feature within a few pixels of `p`, or layer -1.
    MapFeature FeatureAt(const wxPoint& p) const;
    // The fields of the feature's record, as (name, text) pairs.
    std::vector<std::pair<wxString, wxString>> FeatureFields(const MapFeature& feature) const;
    // The small window that shows the last clicked feature (null before).
    CFeatureWindow* FeatureWindow() const { return m_featureWindow; }

    wxWindow* GetCanvas() const;
    const MapMapping& Mapping() const { return m_map; }
    MapMapping& Mapping() { return m_map; }

    wxColour m_layerColours[kLayerColours];
    bool m_extentSet;
    bool m_showGrid;
    bool m_showWaypointNames;  // View > Waypoint Names: each waypoint's Ident
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
    void DrawWaypointNames(wxDC& dc, const DeviceRect& clip, const MapMapping& mapping);
    void ShowDragFrame(const DeviceRect* rect);
    void PanTo(const wxPoint& p);
    void ShowFeature(const wxPoint& p);
    // Shows the extent of the active layers first..last; false when they have no points.
    bool ShowExtent(int first, int last);
    bool LayerShown(int layer) const;
    GeometryStore* Store() const;
    AttributeStore* Attributes() const;

    void OnViewGrid(wxCommandEvent& event);
    void OnUpdateViewGrid(wxUpdateUIEvent& event);
    void OnZoomOut(wxCommandEvent& event);
    void OnZoomAll(wxCommandEvent& event);
    void OnWaypointNames(wxCommandEvent& event);
    void OnUpdateWaypointNames(wxUpdateUIEvent& event);

    MapMapping m_map;  // the screen's view window and mapping
    MapCanvas* m_canvas;
    wxOverlay m_overlay;  // the rubber band (GTK draws no XOR frames)
    bool m_leftPressed;
    bool m_panning;       // a middle or Space+left drag is moving the map
    wxPoint m_panLast;    // where the last pan step ended
    wxPoint m_pressPoint; // where the left button went down
    CFeatureWindow* m_featureWindow;
    // The screen's pixel drawing and the device positions of a line layer's
    // points, kept from one repaint to the next with their memory.
    std::unique_ptr<PixelCanvas> m_pixels;
    std::vector<int32_t> m_devicePoints;

    wxDECLARE_DYNAMIC_CLASS(CQUORVEXView);
};

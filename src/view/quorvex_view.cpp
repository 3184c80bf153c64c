#include "view/quorvex_view.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>

#include <cstdio>

#include "app/quorvex_doc.h"
#include "view/command_ids.h"
#include "view/grid_labels.h"
#include "view/layer_colours.h"
#include "view/layers_bar.h"
#include "view/map_canvas.h"
#include "view/map_printout.h"
#include "view/pixel_canvas.h"
#include "view/view_globals.h"

wxIMPLEMENT_DYNAMIC_CLASS(CQUORVEXView, wxView);

namespace {
// Where the left button went down: one corner of the rubber band.
wxPoint s_dragAnchor;

DeviceRect AreaRect(const wxSize& area) {
    return {0, 0, area.GetWidth(), area.GetHeight()};
}

}  // namespace

CQUORVEXView::CQUORVEXView()
    : m_extentSet(false),
      m_showGrid(true),
      m_layersShown(0),
      m_dragRect{0, 0, 0, 0},
      m_dragShown(false),
      m_rasterLayers(true),
      m_canvas(nullptr),
      m_leftPressed(false) {
    for (int i = 0; i < kLayerColours; ++i) {
        const LayerColour c = LayerColourOf(i);
        m_layerColours[i] = wxColour(c.red, c.green, c.blue);
    }
    Bind(wxEVT_MENU, &CQUORVEXView::OnViewGrid, this, ID_VIEW_GRID);
    Bind(wxEVT_UPDATE_UI, &CQUORVEXView::OnUpdateViewGrid, this, ID_VIEW_GRID);
    Bind(wxEVT_MENU, &CQUORVEXView::OnZoomOut, this, ID_VIEW_ZOOMOUT);
}

CQUORVEXView::~CQUORVEXView() {
    if (m_canvas) m_canvas->DetachView();
}

bool CQUORVEXView::OnCreate(wxDocument* doc, long flags) {
    if (!wxView::OnCreate(doc, flags)) return false;
    // One view in the one main frame: the frame hosts the view's window.
    auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), wxFrame);
    if (!frame) return false;
    SetFrame(frame);
    m_canvas = new MapCanvas(frame, this);
    if (wxSizer* sizer = frame->GetSizer()) sizer->Add(m_canvas, 1, wxEXPAND);
    frame->Layout();
    Activate(true);
    return true;
}

bool CQUORVEXView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow)) return false;
    Activate(false);
    if (m_canvas) {
        m_canvas->DetachView();
        if (deleteWindow) m_canvas->Destroy();
        m_canvas = nullptr;
    }
    return true;
}

wxWindow* CQUORVEXView::GetCanvas() const {
    return m_canvas;
}

GeometryStore* CQUORVEXView::Store() const {
    auto* doc = wxDynamicCast(GetDocument(), CQUORVEXDoc);
    return doc ? &doc->m_geometryStore : nullptr;
}

void CQUORVEXView::OnUpdate(wxView*, wxObject*) {
    GeometryStore* store = Store();
    if (store && store->layerCount != m_layersShown) RefreshLayersBar();
    if (m_canvas) m_canvas->Refresh();
}

void CQUORVEXView::OnChangeFilename() {
    wxDocManager* manager = GetDocumentManager();
    if (wxWindow* frame = GetFrame(); frame && manager)
        frame->SetLabel(manager->MakeFrameTitle(GetDocument()));
}

wxPrintout* CQUORVEXView::OnCreatePrintout() {
    return new MapPrintout(this);
}

void CQUORVEXView::OnDraw(wxDC* dc) {
    if (!dc || !m_canvas) return;
    DrawScreen(*dc, m_canvas->GetClientSize());
}

void CQUORVEXView::DrawScreen(wxDC& dc, const wxSize& area) {
    m_dragShown = false;  // a repaint wipes the rubber band
    m_overlay.Reset();
    DrawView(dc, area, m_map, true);
}

void CQUORVEXView::DrawPage(wxDC& dc, const wxSize& page) {
    MapMapping pageMapping = m_map;
    DrawView(dc, page, pageMapping, false);
}

void CQUORVEXView::DrawView(wxDC& dc, const wxSize& area, MapMapping& mapping, bool screen) {
    GeometryStore* store = Store();
    if (!store) return;
    if (store->layerCount != m_layersShown) RefreshLayersBar();
    if (store->layerCount <= 0) {
        m_extentSet = false;
        return;
    }
    if (!m_extentSet) {
        m_map.SetViewWindow(store->xMin, store->yMin, store->xMax, store->yMax);
        mapping.SetViewWindow(store->xMin, store->yMin, store->xMax, store->yMax);
        m_extentSet = true;
    }
    mapping.PrepareMapping(area.GetWidth(), area.GetHeight());

    // The whole drawing area is the clip box: every repaint draws all of it, so
    // the symbols keep one size however the window was uncovered.
    const DeviceRect clip = AreaRect(area);
    if (screen && m_rasterLayers && area.GetWidth() > 0 && area.GetHeight() > 0) {
        // Background and grid through a device context, the layers straight
        // into the pixels, then the picture onto the screen in one piece.
        wxBitmap picture(area, 24);
        {
            wxMemoryDC memory(picture);
            FillBackground(memory, clip);
            DrawGrid(memory, clip, mapping);
        }
        wxImage image = picture.ConvertToImage();
        PixelCanvas canvas(image.GetData(), area.GetWidth(), area.GetHeight());
        DrawLayers(dc, &canvas, clip, mapping);
        dc.DrawBitmap(wxBitmap(image, 24), 0, 0);
        return;
    }
    FillBackground(dc, clip);
    DrawGrid(dc, clip, mapping);
    DrawLayers(dc, nullptr, clip, mapping);
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxBLACK_BRUSH);
}

void CQUORVEXView::FillBackground(wxDC& dc, const DeviceRect& clip) {
    dc.SetPen(*wxWHITE_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
}

void CQUORVEXView::DrawGrid(wxDC& dc, const DeviceRect& clip, const MapMapping& mapping) {
    if (!m_showGrid || mapping.m_gridInterval == 0.0) return;
    dc.SetPen(*wxBLACK_PEN);
    dc.SetFont(*wxNORMAL_FONT);
    dc.SetTextForeground(*wxBLACK);
    dc.SetTextBackground(*wxWHITE);
    dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);

    for (const GridLine& line : mapping.VisibleMeridians(clip)) {
        const int x = line.device;
        dc.DrawLine(x, clip.bottom, x, clip.top);
        const MeridianLabel label = MeridianLabelTexts(line.value);
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(label.bottom, &w, &h);
        dc.DrawText(label.bottom, x + 2, clip.bottom - h);
        dc.DrawText(label.top, x + 2, clip.top + 2);
    }
    for (const GridLine& line : mapping.VisibleParallels(clip)) {
        const int y = line.device;
        dc.DrawLine(clip.left, y, clip.right, y);
        const auto lines = ParallelLabelTexts(line.value);
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(lines[0], &w, &h);
        for (int i = 0; i < 4; ++i) dc.DrawText(lines[i], clip.left + 2, y + i * h + 2);
    }
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
}

void CQUORVEXView::DrawLayers(wxDC& dc, PixelCanvas* pixels, const DeviceRect& clip,
                              const MapMapping& mapping) {
    const GeometryStore& store = *Store();
    const int32_t r = MapMapping::SymbolRadius(clip.right);
    for (int i = 0; i < store.layerCount && i < GeometryStore::kMaxLayers; ++i) {
        const GeometryLayer& layer = store.Layer(i);
        const bool shown = !g_pLayersBar || g_pLayersBar->m_visible[i] != 0;
        if (!shown || !layer.active || !layer.points) continue;
        const wxColour& colour = m_layerColours[i];
        if (pixels) {
            pixels->SetColour(colour.Red(), colour.Green(), colour.Blue());
        } else {
            dc.SetPen(wxPen(colour, 1, wxPENSTYLE_SOLID));
            dc.SetBrush(wxBrush(colour));
        }
        if (layer.vertices)
            DrawLineLayer(dc, pixels, layer, clip, mapping);
        else
            DrawPointLayer(dc, pixels, layer, r, clip, mapping);
    }
}

void CQUORVEXView::DrawLineLayer(wxDC& dc, PixelCanvas* pixels, const GeometryLayer& layer,
                                 const DeviceRect& clip, const MapMapping& mapping) {
    int32_t d[4];
    for (int v = 0; v < layer.vertexCount; ++v) {
        const SegmentVertex& edge = layer.vertices[v];
        if (edge.fromPoint < 0 || edge.fromPoint >= layer.pointCount || edge.toPoint < 0 ||
            edge.toPoint >= layer.pointCount)
            continue;
        const LayerPoint& from = layer.points[edge.fromPoint];
        const LayerPoint& to = layer.points[edge.toPoint];
        if (!mapping.EdgeToDevice(from.x, from.y, to.x, to.y, clip, d)) continue;
        if (pixels)
            pixels->DrawLine(d[0], d[1], d[2], d[3]);
        else
            dc.DrawLine(d[0], d[1], d[2], d[3]);
    }
}

void CQUORVEXView::DrawPointLayer(wxDC& dc, PixelCanvas* pixels, const GeometryLayer& layer,
                                  int32_t r, const DeviceRect& clip, const MapMapping& mapping) {
    for (int p = 0; p < layer.pointCount; ++p) {
        const int32_t x = mapping.WorldToDeviceX(layer.points[p].x);
        const int32_t y = mapping.WorldToDeviceY(layer.points[p].y);
        // Symbols wholly outside the drawing area are not drawn at all.
        if (x + r < clip.left || x - r > clip.right || y + r < clip.top || y - r > clip.bottom)
            continue;
        if (pixels)
            pixels->DrawDisc(x, y, r);
        else
            dc.DrawEllipse(x - r, y - r, 2 * r, 2 * r);
    }
}

void CQUORVEXView::RefreshLayersBar() {
    GeometryStore* store = Store();
    const int count = store ? store->layerCount : 0;
    if (g_pLayersBar) {
        for (int k = 0; k < CLayersBar::kBoxes; ++k) {
            if (k < count) {
                g_pLayersBar->SetLayerBox(k, wxString(store->Layer(k).name, wxConvISO8859_1), true);
                g_pLayersBar->m_visible[k] = 1;
            } else {
                g_pLayersBar->SetLayerBox(k, " ", false);
                g_pLayersBar->m_visible[k] = 0;
            }
        }
    }
    m_layersShown = count;
}

void CQUORVEXView::RedrawNow() {
    if (!m_canvas) return;
    m_canvas->Refresh(true);
    m_canvas->Update();
}

void CQUORVEXView::OnViewGrid(wxCommandEvent&) {
    m_showGrid = !m_showGrid;
    RedrawNow();
}

void CQUORVEXView::OnUpdateViewGrid(wxUpdateUIEvent& event) {
    event.Check(m_showGrid);
}

void CQUORVEXView::OnZoomOut(wxCommandEvent&) {
    if (GeometryStore* store = Store())
        m_map.SetViewWindow(store->xMin, store->yMin, store->xMax, store->yMax);
    RedrawNow();
}

void CQUORVEXView::OnMouseMove(const wxPoint& p, bool leftDown) {
    char text[128];
    std::snprintf(text, sizeof text, " X%.5lf, Y%.5lf", m_map.DeviceToWorldX(p.x),
                  m_map.DeviceToWorldY(p.y));
    if (g_pStatusBar) {
        g_pStatusBar->SetStatusText(text, 0);
        g_pStatusBar->Update();
    }
    if (leftDown && m_leftPressed) {
        m_dragRect = NormalisedRect(s_dragAnchor.x, s_dragAnchor.y, p.x, p.y);
        ShowDragFrame(&m_dragRect);
        m_dragShown = true;
    }
}

void CQUORVEXView::OnLeftDown(const wxPoint& p) {
    // A frame left over from a drag that ended elsewhere goes first.
    if (m_dragShown) ShowDragFrame(nullptr);
    m_overlay.Reset();
    m_dragRect = {p.x, p.y, p.x, p.y};
    s_dragAnchor = p;
    m_dragShown = false;
    m_leftPressed = true;
}

void CQUORVEXView::OnLeftUp(const wxPoint& p) {
    const bool pressed = m_leftPressed;
    m_leftPressed = false;
    if (!m_dragShown || !pressed) return;  // a click without a drag does not zoom
    m_dragRect = NormalisedRect(s_dragAnchor.x, s_dragAnchor.y, p.x, p.y);
    ShowDragFrame(nullptr);
    m_overlay.Reset();
    m_dragShown = false;
    m_map.ZoomToDeviceRect(m_dragRect);
    RedrawNow();
}

void CQUORVEXView::ShowDragFrame(const DeviceRect* rect) {
    if (!m_canvas) return;
    wxClientDC dc(m_canvas);
    wxDCOverlay overlay(m_overlay, &dc);
    overlay.Clear();
    if (!rect) return;
    dc.SetPen(wxPen(*wxBLACK, 1, wxPENSTYLE_DOT));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(rect->left, rect->top, rect->right - rect->left + 1,
                     rect->bottom - rect->top + 1);
}

#include "view/quorvex_view.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/rawbmp.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/gui_feedback.h"
#include "app/quorvex_doc.h"
#include "view/feature_window.h"
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

// How far from a symbol's edge or a line a click still hits it, in pixels.
constexpr int kHitSlack = 3;

// Squared distance from (px, py) to the segment (x0, y0)-(x1, y1).
double SegmentDistance2(double px, double py, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = x0 + t * dx - px, ey = y0 + t * dy - py;
    return ex * ex + ey * ey;
}

// The index of the field named `name` in the table, or -1.
int FieldIndex(const AttributeStore& attributes, int table, const char* name) {
    const AttributeTable& t = attributes.Table(table);
    for (int f = 0; f < t.fieldCount; ++f)
        if (std::strncmp(t.fields[f].name, name, sizeof t.fields[f].name) == 0) return f;
    return -1;
}

wxString TrimmedField(AttributeStore& attributes, int table, int record, int field) {
    char text[AttributeStore::kMaxFieldWidth + 1];
    if (!attributes.GetText(table, record, field, text)) return wxString();
    std::string value(text);
    value.erase(value.find_last_not_of(' ') + 1);
    return FromCoreText(value);
}

}  // namespace

CQUORVEXView::CQUORVEXView()
    : m_extentSet(false),
      m_showGrid(true),
      m_showWaypointNames(false),
      m_layersShown(0),
      m_dragRect{0, 0, 0, 0},
      m_dragShown(false),
      m_rasterLayers(true),
      m_canvas(nullptr),
      m_leftPressed(false),
      m_panning(false),
      m_featureWindow(nullptr),
      m_pixels(std::make_unique<PixelCanvas>()) {
    for (int i = 0; i < kLayerColours; ++i) {
        const LayerColour c = LayerColourOf(i);
        m_layerColours[i] = wxColour(c.red, c.green, c.blue);
    }
    Bind(wxEVT_MENU, &CQUORVEXView::OnViewGrid, this, ID_VIEW_GRID);
    Bind(wxEVT_UPDATE_UI, &CQUORVEXView::OnUpdateViewGrid, this, ID_VIEW_GRID);
    Bind(wxEVT_MENU, &CQUORVEXView::OnZoomOut, this, ID_VIEW_ZOOMOUT);
    Bind(wxEVT_MENU, &CQUORVEXView::OnZoomAll, this, ID_VIEW_ZOOMALL);
    Bind(wxEVT_MENU, &CQUORVEXView::OnWaypointNames, this, ID_VIEW_WAYPOINT_NAMES);
    Bind(wxEVT_UPDATE_UI, &CQUORVEXView::OnUpdateWaypointNames, this, ID_VIEW_WAYPOINT_NAMES);
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
    if (m_featureWindow) {
        m_featureWindow->Destroy();
        m_featureWindow = nullptr;
    }
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

AttributeStore* CQUORVEXView::Attributes() const {
    auto* doc = wxDynamicCast(GetDocument(), CQUORVEXDoc);
    return doc ? &doc->m_attributeStore : nullptr;
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
        bool drawn = false;
        {
            // The layers go straight into the bitmap's own pixels.
            wxNativePixelData pixels(picture);
            if (pixels) {
                m_pixels->Attach(pixels.GetPixels().m_ptr, area.GetWidth(), area.GetHeight(),
                                 pixels.GetRowStride());
                DrawLayers(dc, m_pixels.get(), clip, mapping);
                drawn = true;
            }
        }
        dc.DrawBitmap(picture, 0, 0);
        if (!drawn) DrawLayers(dc, nullptr, clip, mapping);  // no pixels: a call per symbol
        DrawWaypointNames(dc, clip, mapping);
        return;
    }
    FillBackground(dc, clip);
    DrawGrid(dc, clip, mapping);
    DrawLayers(dc, nullptr, clip, mapping);
    DrawWaypointNames(dc, clip, mapping);
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
        const wxString bottom = wxString::FromUTF8(label.bottom);
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(bottom, &w, &h);
        dc.DrawText(bottom, x + 2, clip.bottom - h);
        dc.DrawText(wxString::FromUTF8(label.top), x + 2, clip.top + 2);
    }
    for (const GridLine& line : mapping.VisibleParallels(clip)) {
        const int y = line.device;
        dc.DrawLine(clip.left, y, clip.right, y);
        const auto lines = ParallelLabelTexts(line.value);
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(wxString::FromUTF8(lines[0]), &w, &h);
        for (int i = 0; i < 4; ++i)
            dc.DrawText(wxString::FromUTF8(lines[i]), clip.left + 2, y + i * h + 2);
    }
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
}

void CQUORVEXView::DrawLayers(wxDC& dc, PixelCanvas* pixels, const DeviceRect& clip,
                              const MapMapping& mapping) {
    const GeometryStore& store = *Store();
    const int32_t r = MapMapping::SymbolRadius(clip.right);
    for (int i = 0; i < store.layerCount && i < GeometryStore::kMaxLayers; ++i) {
        const GeometryLayer& layer = store.Layer(i);
        if (!LayerShown(i) || !layer.points) continue;
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
    if (pixels) {
        // Each point converted once, though most are the end of two edges.
        m_devicePoints.resize(2 * static_cast<size_t>(std::max(layer.pointCount, 0)));
        int32_t* device = m_devicePoints.data();
        for (int p = 0; p < layer.pointCount; ++p) {
            device[2 * p] = mapping.WorldToDeviceX(layer.points[p].x);
            device[2 * p + 1] = mapping.WorldToDeviceY(layer.points[p].y);
        }
        const auto inside = [&clip](int32_t x, int32_t y) {
            return x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        };
        for (int v = 0; v < layer.vertexCount; ++v) {
            const SegmentVertex& edge = layer.vertices[v];
            if (edge.fromPoint < 0 || edge.fromPoint >= layer.pointCount || edge.toPoint < 0 ||
                edge.toPoint >= layer.pointCount)
                continue;
            const int32_t* a = device + 2 * edge.fromPoint;
            const int32_t* b = device + 2 * edge.toPoint;
            if (inside(a[0], a[1]) && inside(b[0], b[1])) {
                pixels->DrawLine(a[0], a[1], b[0], b[1]);
                continue;
            }
            // Reaching outside the drawing area: cut as every device's edges are.
            const LayerPoint& from = layer.points[edge.fromPoint];
            const LayerPoint& to = layer.points[edge.toPoint];
            if (mapping.EdgeToDevice(from.x, from.y, to.x, to.y, clip, d))
                pixels->DrawLine(d[0], d[1], d[2], d[3]);
        }
        return;
    }
    for (int v = 0; v < layer.vertexCount; ++v) {
        const SegmentVertex& edge = layer.vertices[v];
        if (edge.fromPoint < 0 || edge.fromPoint >= layer.pointCount || edge.toPoint < 0 ||
            edge.toPoint >= layer.pointCount)
            continue;
        const LayerPoint& from = layer.points[edge.fromPoint];
        const LayerPoint& to = layer.points[edge.toPoint];
        if (mapping.EdgeToDevice(from.x, from.y, to.x, to.y, clip, d))
            dc.DrawLine(d[0], d[1], d[2], d[3]);
    }
}

void CQUORVEXView::DrawPointLayer(wxDC& dc, PixelCanvas* pixels, const GeometryLayer& layer,
                                  int32_t r, const DeviceRect& clip, const MapMapping& mapping) {
    if (pixels) {
        // The canvas leaves out the discs wholly outside and draws those that
        // fall on one pixel once.
        pixels->BeginDiscs(r);
        for (int p = 0; p < layer.pointCount; ++p)
            pixels->AddDisc(mapping.WorldToDeviceX(layer.points[p].x),
                            mapping.WorldToDeviceY(layer.points[p].y));
        pixels->EndDiscs();
        return;
    }
    for (int p = 0; p < layer.pointCount; ++p) {
        const int32_t x = mapping.WorldToDeviceX(layer.points[p].x);
        const int32_t y = mapping.WorldToDeviceY(layer.points[p].y);
        // Symbols wholly outside the drawing area are not drawn at all.
        if (x + r < clip.left || x - r > clip.right || y + r < clip.top || y - r > clip.bottom)
            continue;
        dc.DrawEllipse(x - r, y - r, 2 * r, 2 * r);
    }
}

bool CQUORVEXView::LayerShown(int layer) const {
    const GeometryStore* store = Store();
    if (!store || layer < 0 || layer >= store->layerCount) return false;
    const bool shown = !g_pLayersBar || g_pLayersBar->m_visible[layer] != 0;
    return shown && store->Layer(layer).active;
}

void CQUORVEXView::DrawWaypointNames(wxDC& dc, const DeviceRect& clip, const MapMapping& mapping) {
    GeometryStore* store = Store();
    AttributeStore* attributes = Attributes();
    if (!m_showWaypointNames || !store || !attributes) return;
    const int32_t r = MapMapping::SymbolRadius(clip.right);
    dc.SetFont(*wxSMALL_FONT);
    dc.SetTextForeground(*wxBLACK);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    for (int i = 0; i < store->layerCount && i < GeometryStore::kMaxLayers; ++i) {
        const GeometryLayer& layer = store->Layer(i);
        const int table = layer.attributeTable;
        if (!LayerShown(i) || layer.vertices || !layer.points || table < 0 ||
            table >= attributes->tableCount)
            continue;
        const int ident = FieldIndex(*attributes, table, "Ident");
        if (ident < 0) continue;
        const int records = std::min(layer.pointCount, attributes->RecordCount(table));
        for (int p = 0; p < records; ++p) {
            const int32_t x = mapping.WorldToDeviceX(layer.points[p].x);
            const int32_t y = mapping.WorldToDeviceY(layer.points[p].y);
            if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
            const wxString name = TrimmedField(*attributes, table, p, ident);
            if (name.empty()) continue;
            const wxSize extent = dc.GetTextExtent(name);
            dc.DrawText(name, x + r + 2, y - extent.GetHeight() / 2);
        }
    }
}

MapFeature CQUORVEXView::FeatureAt(const wxPoint& p) const {
    MapFeature found;
    const GeometryStore* store = Store();
    if (!store || !m_canvas || !m_extentSet) return found;
    const int32_t r = MapMapping::SymbolRadius(m_canvas->GetClientSize().GetWidth());
    const double reach = r + kHitSlack;
    // The topmost feature wins: later layers are drawn over earlier ones.
    for (int i = std::min(store->layerCount, GeometryStore::kMaxLayers) - 1; i >= 0; --i) {
        const GeometryLayer& layer = store->Layer(i);
        if (!LayerShown(i) || !layer.points) continue;
        double best = reach * reach;
        if (!layer.vertices) {
            for (int k = 0; k < layer.pointCount; ++k) {
                const double dx = m_map.WorldToDeviceX(layer.points[k].x) - p.x;
                const double dy = m_map.WorldToDeviceY(layer.points[k].y) - p.y;
                if (dx * dx + dy * dy <= best) {
                    best = dx * dx + dy * dy;
                    found = {i, k};
                }
            }
        } else {
            best = kHitSlack * kHitSlack;
            for (int v = 0; v < layer.vertexCount; ++v) {
                const SegmentVertex& edge = layer.vertices[v];
                if (edge.fromPoint < 0 || edge.fromPoint >= layer.pointCount ||
                    edge.toPoint < 0 || edge.toPoint >= layer.pointCount)
                    continue;
                const LayerPoint& a = layer.points[edge.fromPoint];
                const LayerPoint& b = layer.points[edge.toPoint];
                const double d = SegmentDistance2(
                    p.x, p.y, m_map.WorldToDeviceX(a.x), m_map.WorldToDeviceY(a.y),
                    m_map.WorldToDeviceX(b.x), m_map.WorldToDeviceY(b.y));
                // Each line is one record; its edges carry the record number + 1.
                if (d <= best) {
                    best = d;
                    found = {i, std::max(edge.segment, 1) - 1};
                }
            }
        }
        if (found.layer >= 0) return found;
    }
    return found;
}

std::vector<std::pair<wxString, wxString>> CQUORVEXView::FeatureFields(
    const MapFeature& feature) const {
    std::vector<std::pair<wxString, wxString>> fields;
    const GeometryStore* store = Store();
    AttributeStore* attributes = Attributes();
    if (!store || !attributes || feature.layer < 0 || feature.layer >= store->layerCount)
        return fields;
    const int table = store->Layer(feature.layer).attributeTable;
    if (table < 0 || table >= attributes->tableCount || feature.record < 0 ||
        feature.record >= attributes->RecordCount(table))
        return fields;
    const AttributeTable& t = attributes->Table(table);
    for (int f = 0; f < t.fieldCount; ++f) {
        const std::string name(t.fields[f].name, strnlen(t.fields[f].name, sizeof t.fields[f].name));
        fields.emplace_back(FromCoreText(name), TrimmedField(*attributes, table, feature.record, f));
    }
    return fields;
}

void CQUORVEXView::ShowFeature(const wxPoint& p) {
    const MapFeature feature = FeatureAt(p);
    if (feature.layer < 0 || !m_canvas) return;
    if (!m_featureWindow) m_featureWindow = new CFeatureWindow(GetFrame());
    m_featureWindow->ShowFeature(FromCoreText(Store()->Layer(feature.layer).name),
                                 FeatureFields(feature),
                                 m_canvas->ClientToScreen(p) + wxPoint(16, 16));
}

void CQUORVEXView::RefreshLayersBar() {
    GeometryStore* store = Store();
    const int count = store ? store->layerCount : 0;
    if (g_pLayersBar) {
        for (int k = 0; k < CLayersBar::kBoxes; ++k) {
            if (k < count) {
                g_pLayersBar->SetLayerBox(k, FromCoreText(store->Layer(k).name), true);
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

void CQUORVEXView::OnZoomAll(wxCommandEvent&) {
    ZoomToAll();
}

void CQUORVEXView::OnWaypointNames(wxCommandEvent&) {
    m_showWaypointNames = !m_showWaypointNames;
    RedrawNow();
}

void CQUORVEXView::OnUpdateWaypointNames(wxUpdateUIEvent& event) {
    event.Check(m_showWaypointNames);
}

bool CQUORVEXView::ShowExtent(int first, int last) {
    const GeometryStore* store = Store();
    if (!store) return false;
    bool any = false;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    last = std::min(last, std::min(store->layerCount, GeometryStore::kMaxLayers) - 1);
    for (int i = std::max(first, 0); i <= last; ++i) {
        const GeometryLayer& layer = store->Layer(i);
        if (!layer.active || !layer.points) continue;
        for (int k = 0; k < layer.pointCount; ++k) {
            const double x = layer.points[k].x, y = layer.points[k].y;
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            if (!any) {
                xMin = xMax = x;
                yMin = yMax = y;
                any = true;
            }
            xMin = std::min(xMin, x);
            xMax = std::max(xMax, x);
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
        }
    }
    if (!any) return false;
    m_map.SetViewWindow(xMin, yMin, xMax, yMax);
    m_extentSet = true;
    RedrawNow();
    return true;
}

void CQUORVEXView::ZoomToAll() {
    ShowExtent(0, GeometryStore::kMaxLayers - 1);
}

void CQUORVEXView::ZoomToLayer(int layer) {
    ShowExtent(layer, layer);
}

void CQUORVEXView::SetLayerColour(int layer, const wxColour& colour) {
    if (layer < 0 || layer >= kLayerColours || !colour.IsOk()) return;
    m_layerColours[layer] = colour;
    if (g_pLayersBar && layer < CLayersBar::kBoxes)
        g_pLayersBar->Box(layer)->SetForegroundColour(colour);
    RedrawNow();
}

void CQUORVEXView::OnWheel(const wxPoint& p, int rotation, int delta) {
    if (rotation == 0 || delta <= 0 || !m_extentSet) return;
    m_map.ZoomAbout(p.x, p.y, std::pow(kWheelZoom, static_cast<double>(rotation) / delta));
    RedrawNow();
}

void CQUORVEXView::OnMiddleDown(const wxPoint& p) {
    m_panning = true;
    m_panLast = p;
}

void CQUORVEXView::OnMiddleUp(const wxPoint& p) {
    if (m_panning) PanTo(p);
    m_panning = false;
}

void CQUORVEXView::PanTo(const wxPoint& p) {
    const wxPoint step = p - m_panLast;
    m_panLast = p;
    if (step == wxPoint(0, 0) || !m_extentSet) return;
    m_map.PanByDevice(step.x, step.y);
    RedrawNow();
}

bool CQUORVEXView::OnKey(int keyCode) {
    if (keyCode == WXK_HOME) {
        ZoomToAll();
        return true;
    }
    if (!m_canvas) return false;
    const wxSize size = m_canvas->GetClientSize();
    const int dx = size.GetWidth() / 8, dy = size.GetHeight() / 8;
    wxPoint step;
    switch (keyCode) {
        case WXK_LEFT: step = {dx, 0}; break;  // look west: the map moves right
        case WXK_RIGHT: step = {-dx, 0}; break;
        case WXK_UP: step = {0, dy}; break;
        case WXK_DOWN: step = {0, -dy}; break;
        default: return false;
    }
    if (m_extentSet) {
        m_map.PanByDevice(step.x, step.y);
        RedrawNow();
    }
    return true;
}

void CQUORVEXView::OnMouseMove(const wxPoint& p, bool leftDown) {
    char text[128];
    std::snprintf(text, sizeof text, " X%.5lf, Y%.5lf", m_map.DeviceToWorldX(p.x),
                  m_map.DeviceToWorldY(p.y));
    if (g_pStatusBar) {
        g_pStatusBar->SetStatusText(text, 0);
        g_pStatusBar->Update();
    }
    if (m_panning) {
        PanTo(p);
        return;
    }
    if (leftDown && m_leftPressed) {
        m_dragRect = NormalisedRect(s_dragAnchor.x, s_dragAnchor.y, p.x, p.y);
        ShowDragFrame(&m_dragRect);
        m_dragShown = true;
    }
}

void CQUORVEXView::OnLeftDown(const wxPoint& p, bool pan) {
    m_pressPoint = p;
    if (pan) {
        OnMiddleDown(p);
        return;
    }
    // A frame left over from a drag that ended elsewhere goes first.
    if (m_dragShown) ShowDragFrame(nullptr);
    m_overlay.Reset();
    m_dragRect = {p.x, p.y, p.x, p.y};
    s_dragAnchor = p;
    m_dragShown = false;
    m_leftPressed = true;
}

void CQUORVEXView::OnLeftUp(const wxPoint& p) {
    if (m_panning) {
        OnMiddleUp(p);
        return;
    }
    const bool pressed = m_leftPressed;
    m_leftPressed = false;
    if (!pressed) return;
    // A click without a drag does not zoom: it shows the feature under it.
    if (!m_dragShown || (p == m_pressPoint && m_dragRect.left == m_dragRect.right &&
                         m_dragRect.top == m_dragRect.bottom)) {
        if (m_dragShown) ShowDragFrame(nullptr);
        m_overlay.Reset();
        m_dragShown = false;
        if (p == m_pressPoint) ShowFeature(p);
        return;
    }
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

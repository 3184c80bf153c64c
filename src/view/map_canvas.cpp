#include "view/map_canvas.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "view/quorvex_view.h"

MapCanvas::MapCanvas(wxWindow* parent, CQUORVEXView* view)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE),
      m_view(view) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &MapCanvas::OnPaint, this);
    Bind(wxEVT_MOTION, &MapCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_DOWN, &MapCanvas::OnMouse, this);
    // The second press of a quick double click arrives as a double click; it
    // starts a rubber band all the same.
    Bind(wxEVT_LEFT_DCLICK, &MapCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &MapCanvas::OnMouse, this);
}

void MapCanvas::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    // The window background first: with no layers the view draws nothing.
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    if (m_view) m_view->OnDraw(&dc);
}

void MapCanvas::OnMouse(wxMouseEvent& event) {
    event.Skip();  // the default handling runs too (focus, tool tips)
    if (!m_view) return;
    const wxPoint p = event.GetPosition();
    if (event.GetEventType() == wxEVT_LEFT_DOWN || event.GetEventType() == wxEVT_LEFT_DCLICK)
        m_view->OnLeftDown(p);
    else if (event.GetEventType() == wxEVT_LEFT_UP)
        m_view->OnLeftUp(p);
    else
        m_view->OnMouseMove(p, event.LeftIsDown());
}

#include "view/map_canvas.h"

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "view/quorvex_view.h"

MapCanvas::MapCanvas(wxWindow* parent, CQUORVEXView* view)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      m_view(view),
      m_spaceHeld(false) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &MapCanvas::OnPaint, this);
    Bind(wxEVT_MOTION, &MapCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_DOWN, &MapCanvas::OnMouse, this);
    // The second press of a quick double click arrives as a double click; it
    // starts a rubber band all the same.
    Bind(wxEVT_LEFT_DCLICK, &MapCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &MapCanvas::OnMouse, this);
    Bind(wxEVT_MIDDLE_DOWN, &MapCanvas::OnMouse, this);
    Bind(wxEVT_MIDDLE_UP, &MapCanvas::OnMouse, this);
    Bind(wxEVT_MOUSEWHEEL, &MapCanvas::OnMouse, this);
    Bind(wxEVT_ENTER_WINDOW, &MapCanvas::OnMouse, this);
    Bind(wxEVT_KEY_DOWN, &MapCanvas::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &MapCanvas::OnKeyUp, this);
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
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK || type == wxEVT_MIDDLE_DOWN) {
        // The keys that move the map go to the map once it was touched.
        SetFocus();
        if (type == wxEVT_MIDDLE_DOWN)
            m_view->OnMiddleDown(p);
        else
            m_view->OnLeftDown(p, m_spaceHeld || wxGetKeyState(WXK_SPACE));
    } else if (type == wxEVT_LEFT_UP) {
        m_view->OnLeftUp(p);
    } else if (type == wxEVT_MIDDLE_UP) {
        m_view->OnMiddleUp(p);
    } else if (type == wxEVT_MOUSEWHEEL) {
        if (event.GetWheelAxis() == wxMOUSE_WHEEL_VERTICAL)
            m_view->OnWheel(p, event.GetWheelRotation(), event.GetWheelDelta());
    } else if (type == wxEVT_ENTER_WINDOW) {
        if (wxWindow::FindFocus() == nullptr) SetFocus();
    } else {
        m_view->OnMouseMove(p, event.LeftIsDown());
    }
}

void MapCanvas::OnKeyDown(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_SPACE) {
        m_spaceHeld = true;
        return;
    }
    if (!m_view || event.HasAnyModifiers() || !m_view->OnKey(event.GetKeyCode())) event.Skip();
}

void MapCanvas::OnKeyUp(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_SPACE) m_spaceHeld = false;
    event.Skip();
}

#pragma once
// The window of the map view: it forwards painting, the mouse and the keys
// that move the map to the view.

#include <wx/window.h>

class CQUORVEXView;

class MapCanvas : public wxWindow {
  public:
    MapCanvas(wxWindow* parent, CQUORVEXView* view);

    // The view is closing; the window outlives it only until the frame goes.
    void DetachView() { m_view = nullptr; }

  private:
    void OnPaint(wxPaintEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);

    CQUORVEXView* m_view;
    bool m_spaceHeld;  // Space turns a left drag into a pan
};

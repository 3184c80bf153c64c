#include "app/app_art.h"

#include <wx/dcmemory.h>
#include <wx/image.h>

#include "view/layer_colours.h"

namespace {

// Bitmaps are drawn on a key colour that becomes transparent.
const wxColour kKey(255, 0, 254);

wxBitmap Finish(wxBitmap& bitmap) {
    wxImage image = bitmap.ConvertToImage();
    image.SetMaskColour(kKey.Red(), kKey.Green(), kKey.Blue());
    image.InitAlpha();
    return wxBitmap(image);
}

wxBitmap BlankBitmap(int size, wxMemoryDC& dc) {
    wxBitmap bitmap(size, size, 24);
    dc.SelectObject(bitmap);
    dc.SetBackground(wxBrush(kKey));
    dc.Clear();
    return bitmap;
}

wxColour Colour(int layer) {
    const LayerColour c = LayerColourOf(layer);
    return wxColour(c.red, c.green, c.blue);
}

}  // namespace

wxBitmap ZoomOutToolBitmap() {
    wxMemoryDC dc;
    wxBitmap bitmap = BlankBitmap(16, dc);
    // A magnifying glass with a minus sign.
    dc.SetPen(wxPen(*wxBLACK, 2));
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawCircle(6, 6, 5);
    dc.DrawLine(10, 10, 15, 15);
    dc.SetPen(wxPen(*wxBLACK, 1));
    dc.DrawLine(3, 6, 10, 6);
    dc.SelectObject(wxNullBitmap);
    return Finish(bitmap);
}

wxBitmap ZoomAllToolBitmap() {
    wxMemoryDC dc;
    wxBitmap bitmap = BlankBitmap(16, dc);
    // Four corners pointing outward around a small map of two layers.
    dc.SetPen(wxPen(*wxBLACK, 1));
    for (const wxPoint& c : {wxPoint(1, 1), wxPoint(14, 1), wxPoint(1, 14), wxPoint(14, 14)}) {
        const int sx = c.x < 8 ? 1 : -1, sy = c.y < 8 ? 1 : -1;
        dc.DrawLine(c.x, c.y, c.x + 4 * sx, c.y);
        dc.DrawLine(c.x, c.y, c.x, c.y + 4 * sy);
    }
    dc.SetPen(wxPen(Colour(1), 2));
    dc.DrawLine(4, 11, 8, 6);
    dc.DrawLine(8, 6, 12, 9);
    dc.SetPen(wxPen(Colour(0), 1));
    dc.SetBrush(wxBrush(Colour(0)));
    dc.DrawCircle(8, 6, 2);
    dc.SelectObject(wxNullBitmap);
    return Finish(bitmap);
}

wxBitmap GridToolBitmap() {
    wxMemoryDC dc;
    wxBitmap bitmap = BlankBitmap(16, dc);
    dc.SetPen(wxPen(wxColour(40, 40, 40), 1));
    for (int v = 1; v < 16; v += 5) {
        dc.DrawLine(v, 0, v, 16);
        dc.DrawLine(0, v, 16, v);
    }
    dc.SelectObject(wxNullBitmap);
    return Finish(bitmap);
}

wxBitmap ProgramPicture(int size) {
    wxMemoryDC dc;
    wxBitmap bitmap = BlankBitmap(size, dc);
    const int c = size / 2;
    const int r = size / 2 - 1;
    dc.SetPen(wxPen(wxColour(0, 0, 128), 1));
    dc.SetBrush(wxBrush(wxColour(220, 235, 255)));
    dc.DrawCircle(c, c, r);
    // Meridians and parallels.
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(wxColour(90, 110, 160), 1));
    dc.DrawEllipse(c - r / 2, c - r, r, 2 * r);
    dc.DrawLine(c, c - r, c, c + r);
    dc.DrawLine(c - r, c, c + r, c);
    dc.DrawLine(c - r * 7 / 8, c - r / 2, c + r * 7 / 8, c - r / 2);
    dc.DrawLine(c - r * 7 / 8, c + r / 2, c + r * 7 / 8, c + r / 2);
    // A route between three waypoints.
    const wxPoint stops[] = {
        {c - r / 2, c + r / 3}, {c + r / 6, c - r / 3}, {c + r / 2, c + r / 4}};
    dc.SetPen(wxPen(Colour(3), 2));
    dc.DrawLine(stops[0], stops[1]);
    dc.DrawLine(stops[1], stops[2]);
    const int dot = size >= 32 ? 3 : 2;
    for (int i = 0; i < 3; ++i) {
        dc.SetPen(wxPen(Colour(i == 1 ? 0 : 9), 1));
        dc.SetBrush(wxBrush(Colour(i == 1 ? 0 : 9)));
        dc.DrawCircle(stops[i], dot);
    }
    dc.SelectObject(wxNullBitmap);
    return Finish(bitmap);
}

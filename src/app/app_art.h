#pragma once
// Pictures the program draws itself: the toolbar buttons that have no stock
// art (Zoom Out, Zoom to All, Grid), and the program's picture for the About box and icon.

#include <wx/bitmap.h>

wxBitmap ZoomOutToolBitmap();
wxBitmap GridToolBitmap();
wxBitmap ZoomAllToolBitmap();
// A small map: a globe's grid with a route and waypoints in the layer colours.
wxBitmap ProgramPicture(int size);

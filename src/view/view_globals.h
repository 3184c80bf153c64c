#pragma once
// The main frame's status bar and layers bar, published when the main frame is
// created so that the view and the progress reports reach them. Null until then
// and after the frame is gone.

class wxStatusBar;
class CLayersBar;

extern wxStatusBar* g_pStatusBar;
extern CLayersBar* g_pLayersBar;

#include "view/view_globals.h"

wxStatusBar* g_pStatusBar = nullptr;
CLayersBar* g_pLayersBar = nullptr;

#pragma once
// Window and command IDs of the desktop program that wx has no stock ID for.
// The File commands use wx's stock IDs (wxID_NEW, wxID_SAVEAS, wxID_PRINT ...).
// wx menu IDs stop at 32767, so the commands numbered 327xx elsewhere (menu
// resources, the manual's command list) are 127xx here, and the bars' 5939x
// are 2939x; the last four digits stay the same.

enum QuorvexCommandId {
    ID_IMPORT_GARMIN = 12772,
    ID_VIEW_GRID = 12773,
    ID_VIEW_ZOOMOUT = 12774,
    ID_IMPORT_MAGELLAN = 12778,
    ID_HELP_USERS_MANUAL = 12779,
    ID_VIEW_ZOOMALL = 12780,         // View > Zoom to All, Home, toolbar
    ID_VIEW_WAYPOINT_NAMES = 12781,  // View > Waypoint Names
    ID_LAYER_ZOOM = 12782,           // layers bar menu: Zoom to Layer
    ID_LAYER_COLOUR = 12783,         // layers bar menu: Colour...
    ID_TRANSFER_CANCEL = 12784,      // the status bar's Cancel button
    ID_IMPORT_GPX = 12790,
    ID_EXPORT_GPX = 12791,
    ID_IMPORT_SESSION_TRACE = 12792,  // File > Import > Save Session Trace...
    ID_VIEW_TOOLBAR = 29392,     // also the toolbar's window ID
    ID_VIEW_STATUS_BAR = 29393,  // also the status bar's window ID
    IDD_LAYERS_BAR = 103,
    IDC_LAYER_FIRST = 1015,  // check boxes 1015..1034, one per layer 0..19
    IDC_LAYER_LAST = 1034,
};

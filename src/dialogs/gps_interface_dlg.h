#pragma once
// "GPS Interface": what was found on the receiver (description, product ID, the
// protocols of its waypoints, routes and track log) and what to download, with
// the file names of the new layers. Both import commands use it.
//
//   CGpsInterfaceDlg dialog(frame);
//   dialog.deviceDescription = device.Description();
//   dialog.shownProductId = device.ProductId();
//   dialog.ShowGarminProtocols(device.Protocols());   // or ShowMagellanProtocols()
//   if (dialog.ShowModal() != wxID_OK) return;
//   if (dialog.waypointsWanted) ...TransferWaypoints(..., dialog.waypointsFile.c_str());
//
// The values are shown when the dialog opens and taken back by OK; the file
// names are taken as typed (UTF-8), also when empty.

#include <wx/dialog.h>

#include <cstdint>
#include <string>

struct ProtocolTable;

class CGpsInterfaceDlg : public wxDialog {
  public:
    explicit CGpsInterfaceDlg(wxWindow* parent);

    // The three protocol texts of a Garmin receiver ("A100, D108", "A201, D202,
    // D108, D210", "A301, D310, D301"; entries it did not name show as A0 or D0).
    void ShowGarminProtocols(const ProtocolTable& table);
    // The sentences of a Magellan receiver: "PMGNWPL", "PMGNRTE", "PMGNTRK";
    // disables the choices a Magellan import does not use (pictures, track
    // points).
    void ShowMagellanProtocols();

    // What the receiver is; shown read-only.
    std::string deviceDescription;
    int32_t shownProductId = 0;
    std::string waypointsProtocol;
    std::string routesProtocol;
    std::string tracksProtocol;

    // What to download, and the file names of the new layers.
    bool waypointsWanted = true;
    bool picturesWanted = false;
    bool routesWanted = true;
    bool tracksAsLines = false;
    bool tracksAsPoints = false;
    std::string waypointsFile = "Waypoints";
    std::string routesFile = "Routes";
    std::string tracksFile = "Tracks";
};

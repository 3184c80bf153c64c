#include "dialogs/gps_interface_dlg.h"

#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/valgen.h>

#include "dialogs/dialog_ids.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/dialog_validators.h"
#include "garmin/protocol_table.h"

namespace {

wxTextCtrl* NewTextField(wxWindow* parent, int id, std::string* text, bool readOnly) {
    auto* field = new wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition,
                                 wxSize(parent->FromDIP(220), -1), readOnly ? wxTE_READONLY : 0);
    field->SetValidator(TextFieldValidator(text));
    return field;
}

wxCheckBox* NewCheckBox(wxWindow* parent, wxSizer* sizer, int id, const char* caption,
                        bool* value) {
    auto* box = new wxCheckBox(parent, id, caption);
    box->SetValidator(wxGenericValidator(value));
    sizer->Add(box, 0, wxALL, parent->FromDIP(kGap) / 2);
    return box;
}

// A group for one kind of record: its check boxes, then "Protocol" and the file
// name edit.
void AddTransferGroup(wxStaticBoxSizer* group, int protocolId, std::string* protocol, int fileId,
                      const char* fileLabel, std::string* file) {
    wxWindow* box = group->GetStaticBox();
    auto* grid = new wxFlexGridSizer(2, box->FromDIP(kGap), box->FromDIP(kGap));
    grid->AddGrowableCol(1);
    // The same label width in every group lines the edits of all groups up.
    const int labelWidth = box->GetTextExtent("Filename:").x;
    AddLabelled(grid, box, "Protocol", NewTextField(box, protocolId, protocol, true), labelWidth);
    AddLabelled(grid, box, fileLabel, NewTextField(box, fileId, file, false), labelWidth);
    group->Add(grid, 0, wxEXPAND | wxALL, box->FromDIP(kGap) / 2);
}

}  // namespace

CGpsInterfaceDlg::CGpsInterfaceDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, "GPS Interface") {
    PrepareDialog(this);
    auto* content = new wxBoxSizer(wxVERTICAL);

    // The receiver: its description on top, then its product ID.
    content->Add(NewTextField(this, kIdDeviceDescription, &deviceDescription, true), 0,
                 wxEXPAND | wxALL, FromDIP(kGap) / 2);
    auto* product = new wxFlexGridSizer(2, FromDIP(kGap), FromDIP(kGap));
    auto* productId = new wxTextCtrl(this, kIdProductId, wxEmptyString, wxDefaultPosition,
                                     wxSize(FromDIP(80), -1), wxTE_READONLY);
    productId->SetValidator(IntegerFieldValidator(&shownProductId, "Product ID"));
    AddLabelled(product, this, "Product ID:", productId);
    content->Add(product, 0, wxALL, FromDIP(kGap) / 2);

    wxStaticBoxSizer* waypoints = AddGroup(this, content, "Waypoints");
    NewCheckBox(waypoints->GetStaticBox(), waypoints, kIdTransferWaypoints, "Transfer Waypoints",
                &waypointsWanted);
    AddTransferGroup(waypoints, kIdWaypointsProtocol, &waypointsProtocol, kIdWaypointsFile,
                     "Filename", &waypointsFile);
    NewCheckBox(waypoints->GetStaticBox(), waypoints, kIdMatchPictures,
                "Match pictures to waypoints.", &picturesWanted);

    wxStaticBoxSizer* routes = AddGroup(this, content, "Routes");
    NewCheckBox(routes->GetStaticBox(), routes, kIdTransferRoutes, "Transfer Routes",
                &routesWanted);
    AddTransferGroup(routes, kIdRoutesProtocol, &routesProtocol, kIdRoutesFile,
                     "Filename:", &routesFile);

    wxStaticBoxSizer* tracks = AddGroup(this, content, "Track Log");
    NewCheckBox(tracks->GetStaticBox(), tracks, kIdTracksAsLines, "Transfer as Line Layer",
                &tracksAsLines);
    NewCheckBox(tracks->GetStaticBox(), tracks, kIdTracksAsPoints, "Transfer as Point Layer",
                &tracksAsPoints);
    AddTransferGroup(tracks, kIdTracksProtocol, &tracksProtocol, kIdTracksFile,
                     "Filename:", &tracksFile);

    FinishDialog(this, content);
}

void CGpsInterfaceDlg::ShowGarminProtocols(const ProtocolTable& table) {
    waypointsProtocol = WaypointProtocolText(table);
    routesProtocol = RouteProtocolText(table);
    tracksProtocol = TrackProtocolText(table);
}

void CGpsInterfaceDlg::ShowMagellanProtocols() {
    waypointsProtocol = "PMGNWPL";
    routesProtocol = "PMGNRTE";
    tracksProtocol = "PMGNTRK";
    // A Magellan import matches no pictures and takes the track log only as
    // lines: those two choices are shown off and cannot be ticked.
    picturesWanted = false;
    tracksAsPoints = false;
    for (int id : {kIdMatchPictures, kIdTracksAsPoints})
        if (wxWindow* box = FindWindow(id)) box->Disable();
}

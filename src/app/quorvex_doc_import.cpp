// The File > Import commands. Each keeps its dialogs and its receiver object on
// its own stack, so the serial port is closed on every way out of the command.
// Cancel in a dialog ends the command before the document is touched; once the
// transfers have run, the views are redrawn and the document is marked modified,
// even when no transfer was chosen or every one of them failed.

#include <wx/app.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/gui_feedback.h"
#include "app/quorvex_doc.h"
#include "dialogs/comm_parameters_dlg.h"
#include "dialogs/gps_interface_dlg.h"
#include "dialogs/picture_match_dlg.h"
#include "dialogs/port_properties_dlg.h"
#include "garmin/garmin_device.h"
#include "garmin/garmin_transfers.h"
#include "garmin/record_layouts.h"
#include "magellan/magellan_device.h"
#include "magellan/magellan_transfers.h"
#include "pictures/picture_set.h"
#include "view/quorvex_view.h"

namespace {

// What the "GPS Interface" dialog chose, in the choice of either receiver. A
// Magellan receiver downloads its track log only as lines and matches no
// pictures, so its choice has no place for the other two boxes.
template <typename Choice>
Choice ChoiceFrom(const CGpsInterfaceDlg& dialog) {
    Choice choice;
    choice.waypoints = dialog.waypointsWanted;
    choice.routes = dialog.routesWanted;
    choice.trackLines = dialog.tracksAsLines;
    choice.waypointsFile = dialog.waypointsFile;
    choice.routesFile = dialog.routesFile;
    choice.tracksFile = dialog.tracksFile;
    return choice;
}

GarminTransferChoice GarminChoice(const CGpsInterfaceDlg& dialog) {
    auto choice = ChoiceFrom<GarminTransferChoice>(dialog);
    choice.trackPoints = dialog.tracksAsPoints;
    return choice;
}

bool NameTaken(const GeometryStore& store, int before, const std::string& name) {
    for (int k = 0; k < before; ++k)
        if (name == store.Layer(k).name) return true;
    return false;
}

// Layer k gets the first of "name", "name (2)", "name (3)" ... that no layer
// before it has, cutting the name so that the suffix fits the 40 characters.
void MakeLayerNameUnique(GeometryStore& store, int k) {
    GeometryLayer& layer = store.Layer(k);
    const std::string name = layer.name;
    if (!NameTaken(store, k, name)) return;
    constexpr size_t kRoom = sizeof layer.name - 1;
    for (int n = 2; n < 1000; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        std::string candidate = name.substr(0, kRoom - suffix.size());
        // Never end the cut inside a UTF-8 character.
        while (!candidate.empty() && (static_cast<unsigned char>(candidate.back()) & 0xC0) == 0x80)
            candidate.pop_back();
        if (!candidate.empty() && static_cast<unsigned char>(candidate.back()) >= 0xC0)
            candidate.pop_back();
        candidate += suffix;
        if (!NameTaken(store, k, candidate)) {
            std::strncpy(layer.name, candidate.c_str(), kRoom);
            layer.name[kRoom] = '\0';
            return;
        }
    }
}

}  // namespace

wxWindow* CQUORVEXDoc::MapAwaitingExtent() const {
    auto* view = wxDynamicCast(GetFirstView(), CQUORVEXView);
    return view && !view->m_extentSet ? view->GetCanvas() : nullptr;
}

void CQUORVEXDoc::FinishImport(int firstNewLayer) {
    const int count = m_geometryStore.layerCount;
    for (int k = std::max(firstNewLayer, 0); k < count; ++k) MakeLayerNameUnique(m_geometryStore, k);
    m_geometryStore.ComputeTotalExtent();
    UpdateAllViews();
    if (firstNewLayer < count)
        if (auto* view = wxDynamicCast(GetFirstView(), CQUORVEXView)) view->ZoomToAll();
    Modify(true);
}

// File > Import > "Garmin GPS ": downloads from a Garmin receiver into the stores.
void CQUORVEXDoc::OnImportGarmin(wxCommandEvent&) {
    wxWindow* frame = GetDocumentWindow();
    CCommParametersDlg portDialog(frame);
    if (portDialog.ShowModal() != wxID_OK) return;

    GarminDevice gps;
    {
        ReceiverBusy busy(MapAwaitingExtent());
        if (!gps.Connect(portDialog.PortName().c_str())) return;  // its message was shown
    }

    CGpsInterfaceDlg gpsDialog(frame);
    gpsDialog.deviceDescription = FromCoreText(gps.Description()).utf8_string();
    gpsDialog.shownProductId = gps.ProductId();
    gpsDialog.ShowGarminProtocols(gps.Protocols());
    if (gpsDialog.ShowModal() != wxID_OK) return;

    // Matching stays off unless the picture dialog is shown and confirmed.
    PictureSet pictures;
    if (gpsDialog.picturesWanted) {
        CPictureMatchDlg pictureDialog(frame, pictures);
        pictureDialog.SetTableFields(PointFieldNames(gps.Protocols().waypointType));
        pictureDialog.ShowModal();
    }

    const int firstNewLayer = m_geometryStore.layerCount;
    ReceiverBusy busy(MapAwaitingExtent());
    RunGarminTransfers(gps, m_geometryStore, m_attributeStore, &pictures, GarminChoice(gpsDialog));
    FinishImport(firstNewLayer);
}

// File > Import > "Magellan GPS ": downloads from a Magellan receiver into the stores.
void CQUORVEXDoc::OnImportMagellan(wxCommandEvent&) {
    wxWindow* frame = GetDocumentWindow();
    CPortPropertiesDlg portDialog(frame);
    portDialog.SetSettings(2, "4800", 8, 'N', 1);
    if (portDialog.ShowModal() != wxID_OK) return;
    char portName[PortSettings::kPortNameSize];
    char settings[PortSettings::kSettingsSize];
    // The dialog offers nothing that would not fit; refuse rather than open the
    // port with an empty settings text.
    if (!portDialog.BuildSettings(portName, settings)) return;

    MagellanDevice gps;
    {
        // The receiver is given two seconds to settle after the port opens.
        ReceiverBusy busy(MapAwaitingExtent());
        if (!gps.Connect(portName, settings)) return;  // its messages were shown
    }

    CGpsInterfaceDlg gpsDialog(frame);
    gpsDialog.deviceDescription = FromCoreText(gps.description).utf8_string();
    gpsDialog.shownProductId = gps.productId;
    gpsDialog.ShowMagellanProtocols();
    if (gpsDialog.ShowModal() != wxID_OK) return;

    const int firstNewLayer = m_geometryStore.layerCount;
    ReceiverBusy busy(MapAwaitingExtent());
    RunMagellanTransfers(gps, m_geometryStore, m_attributeStore,
                         ChoiceFrom<MagellanTransferChoice>(gpsDialog));
    FinishImport(firstNewLayer);
}

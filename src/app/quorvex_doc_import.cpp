// The File > Import commands. Each keeps its dialogs and its receiver object on
// its own stack, so the serial port is closed on every way out of the command.
// Cancel in a dialog ends the command before the document is touched; once the
// transfers have run, the views are redrawn and the document is marked modified,
// even when no transfer was chosen or every one of them failed.

#include <wx/app.h>
#include <wx/config.h>
#include <wx/filedlg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "app/gui_feedback.h"
#include "app/import_choice.h"
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
#include "serial/serial_trace.h"
#include "view/quorvex_view.h"

namespace {

// The session trace chosen for this import: written from before the port opens
// until the import ends (the receiver object must go first, as it still talks
// on its way out). The choice is used up, whatever becomes of the import.
class SessionTrace {
  public:
    explicit SessionTrace(wxString& chosen) {
        if (chosen.empty()) return;
        const std::string path = chosen.utf8_string();
        chosen.clear();
        started_ = StartSerialTrace(path);
        if (!started_)
            ShowMessage(FormatText("Could not write the session trace %s:\n%s", path.c_str(),
                                   std::strerror(errno)));
    }
    ~SessionTrace() {
        if (started_) StopSerialTrace();
    }
    SessionTrace(const SessionTrace&) = delete;
    SessionTrace& operator=(const SessionTrace&) = delete;

  private:
    bool started_ = false;
};

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

// The port and line settings of the last import of each receiver are kept in
// the program's settings and offered again at the next run.
void LoadPort(CCommParametersDlg& dialog) {
    wxConfigBase* config = wxConfigBase::Get();
    dialog.portNumber = config->ReadLong("/Garmin/Port", dialog.portNumber);
    dialog.otherDevice = config->Read("/Garmin/Device", "").utf8_string();
}

void SavePort(const CCommParametersDlg& dialog) {
    wxConfigBase* config = wxConfigBase::Get();
    config->Write("/Garmin/Port", static_cast<long>(dialog.portNumber));
    config->Write("/Garmin/Device", wxString::FromUTF8(dialog.otherDevice));
    config->Flush();
}

void LoadPort(CPortPropertiesDlg& dialog) {
    wxConfigBase* config = wxConfigBase::Get();
    PortSettings& s = dialog.settings;
    const wxString parity = config->Read("/Magellan/Parity", wxString(s.parity));
    std::string baud = config->Read("/Magellan/Baud", wxString(s.baudText)).utf8_string();
    if (baud.size() > PortSettings::kMaxBaudText) baud = s.baudText;  // never from this program
    s.SetSettings(config->ReadLong("/Magellan/Port", s.portNumber), baud.c_str(),
                  config->ReadLong("/Magellan/DataBits", s.dataBits),
                  parity.empty() ? 'N' : static_cast<char>(parity[0].GetValue()),
                  config->ReadLong("/Magellan/StopBits", s.stopBits));
    dialog.otherDevice = config->Read("/Magellan/Device", "").utf8_string();
}

void SavePort(const CPortPropertiesDlg& dialog) {
    wxConfigBase* config = wxConfigBase::Get();
    const PortSettings& s = dialog.settings;
    config->Write("/Magellan/Port", static_cast<long>(s.portNumber));
    config->Write("/Magellan/Device", wxString::FromUTF8(dialog.otherDevice));
    config->Write("/Magellan/Baud", wxString::FromUTF8(s.baudText));
    config->Write("/Magellan/DataBits", static_cast<long>(s.dataBits));
    config->Write("/Magellan/Parity", wxString(s.parity));
    config->Write("/Magellan/StopBits", static_cast<long>(s.stopBits));
    config->Flush();
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
    LoadPort(portDialog);
    if (portDialog.ShowModal() != wxID_OK) return;
    SavePort(portDialog);

    const SessionTrace trace(m_sessionTrace);
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
    // The receiver goes back to 9600 when `gps` goes, however the import ends.
    gps.ChangeSpeed(portDialog.Speed());
    RunGarminTransfers(gps, m_geometryStore, m_attributeStore, &pictures,
                       ChoiceWithTrackPoints<GarminTransferChoice>(gpsDialog));
    FinishImport(firstNewLayer);
}

// File > Import > "Magellan GPS ": downloads from a Magellan receiver into the stores.
void CQUORVEXDoc::OnImportMagellan(wxCommandEvent&) {
    wxWindow* frame = GetDocumentWindow();
    CPortPropertiesDlg portDialog(frame);
    portDialog.SetSettings(2, "4800", 8, 'N', 1);
    LoadPort(portDialog);
    if (portDialog.ShowModal() != wxID_OK) return;
    SavePort(portDialog);
    const std::string portName = portDialog.PortName();
    char settings[PortSettings::kSettingsSize];
    // The dialog offers nothing that would not fit; refuse rather than open the
    // port with an empty settings text.
    if (portName.empty() || !portDialog.settings.BuildSettingsText(settings)) return;

    const SessionTrace trace(m_sessionTrace);
    MagellanDevice gps;
    {
        // The receiver is given two seconds to settle after the port opens.
        ReceiverBusy busy(MapAwaitingExtent());
        if (!gps.Connect(portName.c_str(), settings)) return;  // its messages were shown
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

void CQUORVEXDoc::OnSaveSessionTrace(wxCommandEvent&) {
    if (!m_sessionTrace.empty()) {
        m_sessionTrace.clear();
        return;
    }
    wxFileDialog dialog(GetDocumentWindow(), "Save Session Trace", wxEmptyString, "QUORVEX.trace",
                        "Trace files (*.trace)|*.trace|All files (*)|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() == wxID_OK) m_sessionTrace = dialog.GetPath();
}

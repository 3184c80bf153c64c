// File > Import > GPX Files... and File > Export > GPX...: receivers that mount as
// a drive keep their waypoints, routes and tracks as GPX files; the document goes
// out as one GPX file for the apps that read that.

#include <wx/choicdlg.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>

#include <string>
#include <vector>

#include "app/gui_feedback.h"
#include "app/import_choice.h"
#include "app/quorvex_doc.h"
#include "dialogs/gps_interface_dlg.h"
#include "dialogs/picture_match_dlg.h"
#include "gpx/gpx_import.h"
#include "gpx/gpx_writer.h"
#include "pictures/picture_set.h"

namespace {

const char kGpxWildcard[] = "GPX Files (*.gpx)|*.gpx;*.GPX|All Files|*";

// Asks where the GPX files are: a receiver mounted as a drive (each one found is
// offered first), chosen files, or a folder searched with its subfolders. False
// when the user cancelled.
bool ChooseGpxPaths(wxWindow* parent, std::vector<std::string>* paths, std::string* description) {
    const std::vector<std::string> receivers = FindMountedReceivers();
    wxArrayString choices;
    for (const std::string& receiver : receivers)
        choices.Add("The receiver at " + wxString::FromUTF8(receiver));
    choices.Add("GPX files...");
    choices.Add("A folder of GPX files...");
    wxSingleChoiceDialog where(parent, "Import GPX files from:", "GPX Files", choices);
    if (where.ShowModal() != wxID_OK) return false;
    const int chosen = where.GetSelection();
    if (chosen < static_cast<int>(receivers.size())) {
        paths->push_back(receivers[chosen]);
        *description = "Receiver at " + receivers[chosen];
        return true;
    }
    if (chosen == static_cast<int>(receivers.size())) {
        wxFileDialog files(parent, "GPX Files", wxEmptyString, wxEmptyString, kGpxWildcard,
                           wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
        if (files.ShowModal() != wxID_OK) return false;
        wxArrayString chosenPaths;
        files.GetPaths(chosenPaths);
        for (const wxString& path : chosenPaths) paths->push_back(path.utf8_string());
        *description = chosenPaths.size() == 1 ? paths->front()
                                               : std::to_string(chosenPaths.size()) + " GPX files";
        return true;
    }
    wxDirDialog folder(parent, "A folder of GPX files", wxEmptyString, wxDD_DIR_MUST_EXIST);
    if (folder.ShowModal() != wxID_OK) return false;
    paths->push_back(folder.GetPath().utf8_string());
    *description = "GPX files under " + paths->front();
    return true;
}

}  // namespace

void CQUORVEXDoc::OnImportGpx(wxCommandEvent&) {
    wxWindow* frame = GetDocumentWindow();
    std::vector<std::string> paths;
    std::string description;
    if (!ChooseGpxPaths(frame, &paths, &description)) return;

    CGpsInterfaceDlg gpsDialog(frame);
    gpsDialog.deviceDescription = description;
    gpsDialog.waypointsProtocol = "GPX <wpt>";
    gpsDialog.routesProtocol = "GPX <rte>";
    gpsDialog.tracksProtocol = "GPX <trk>";
    gpsDialog.tracksAsLines = true;  // what GPX files are mostly there for
    if (gpsDialog.ShowModal() != wxID_OK) return;

    PictureSet pictures;
    if (gpsDialog.picturesWanted) {
        CPictureMatchDlg pictureDialog(frame, pictures);
        pictureDialog.ShowModal();
    }

    const auto choice = ChoiceWithTrackPoints<GpxImportChoice>(gpsDialog);
    const int firstNewLayer = m_geometryStore.layerCount;
    ReceiverBusy busy(MapAwaitingExtent());
    GpxImport import(choice);
    import.ReadFiles(FindGpxFiles(paths));
    if (import.FilesRead() == 0) {
        ShowMessage(FormatText("No GPX file could be read from %s.", description.c_str()));
        return;
    }
    import.BuildLayers(m_geometryStore, m_attributeStore, &pictures);
    FinishImport(firstNewLayer);
}

void CQUORVEXDoc::OnExportGpx(wxCommandEvent&) {
    wxFileDialog dialog(GetDocumentWindow(), "Export as GPX", wxEmptyString, "QUORVEX.gpx",
                        kGpxWildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) return;
    wxBusyCursor writing;
    WriteGpxDocument(m_geometryStore, m_attributeStore, dialog.GetPath().utf8_string());
}

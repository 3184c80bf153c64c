#include "app/single_doc_manager.h"

#include <wx/filehistory.h>

SingleDocManager::SingleDocManager() {
    // Bound handlers run before wxDocManager's own table for the same IDs.
    Bind(wxEVT_MENU, &SingleDocManager::OnNew, this, wxID_NEW);
    Bind(wxEVT_MENU, &SingleDocManager::OnOpen, this, wxID_OPEN);
    Bind(wxEVT_UPDATE_UI, &SingleDocManager::OnUpdateOpen, this, wxID_OPEN);
}

wxString SingleDocManager::MakeNewDocumentName() {
    return "Untitled";
}

wxFileHistory* SingleDocManager::OnCreateFileHistory() {
    return new wxFileHistory(4);
}

void SingleDocManager::OnNew(wxCommandEvent&) {
    wxDocument* doc = GetCurrentDocument();
    if (!doc) {
        CreateNewDocument();
        return;
    }
    // The save question: yes saves (Save As without a path), no discards,
    // cancel keeps everything as it is.
    if (!doc->OnSaveModified()) return;
    doc->OnNewDocument();
}

void SingleDocManager::OnOpen(wxCommandEvent&) {
    // Never reached through the disabled menu item and button; Ctrl+O too is
    // without effect.
}

void SingleDocManager::OnUpdateOpen(wxUpdateUIEvent& event) {
    event.Enable(false);
}

#pragma once
// The document manager of the desktop program: one document for the whole run.
// File > New asks to save a modified document and then clears that same
// document; Open is disabled everywhere; the recent-file list holds 4 names
// and is kept in the settings but shown nowhere.

#include <wx/docview.h>

class SingleDocManager : public wxDocManager {
  public:
    SingleDocManager();

    wxString MakeNewDocumentName() override;
    wxFileHistory* OnCreateFileHistory() override;

  private:
    void OnNew(wxCommandEvent& event);
    void OnOpen(wxCommandEvent& event);
    void OnUpdateOpen(wxUpdateUIEvent& event);
};

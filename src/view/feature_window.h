#pragma once
// The small window that shows the attributes of a clicked map feature: one row
// per field of its record, the field's name and its text. One window serves
// every click; it stays open beside the map until closed.

#include <wx/dialog.h>

#include <utility>
#include <vector>

class wxListCtrl;

class CFeatureWindow : public wxDialog {
  public:
    explicit CFeatureWindow(wxWindow* parent);

    // Shows the fields under the layer's name as the title, near `where`
    // (screen coordinates), and raises the window.
    void ShowFeature(const wxString& layerName,
                     const std::vector<std::pair<wxString, wxString>>& fields,
                     const wxPoint& where);

    // The shown rows, as "name=text".
    std::vector<wxString> Rows() const;

  private:
    wxListCtrl* m_list;
};

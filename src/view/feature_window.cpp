#include "view/feature_window.h"

#include <wx/display.h>
#include <algorithm>
#include <wx/listctrl.h>
#include <wx/sizer.h>

CFeatureWindow::CFeatureWindow(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(320, 220)),
                            wxLC_REPORT | wxLC_SINGLE_SEL);
    m_list->AppendColumn("Field");
    m_list->AppendColumn("Value");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_list, 1, wxEXPAND);
    SetSizerAndFit(sizer);
}

void CFeatureWindow::ShowFeature(const wxString& layerName,
                                 const std::vector<std::pair<wxString, wxString>>& fields,
                                 const wxPoint& where) {
    SetTitle(layerName);
    m_list->DeleteAllItems();
    for (const auto& [name, text] : fields) {
        const long row = m_list->InsertItem(m_list->GetItemCount(), name);
        m_list->SetItem(row, 1, text);
    }
    m_list->SetColumnWidth(0, wxLIST_AUTOSIZE_USEHEADER);
    m_list->SetColumnWidth(1, FromDIP(200));
    // Beside the pointer, but wholly on the screen the pointer is on.
    wxRect screen = wxDisplay(wxDisplay::GetFromPoint(where) == wxNOT_FOUND
                                  ? 0u
                                  : static_cast<unsigned>(wxDisplay::GetFromPoint(where)))
                        .GetClientArea();
    wxPoint place = where;
    const wxSize size = GetSize();
    place.x = std::max(screen.GetLeft(), std::min(place.x, screen.GetRight() - size.GetWidth()));
    place.y = std::max(screen.GetTop(), std::min(place.y, screen.GetBottom() - size.GetHeight()));
    Move(place);
    Show();
    Raise();
}

std::vector<wxString> CFeatureWindow::Rows() const {
    std::vector<wxString> rows;
    for (long row = 0; row < m_list->GetItemCount(); ++row)
        rows.push_back(m_list->GetItemText(row, 0) + "=" + m_list->GetItemText(row, 1));
    return rows;
}

#include "dialogs/dialog_layout.h"

#include <wx/stattext.h>

void PrepareDialog(wxDialog* dialog) {
    dialog->SetExtraStyle(dialog->GetExtraStyle() | wxWS_EX_VALIDATE_RECURSIVELY);
}

wxStaticBoxSizer* AddGroup(wxWindow* parent, wxSizer* sizer, const wxString& label,
                           int proportion) {
    auto* group = new wxStaticBoxSizer(wxVERTICAL, parent, label);
    sizer->Add(group, proportion, wxEXPAND | wxALL, parent->FromDIP(kGap) / 2);
    return group;
}

void AddLabelled(wxFlexGridSizer* grid, wxWindow* labelParent, const wxString& label,
                 wxWindow* control, int labelWidth) {
    auto* text = new wxStaticText(labelParent, wxID_ANY, label);
    text->SetMinSize(wxSize(labelWidth, -1));
    grid->Add(text, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(control, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
}

void AddRadioGroup(wxWindow* parent, wxSizer* sizer, std::initializer_list<RadioItem> items,
                   int orientation) {
    auto* row = new wxBoxSizer(orientation);
    bool first = true;
    for (const RadioItem& item : items) {
        auto* button = new wxRadioButton(parent, item.id, item.caption, wxDefaultPosition,
                                         wxDefaultSize, first ? wxRB_GROUP : 0);
        const int gap = parent->FromDIP(kGap) / 2;
        row->Add(button, 0, orientation == wxVERTICAL ? (wxTOP | wxBOTTOM) : wxRIGHT, gap);
        first = false;
    }
    sizer->Add(row, 0, wxEXPAND | wxALL, parent->FromDIP(kGap) / 2);
}

void FinishDialog(wxDialog* dialog, wxSizer* content) {
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(content, 1, wxEXPAND | wxALL, dialog->FromDIP(kBorder));
    outer->Add(dialog->CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0,
               wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, dialog->FromDIP(kBorder));
    dialog->SetSizerAndFit(outer);
    dialog->CentreOnParent();
}

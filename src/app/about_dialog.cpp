#include "app/about_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/app_art.h"

CAboutDlg::CAboutDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, "About QUORVEX") {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticBitmap(this, wxID_ANY, ProgramPicture(48)), 0, wxALL, 12);
    row->Add(new wxStaticText(this, wxID_ANY, "QUORVEX Version 1.5"), 0,
             wxALIGN_CENTER_VERTICAL | wxRIGHT, 16);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    row->Add(ok, 0, wxALIGN_CENTER_VERTICAL | wxALL, 12);
    SetSizerAndFit(row);
    CentreOnParent();
}

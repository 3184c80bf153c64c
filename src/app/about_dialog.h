#pragma once
// Help > About QUORVEX: the program's picture, name and version, and OK.

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
  public:
    explicit CAboutDlg(wxWindow* parent);
};

#pragma once
// Small pieces shared by the import dialogs' layouts, so that the four dialogs
// look alike: the same spacing, label alignment and OK/Cancel row.

#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include <initializer_list>

// Space between related controls and around a dialog's content, in pixels
// independent of the screen's resolution.
constexpr int kGap = 6;
constexpr int kBorder = 10;

// Starts a dialog: every value is exchanged by the validators of its controls,
// also those of controls inside group boxes.
void PrepareDialog(wxDialog* dialog);

// A group box with `label` whose controls are laid out in a vertical sizer.
wxStaticBoxSizer* AddGroup(wxWindow* parent, wxSizer* sizer, const wxString& label,
                           int proportion = 0);

// A static label (at least `labelWidth` pixels wide) and `control` on one row
// of a two-column grid.
void AddLabelled(wxFlexGridSizer* grid, wxWindow* labelParent, const wxString& label,
                 wxWindow* control, int labelWidth = -1);

// Radio buttons with the given IDs and captions, the first of them starting a
// new group, one under another (or side by side) in `sizer`.
struct RadioItem {
    int id;
    const char* caption;
};
void AddRadioGroup(wxWindow* parent, wxSizer* sizer, std::initializer_list<RadioItem> items,
                   int orientation = wxVERTICAL);

// Appends the OK (default) and Cancel buttons under `content`, sets the
// dialog's sizer and fits and centres the dialog.
void FinishDialog(wxDialog* dialog, wxSizer* content);

#pragma once
// Drives a dialog through its controls the way a user's clicks would: the
// control's state is set and its notification sent, so the dialog's handlers
// and validators run as they do on screen.

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include "quorvex_test.h"

#include <functional>

// The control `id` of `dialog` as a T; fails the test when it is missing or of
// another kind.
template <typename T>
T* Control(wxWindow* dialog, int id) {
    T* control = dynamic_cast<T*>(dialog->FindWindow(id));
    if (control == nullptr) ADD_FAILURE() << "no control " << id << " of the expected kind";
    return control;
}

// Presses button `id` (OK, Cancel, or a dialog's own).
void Click(wxWindow* dialog, int id);
// Sets check box `id`, or ticks radio button `id`.
void Check(wxWindow* dialog, int id, bool checked = true);
// Chooses `item` in the drop-down list `id`.
void Choose(wxWindow* dialog, int id, const wxString& item);
// Types `text` into the text control or editable combo box `id`.
void Type(wxWindow* dialog, int id, const wxString& text);
// The text of the text control or combo box `id`.
std::string TextOf(wxWindow* dialog, int id);

// The result ShowModal gives when `actions` left the dialog open.
constexpr int kLeftOpen = -2;

// Shows `dialog` modally, runs `actions` inside its event loop (as the user
// would act on it) and returns the dialog's result; a dialog that `actions`
// left open is ended with kLeftOpen rather than waiting for a user.
int RunModal(wxDialog& dialog, const std::function<void()>& actions);

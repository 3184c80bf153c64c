#include "dialog_driver.h"

namespace {

void Notify(wxWindow* control, wxEventType type, int id, int value = 0, const wxString& text = {}) {
    wxCommandEvent event(type, id);
    event.SetEventObject(control);
    event.SetInt(value);
    event.SetString(text);
    control->GetEventHandler()->ProcessEvent(event);
}

}  // namespace

void Click(wxWindow* dialog, int id) {
    wxWindow* button = dialog->FindWindow(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    Notify(button, wxEVT_BUTTON, id);
}

void Check(wxWindow* dialog, int id, bool checked) {
    if (auto* radio = dynamic_cast<wxRadioButton*>(dialog->FindWindow(id))) {
        radio->SetValue(true);
        return Notify(radio, wxEVT_RADIOBUTTON, id, 1);
    }
    auto* box = Control<wxCheckBox>(dialog, id);
    ASSERT_NE(box, nullptr);
    box->SetValue(checked);
    Notify(box, wxEVT_CHECKBOX, id, checked ? 1 : 0);
}

void Choose(wxWindow* dialog, int id, const wxString& item) {
    auto* list = Control<wxItemContainer>(dialog, id);
    ASSERT_NE(list, nullptr);
    const int index = list->FindString(item);
    ASSERT_NE(index, wxNOT_FOUND) << "no item " << item << " in " << id;
    list->SetSelection(index);
    Notify(dialog->FindWindow(id), dynamic_cast<wxComboBox*>(list) ? wxEVT_COMBOBOX : wxEVT_CHOICE,
           id, index, item);
}

void Type(wxWindow* dialog, int id, const wxString& text) {
    if (auto* entry = Control<wxTextEntry>(dialog, id)) entry->SetValue(text);
}

std::string TextOf(wxWindow* dialog, int id) {
    auto* entry = Control<wxTextEntry>(dialog, id);
    return entry ? entry->GetValue().utf8_string() : std::string();
}

int RunModal(wxDialog& dialog, const std::function<void()>& actions) {
    dialog.CallAfter([&dialog, &actions] {
        actions();
        if (dialog.IsModal()) dialog.EndModal(kLeftOpen);
    });
    return dialog.ShowModal();
}

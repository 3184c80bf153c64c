#include <gtest/gtest.h>

#include "dialog_driver.h"

void Click(wxWindow* dialog, int id) {
    wxWindow* button = dialog->FindWindow(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void Tick(wxWindow* dialog, int id) {
    auto* button = Control<wxRadioButton>(dialog, id);
    ASSERT_NE(button, nullptr);
    button->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, id);
    event.SetEventObject(button);
    event.SetInt(1);
    button->GetEventHandler()->ProcessEvent(event);
}

void Check(wxWindow* dialog, int id, bool checked) {
    auto* box = Control<wxCheckBox>(dialog, id);
    ASSERT_NE(box, nullptr);
    box->SetValue(checked);
    wxCommandEvent event(wxEVT_CHECKBOX, id);
    event.SetEventObject(box);
    event.SetInt(checked ? 1 : 0);
    box->GetEventHandler()->ProcessEvent(event);
}

void Choose(wxWindow* dialog, int id, const wxString& item) {
    auto* list = Control<wxItemContainer>(dialog, id);
    ASSERT_NE(list, nullptr);
    const int index = list->FindString(item);
    ASSERT_NE(index, wxNOT_FOUND) << "no item " << item << " in " << id;
    list->SetSelection(index);
    wxCommandEvent event(dynamic_cast<wxComboBox*>(list) ? wxEVT_COMBOBOX : wxEVT_CHOICE, id);
    event.SetEventObject(dialog->FindWindow(id));
    event.SetInt(index);
    event.SetString(item);
    dialog->FindWindow(id)->GetEventHandler()->ProcessEvent(event);
}

void Type(wxWindow* dialog, int id, const wxString& text) {
    auto* entry = Control<wxTextEntry>(dialog, id);
    ASSERT_NE(entry, nullptr);
    entry->SetValue(text);
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

#include "dialogs/dialog_validators.h"

#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/user_feedback.h"

wxString TextFieldValidator::WindowText() const {
    // An editable combo box is a text entry first: its text may be typed.
    if (auto* entry = dynamic_cast<wxTextEntry*>(m_validatorWindow)) return entry->GetValue();
    if (auto* choice = dynamic_cast<wxChoice*>(m_validatorWindow))
        return choice->GetStringSelection();
    return m_validatorWindow->GetLabel();
}

bool TextFieldValidator::TransferToWindow() {
    const wxString text = wxString::FromUTF8(m_text->c_str());
    if (auto* entry = dynamic_cast<wxTextEntry*>(m_validatorWindow)) {
        entry->ChangeValue(text);
    } else if (auto* choice = dynamic_cast<wxChoice*>(m_validatorWindow)) {
        choice->SetStringSelection(text);
    } else {
        m_validatorWindow->SetLabel(text);
    }
    return true;
}

bool TextFieldValidator::TransferFromWindow() {
    *m_text = WindowText().utf8_string();
    return true;
}

bool ParseWholeNumber(const wxString& text, int32_t* value) {
    const std::string digits = text.utf8_string();
    const char* begin = digits.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    // strtol would also take a leading "0x" or blanks after the sign; accept
    // only a sign and decimal digits.
    const char* p = begin;
    if (*p == '+' || *p == '-') ++p;
    if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(begin, &end, 10);
    if (errno == ERANGE || number < INT32_MIN || number > INT32_MAX) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return false;
    *value = static_cast<int32_t>(number);
    return true;
}

bool IntegerFieldValidator::Validate(wxWindow*) {
    auto* text = dynamic_cast<wxTextCtrl*>(m_validatorWindow);
    if (text == nullptr || !text->IsEditable()) return true;
    int32_t number = 0;
    if (ParseWholeNumber(text->GetValue(), &number)) return true;
    ShowMessage(FormatText("%s needs a whole number between %d and %d; \"%s\" is not one.", m_label,
                           INT32_MIN, INT32_MAX, text->GetValue().utf8_str().data()));
    text->SetFocus();
    text->SelectAll();
    return false;
}

bool IntegerFieldValidator::TransferToWindow() {
    if (auto* text = dynamic_cast<wxTextCtrl*>(m_validatorWindow))
        text->ChangeValue(wxString::Format("%d", static_cast<int>(*m_value)));
    return true;
}

bool IntegerFieldValidator::TransferFromWindow() {
    auto* text = dynamic_cast<wxTextCtrl*>(m_validatorWindow);
    if (text == nullptr) return true;
    // A read-only control shows the field; there is nothing to take back.
    if (!text->IsEditable()) return true;
    return ParseWholeNumber(text->GetValue(), m_value);
}

template <typename T>
void RadioValueValidator<T>::Tick() {
    if (auto* button = dynamic_cast<wxRadioButton*>(m_validatorWindow)) button->SetValue(true);
}

template <typename T>
bool RadioValueValidator<T>::IsTicked() const {
    auto* button = dynamic_cast<wxRadioButton*>(m_validatorWindow);
    return button != nullptr && button->GetValue();
}

template class RadioValueValidator<int32_t>;
template class RadioValueValidator<char>;

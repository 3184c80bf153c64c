#pragma once
// Validators that move the import dialogs' values between their fields and
// their controls. The fields are plain types (std::string, int32_t, char) so that
// the import commands hand them to the core as they stand. Texts are UTF-8.
//
// A value the user must correct is reported through the core's ShowMessage (a
// message box with an OK button in the desktop program) and keeps the dialog open.

#include <wx/validate.h>
#include <wx/window.h>

#include <cstdint>
#include <string>

// A text field shown in a text control or an editable combo box (its text), or
// in a drop-down list (its selected item).
class TextFieldValidator : public wxValidator {
  public:
    explicit TextFieldValidator(std::string* text) : m_text(text) {}
    TextFieldValidator(const TextFieldValidator&) = default;
    wxObject* Clone() const override { return new TextFieldValidator(*this); }

    bool Validate(wxWindow*) override { return true; }
    bool TransferToWindow() override;
    bool TransferFromWindow() override;

  protected:
    // The control's text, whatever its kind.
    wxString WindowText() const;

    std::string* m_text;
};

// A signed 32-bit whole number typed into a text control. Anything else (a
// fraction, letters, an empty text, a number out of range) is refused with a
// message naming `label`, and the field keeps its value.
class IntegerFieldValidator : public wxValidator {
  public:
    IntegerFieldValidator(int32_t* value, const char* label) : m_value(value), m_label(label) {}
    IntegerFieldValidator(const IntegerFieldValidator&) = default;
    wxObject* Clone() const override { return new IntegerFieldValidator(*this); }

    bool Validate(wxWindow* parent) override;
    bool TransferToWindow() override;
    bool TransferFromWindow() override;

  private:
    int32_t* m_value;
    const char* m_label;
};

// Reads a whole number: optional blanks, an optional sign, decimal digits,
// optional blanks, within the range of int32_t. False for anything else.
bool ParseWholeNumber(const wxString& text, int32_t* value);

// One radio button of a group that stands for one value of a field (port 3,
// parity 'O'). The group's buttons each carry one validator on the same field:
// the button whose value the field holds is ticked, and the ticked button's value
// is taken back. A field holding none of the group's values ticks no button of
// its own (the toolkit may still show one ticked) and keeps its value unless the
// user's tick says otherwise.
template <typename T>
class RadioValueValidator : public wxValidator {
  public:
    RadioValueValidator(T* field, T value) : m_field(field), m_value(value) {}
    RadioValueValidator(const RadioValueValidator&) = default;
    wxObject* Clone() const override { return new RadioValueValidator(*this); }

    bool Validate(wxWindow*) override { return true; }
    bool TransferToWindow() override {
        if (*m_field == m_value) Tick();
        return true;
    }
    bool TransferFromWindow() override {
        if (IsTicked()) *m_field = m_value;
        return true;
    }

  private:
    void Tick();
    bool IsTicked() const;

    T* m_field;
    T m_value;
};

extern template class RadioValueValidator<int32_t>;
extern template class RadioValueValidator<char>;

// Gives the radio button `id` of `dialog` the validator for `value` of `field`.
template <typename T>
void SetRadioValidator(wxWindow* dialog, int id, T* field, T value) {
    dialog->FindWindow(id)->SetValidator(RadioValueValidator<T>(field, value));
}

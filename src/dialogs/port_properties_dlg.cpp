#include "dialogs/port_properties_dlg.h"

#include <wx/combobox.h>
#include <wx/stattext.h>

#include "dialogs/device_choice.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/dialog_validators.h"

namespace {

// The baud rate combo box: its text is the settings' baud text, which holds at
// most PortSettings::kMaxBaudText characters.
class BaudTextValidator : public wxValidator {
  public:
    explicit BaudTextValidator(PortSettings* settings) : m_settings(settings) {}
    BaudTextValidator(const BaudTextValidator&) = default;
    wxObject* Clone() const override { return new BaudTextValidator(*this); }

    bool Validate(wxWindow*) override {
        // A trial copy tells the user what is wrong and leaves the settings alone.
        PortSettings trial = *m_settings;
        if (trial.SetBaudText(Text().c_str())) return true;
        m_validatorWindow->SetFocus();
        return false;
    }
    bool TransferToWindow() override {
        Combo()->ChangeValue(wxString::FromUTF8(m_settings->baudText));
        return true;
    }
    bool TransferFromWindow() override { return m_settings->SetBaudText(Text().c_str()); }

  private:
    wxComboBox* Combo() const { return static_cast<wxComboBox*>(m_validatorWindow); }
    std::string Text() const { return Combo()->GetValue().utf8_string(); }

    PortSettings* m_settings;
};

}  // namespace

CPortPropertiesDlg::CPortPropertiesDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Communication Port Properties") {
    PrepareDialog(this);
    auto* content = new wxBoxSizer(wxVERTICAL);

    auto* baud = new wxBoxSizer(wxHORIZONTAL);
    baud->Add(new wxStaticText(this, wxID_ANY, "Baud rate"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
              FromDIP(kGap));
    const wxString rates[] = {"115200", "57600", "38400", "19200", "14400", "9600",
                              "4800",   "2400",  "1200",  "600",   "300"};
    auto* combo = new wxComboBox(this, kIdBaudRate, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                 WXSIZEOF(rates), rates, wxCB_DROPDOWN);
    combo->SetValidator(BaudTextValidator(&settings));
    baud->Add(combo, 1, wxALIGN_CENTER_VERTICAL);
    content->Add(baud, 0, wxEXPAND | wxALL, FromDIP(kGap) / 2);

    auto* groups = new wxFlexGridSizer(2, 0, 0);
    groups->AddGrowableCol(0);
    groups->AddGrowableCol(1);
    wxStaticBoxSizer* port = AddGroup(this, groups, "Port");
    AddRadioGroup(port->GetStaticBox(), port,
                  {{kIdCom1, "COM 1"}, {kIdCom2, "COM 2"}, {kIdCom3, "COM 3"}, {kIdCom4, "COM 4"}});
    AddOtherDevice(port->GetStaticBox(), port, &settings.portNumber, &otherDevice);
    wxStaticBoxSizer* parity = AddGroup(this, groups, "Parity");
    AddRadioGroup(parity->GetStaticBox(), parity,
                  {{kIdParityNone, "No Parity"},
                   {kIdParityEven, "Even parity"},
                   {kIdParityOdd, "Odd parity"}});
    wxStaticBoxSizer* data = AddGroup(this, groups, "Data Bits");
    AddRadioGroup(data->GetStaticBox(), data, {{kIdDataBits7, "7 bits"}, {kIdDataBits8, "8 bits"}},
                  wxHORIZONTAL);
    wxStaticBoxSizer* stop = AddGroup(this, groups, "Stop bits");
    AddRadioGroup(stop->GetStaticBox(), stop, {{kIdStopBits1, "1 bit"}, {kIdStopBits2, "2 bits"}},
                  wxHORIZONTAL);
    content->Add(groups, 1, wxEXPAND);

    for (int32_t number = 1; number <= 4; ++number)
        SetRadioValidator(this, kIdCom1 + number - 1, &settings.portNumber, number);
    SetRadioValidator(this, kIdParityNone, &settings.parity, 'N');
    SetRadioValidator(this, kIdParityEven, &settings.parity, 'E');
    SetRadioValidator(this, kIdParityOdd, &settings.parity, 'O');
    SetRadioValidator(this, kIdDataBits7, &settings.dataBits, 7);
    SetRadioValidator(this, kIdDataBits8, &settings.dataBits, 8);
    SetRadioValidator(this, kIdStopBits1, &settings.stopBits, 1);
    SetRadioValidator(this, kIdStopBits2, &settings.stopBits, 2);

    FinishDialog(this, content);
}

bool CPortPropertiesDlg::SetSettings(int port, const char* baud, int data, char parityLetter,
                                     int stop) {
    return settings.SetSettings(port, baud, data, parityLetter, stop);
}

bool CPortPropertiesDlg::BuildSettings(char (&portName)[PortSettings::kPortNameSize],
                                       char (&settingsText)[PortSettings::kSettingsSize]) const {
    return settings.BuildSettings(portName, settingsText);
}

std::string CPortPropertiesDlg::PortName() const {
    if (settings.portNumber == kOtherDevicePort) return otherDevice;
    char portName[PortSettings::kPortNameSize];
    char settingsText[PortSettings::kSettingsSize];
    return settings.BuildSettings(portName, settingsText) ? portName : "";
}

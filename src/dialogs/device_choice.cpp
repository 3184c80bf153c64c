#include "dialogs/device_choice.h"

#include <wx/combobox.h>
#include <wx/radiobut.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/user_feedback.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/dialog_validators.h"

namespace {

// "ttyUSB10" after "ttyUSB9": the trailing digits compare as a number.
bool NaturalLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
        const std::string number = s.substr(digits);
        return std::make_pair(s.substr(0, digits), number.empty() ? -1L : std::stol(number));
    };
    return split(a) < split(b);
}

// The device path: refused only when "Other device" is ticked and it is empty.
class DevicePathValidator : public TextFieldValidator {
  public:
    using TextFieldValidator::TextFieldValidator;
    wxObject* Clone() const override { return new DevicePathValidator(*this); }
    bool Validate(wxWindow*) override {
        // The radio button is the list's sibling.
        wxWindow* group = m_validatorWindow->GetParent();
        auto* other = dynamic_cast<wxRadioButton*>(group ? group->FindWindow(kIdComOther) : nullptr);
        if (!other || !other->GetValue() || !WindowText().Trim().Trim(false).empty()) return true;
        ShowMessage("Choose or type the path of the serial device.");
        m_validatorWindow->SetFocus();
        return false;
    }
};

}  // namespace

std::vector<std::string> SerialDevicesPresent() {
    namespace fs = std::filesystem;
    std::vector<std::string> devices;
    std::error_code error;
    std::vector<std::string> byId;
    for (const auto& entry : fs::directory_iterator("/dev/serial/by-id", error))
        byId.push_back(entry.path().string());
    std::sort(byId.begin(), byId.end(), NaturalLess);
    devices = byId;
    std::vector<std::string> ttys[3];
    const char* prefixes[3] = {"ttyUSB", "ttyACM", "ttyS"};
    for (const auto& entry : fs::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        for (int i = 0; i < 3; ++i) {
            const std::string prefix = prefixes[i];
            if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
                std::isdigit(static_cast<unsigned char>(name[prefix.size()])))
                ttys[i].push_back(entry.path().string());
        }
    }
    for (auto& group : ttys) {
        std::sort(group.begin(), group.end(), NaturalLess);
        devices.insert(devices.end(), group.begin(), group.end());
    }
    return devices;
}

void AddOtherDevice(wxWindow* radioParent, wxSizer* sizer, int32_t* portNumber, std::string* path) {
    auto* other = new wxRadioButton(radioParent, kIdComOther, "Other device");
    sizer->Add(other, 0, wxALL, radioParent->FromDIP(kGap) / 2);
    wxArrayString choices;
    for (const std::string& device : SerialDevicesPresent()) choices.Add(device);
    auto* list = new wxComboBox(radioParent, kIdOtherDevice, wxEmptyString, wxDefaultPosition,
                                wxSize(radioParent->FromDIP(240), -1), choices, wxCB_DROPDOWN);
    list->SetValidator(DevicePathValidator(path));
    list->SetToolTip("A serial device present, or the path of any other");
    sizer->Add(list, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, radioParent->FromDIP(kGap));
    SetRadioValidator(radioParent, kIdComOther, portNumber, static_cast<int32_t>(kOtherDevicePort));
    // A device chosen or typed is the port to use.
    const auto tick = [other](wxCommandEvent& event) {
        event.Skip();
        other->SetValue(true);
    };
    list->Bind(wxEVT_COMBOBOX, tick);
    list->Bind(wxEVT_TEXT, tick);
}

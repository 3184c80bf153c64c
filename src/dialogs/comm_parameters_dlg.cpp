#include "dialogs/comm_parameters_dlg.h"

#include <wx/choice.h>
#include <wx/valgen.h>

#include "core/user_feedback.h"
#include "dialogs/device_choice.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/dialog_validators.h"
#include "garmin/garmin_device.h"

CCommParametersDlg::CCommParametersDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Communication Parameters") {
    PrepareDialog(this);
    auto* content = new wxBoxSizer(wxVERTICAL);
    wxStaticBoxSizer* port = AddGroup(this, content, "Port", 1);
    AddRadioGroup(port->GetStaticBox(), port,
                  {{kIdCom1, "Com 1"}, {kIdCom2, "Com 2"}, {kIdCom3, "Com 3"}, {kIdCom4, "Com 4"}});
    AddOtherDevice(port->GetStaticBox(), port, &portNumber, &otherDevice);
    for (int32_t number = 1; number <= 4; ++number)
        SetRadioValidator(this, kIdCom1 + number - 1, &portNumber, number);
    wxStaticBoxSizer* speedGroup = AddGroup(this, content, "Speed", 0);
    auto* speeds = new wxChoice(speedGroup->GetStaticBox(), kIdSpeed);
    for (int rate : GarminDevice::kSpeeds) speeds->Append(wxString::Format("%d", rate));
    // The list's index is the index into the receiver's rates.
    speeds->SetValidator(wxGenericValidator(&speedIndex));
    speedGroup->Add(speeds, 0, wxALL, kGap / 2);
    FinishDialog(this, content);
}

int CCommParametersDlg::Speed() const {
    return GarminDevice::kSpeeds[speedIndex];
}

std::string CCommParametersDlg::PortName() const {
    if (portNumber == kOtherDevicePort) return otherDevice;
    return FormatText("Com%d", static_cast<int>(portNumber));
}

#pragma once
// "Communication Parameters": the serial port of a Garmin import, Com 1 to Com 4
// or another serial device by its path, and the speed to ask the receiver for
// once it is identified.
//
//   CCommParametersDlg dialog(frame);
//   if (dialog.ShowModal() != wxID_OK) return;
//   device.Connect(dialog.PortName().c_str());   // "Com2" unless the user chose another
//   ... device.ChangeSpeed(dialog.Speed());       // before the first transfer
//
// Every dialog starts at Com 2 and 9600 baud.

#include <wx/dialog.h>

#include <cstdint>
#include <string>

class CCommParametersDlg : public wxDialog {
  public:
    explicit CCommParametersDlg(wxWindow* parent);

    // "Com1".."Com4" for `portNumber` 1..4, `otherDevice` for kOtherDevicePort.
    std::string PortName() const;
    // The chosen speed in baud.
    int Speed() const;

    int32_t portNumber = 2;  // 1..4, or kOtherDevicePort
    std::string otherDevice;
    int speedIndex = 0;  // into GarminDevice::kSpeeds
};

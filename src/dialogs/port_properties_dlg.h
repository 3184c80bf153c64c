#pragma once
// "Communication Port Properties": the serial line of a Magellan import (port
// COM 1..COM 4 or another serial device by its path, baud rate as typed or
// chosen, data bits, stop bits, parity).
//
//   CPortPropertiesDlg dialog(frame);
//   dialog.SetSettings(2, "4800", 8, 'N', 1);
//   if (dialog.ShowModal() != wxID_OK) return;
//   char portName[PortSettings::kPortNameSize], settings[PortSettings::kSettingsSize];
//   dialog.BuildSettings(portName, settings);   // "COM2", "baud=4800 parity=N data=8 stop=1"
//
// OK refuses a baud text of more than PortSettings::kMaxBaudText characters with
// a message and keeps the dialog open; any shorter text is passed on as typed.

#include <wx/dialog.h>

#include <string>

#include "magellan/port_settings.h"

class CPortPropertiesDlg : public wxDialog {
  public:
    explicit CPortPropertiesDlg(wxWindow* parent);

    // Stores the five values before the dialog is shown. False, with a
    // message, when the baud text is too long (it then stays as it was).
    bool SetSettings(int port, const char* baud, int data, char parityLetter, int stop);

    // The port name ("COM%d") and the settings text of the values; false when
    // they do not fit (see PortSettings::BuildSettings).
    bool BuildSettings(char (&portName)[PortSettings::kPortNameSize],
                       char (&settingsText)[PortSettings::kSettingsSize]) const;

    // "COM1".."COM4", or the other device's path.
    std::string PortName() const;

    // The values, COM 2, 4800 baud, 8 data bits, no parity, 1 stop bit at first;
    // settings.portNumber is kOtherDevicePort for `otherDevice`.
    PortSettings settings;
    std::string otherDevice;
};
